#include "Classification.h"

#include "Canvas.h"
#include "Groups.h"
#include "Rounding.h"

#include <array>

namespace {
constexpr int histogramSizes = 500;  // groups of 500 pixels or more are left out
}

std::optional<std::int32_t> automaticThreshold(const Document& doc)
{
    std::array<std::int32_t, histogramSizes> histogram{};
    int largest = 0;
    for (int g = 1; g <= doc.groupCount; ++g) {
        const int s = doc.groupSizes[std::size_t(g)];
        if (unsigned(s) < unsigned(histogramSizes)) {  // negative sizes are left out too
            ++histogram[std::size_t(s)];
            largest = std::max(largest, s);
        }
    }
    std::optional<std::int32_t> threshold;
    int best = 0;
    for (int v = 3; v < largest; ++v) {
        if (histogram[std::size_t(v)] > best) {
            best = histogram[std::size_t(v)];
            threshold = roundHalfEven(v * 1.5);
        }
    }
    return threshold;
}

QImage paintCorrectionBar()
{
    QImage bar(800, 100, QImage::Format_BGR888);
    bar.fill(Qt::white);
    struct Bin {
        TRect rect;
        TPoint label;
        const char* text;
    };
    static const Bin bins[] = {
        {{0, 0, 101, 100}, {2, 1}, "groupes de 0 oiseau"},
        {{100, 0, 201, 100}, {102, 1}, "groupes de 1 oiseau"},
        {{200, 0, 401, 100}, {202, 1}, "groupes de 2 oiseaux"},
        {{400, 0, 601, 100}, {402, 1}, "groupes de 3 oiseaux"},
        {{600, 0, 701, 100}, {602, 1}, "groupes de 4 oiseaux"},
        {{700, 0, 801, 100}, {702, 1}, "groupes de 6 (5,6,...)"},
    };
    for (const Bin& bin : bins) {
        drawRectangle(bar, bin.rect, Pen{clBlack, PenStyle::Solid}, Brush{clBtnFace, BrushStyle::Solid});
        textOut(bar, bin.label.X, bin.label.Y, QString::fromUtf8(bin.text), 8);
    }
    return bar;
}

QImage drawCorrectionBar()
{
    // The bar does not depend on the photo: it is painted once. Each caller
    // gets a shared copy, which a drop onto it detaches before drawing.
    static const QImage bar = paintCorrectionBar();
    return bar;
}

void drawGroupFrame(Document& doc, int group, Color color)
{
    drawRectangle(doc.displayedPhoto, doc.groupRects[std::size_t(group)], Pen{color, PenStyle::Dot},
                  Brush{clWhite, BrushStyle::Clear});
}

void ClassifyGroups(Document& doc, bool automatic)
{
    if (automatic) {
        if (const auto threshold = automaticThreshold(doc))
            doc.twoBirdThreshold = *threshold;
    }
    for (int bin : {0, 2, 3, 4, 6})
        doc.binCounts[std::size_t(bin)] = 0;
    if (!doc.countOnly) {
        doc.correctionBar = drawCorrectionBar();
        doc.displayedPhoto = doc.photoJpeg.copy();
    }
    for (int g = 1; g <= doc.groupCount; ++g) {
        if (doc.groupSizes[std::size_t(g)] >= doc.twoBirdThreshold) {
            if (!doc.countOnly)
                drawGroupFrame(doc, g, clWhite);
            ++doc.binCounts[2];
        }
    }
    doc.binCounts[1] = doc.groupCount - doc.binCounts[2];
    ShowBinCounts(doc);
}

bool MarkGroupAsTwo(Document& doc, int X, int Y)
{
    if (!doc.groupsMatchPhoto)
        return false;
    // Of all groups whose widened frame holds the point, the highest number wins.
    int found = 0;
    for (int g = doc.groupCount; g >= 1; --g) {
        if (widenedFrameHolds(doc.groupRects[std::size_t(g)], X, Y)) {
            found = g;
            break;
        }
    }
    // A group dropped into a bin stands in that bin now, not in bin 1.
    if (found == 0 || doc.movedGroups[std::size_t(found)]
        || doc.groupSizes[std::size_t(found)] >= doc.twoBirdThreshold)
        return false;
    drawGroupFrame(doc, found, clWhite);
    ++doc.binCounts[2];
    --doc.binCounts[1];
    doc.groupSizes[std::size_t(found)] = doc.twoBirdThreshold;
    ShowBinCounts(doc);
    return true;
}
