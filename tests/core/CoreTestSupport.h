#pragma once

#include "core/Canvas.h"
#include "core/Document.h"
#include "core/Groups.h"

#include <QImage>

#include <string>
#include <vector>

namespace coretest {

// A document whose photo is width x height of one colour and whose working
// bitmap is all white, as after a photo load.
inline Document documentWithPhoto(int width, int height, QRgb colour = qRgb(120, 160, 220))
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

// Rows of '#' (bird) and '.' (sky) become the working bitmap; the photo takes
// the same size.
inline Document documentFromRows(const std::vector<std::string>& rows)
{
    const int height = int(rows.size());
    const int width = height ? int(rows[0].size()) : 0;
    Document doc = documentWithPhoto(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            doc.workBitmap.scanLine(y)[x] = rows[std::size_t(y)][std::size_t(x)] == '#' ? 0 : 255;
    return doc;
}

// Marks the pixels as bird pixels of the working bitmap.
inline void setBird(Document& doc, int x, int y)
{
    doc.workBitmap.scanLine(y)[x] = 0;
}

// Builds the mask and runs the detection pass, as a count does.
inline void detect(Document& doc)
{
    BuildMask(doc, doc.photoWidth, doc.photoHeight);
    doc.workflowStep = 2;
    DetectGroups(doc);
}

inline bool isColour(const QImage& image, int x, int y, Color colour)
{
    return pixelAt(image, x, y) == colour;
}

} // namespace coretest
