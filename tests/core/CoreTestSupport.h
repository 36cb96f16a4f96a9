#pragma once

#include "core/Canvas.h"
#include "core/Count.h"
#include "core/Document.h"
#include "core/Groups.h"

#include <QImage>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace coretest {

inline ColorTriple rgb(int r, int g, int b)
{
    return ColorTriple{std::uint8_t(b), std::uint8_t(g), std::uint8_t(r)};
}

inline bool isColour(const QImage& image, int x, int y, Color colour)
{
    return pixelAt(image, x, y) == colour;
}

// Documents in the states the analysis operations start from.
class CoreTest : public ::testing::Test {
public:
    // A photo of one colour, its working bitmap all white, as after a photo load.
    static Document withPhoto(int width, int height, QRgb colour = qRgb(120, 160, 220))
    {
        Document doc;
        doc.photoJpeg = QImage(width, height, QImage::Format_BGR888);
        doc.photoJpeg.fill(QColor::fromRgb(colour));
        doc.photoWidth = width;
        doc.photoHeight = height;
        doc.displayedPhoto = doc.photoJpeg.copy();
        doc.workBitmap = newWorkBitmap(width, height);
        InitArrowPoints(doc);
        return doc;
    }

    static void setBird(Document& doc, int x, int y) { doc.workBitmap.scanLine(y)[x] = 0; }

    // Builds the mask and runs the detection pass, as a count does.
    static void detect(Document& doc)
    {
        BuildMask(doc, doc.photoWidth, doc.photoHeight);
        doc.workflowStep = 2;
        DetectGroups(doc);
    }

    // A group table of the given sizes after a count, each group a frame of its
    // own on a 400 x 300 photo.
    static Document withGroups(const std::vector<int>& sizes, int threshold = 0)
    {
        Document doc = withPhoto(400, 300);
        doc.groupCount = int(sizes.size());
        doc.groupSizes.assign(sizes.size() + 1, 0);
        doc.groupRects.assign(sizes.size() + 1, {});
        doc.movedGroups.assign(sizes.size() + 1, 0);
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const int left = 10 + int(i % 20) * 19, top = 10 + int(i / 20) * 19;
            doc.groupSizes[i + 1] = sizes[i];
            doc.groupRects[i + 1] = {left, top, left + 10, top + 8};
        }
        doc.twoBirdThreshold = threshold;
        doc.workflowStep = 3;
        return doc;
    }

    // Separated, not yet counted: group 1 of 10 pixels in row 20 (frame
    // 19, 19, 30, 21), groups 2 and 3 of 5 pixels at (60..64, 40) and
    // (100..104, 100), and a bird pixel on the border, which belongs to none.
    static Document separated()
    {
        Document doc = withPhoto(200, 150);
        for (int i = 0; i < 10; ++i)
            setBird(doc, 20 + i, 20);
        for (int i = 0; i < 5; ++i) {
            setBird(doc, 60 + i, 40);
            setBird(doc, 100 + i, 100);
        }
        setBird(doc, 0, 5);
        BuildMask(doc, doc.photoWidth, doc.photoHeight);
        doc.workflowStep = 2;
        doc.blackShown = true;
        return doc;
    }

    // The same counted with threshold 8: group 1 is two birds (bin 2), the
    // others one each (bin 1), total 4.
    static Document counted()
    {
        Document doc = separated();
        countBirds(doc, "8");
        return doc;
    }
};

} // namespace coretest
