#include "Overlay.h"

#include "Classification.h"

#include <algorithm>

void redrawDisplayedPhoto(Document& doc)
{
    doc.displayedPhoto = doc.photoJpeg.format() == QImage::Format_BGR888
        ? doc.photoJpeg.copy()
        : doc.photoJpeg.convertToFormat(QImage::Format_BGR888);
}

void PaintBlackOverlay(Document& doc)
{
    QImage& photo = doc.displayedPhoto;
    if (photo.format() != QImage::Format_BGR888)
        photo = photo.convertToFormat(QImage::Format_BGR888);
    const int width = std::min({doc.photoWidth, photo.width(), doc.maskColumns});
    const int height = std::min({doc.photoHeight, photo.height(), doc.maskRows});
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* mask = doc.groupMaskCopy.data() + doc.maskIndex(0, y);
        uchar* row = photo.scanLine(y);
        for (int x = 0; x < width; ++x) {
            if (mask[x] == 255) {
                row[3 * x] = 0;
                row[3 * x + 1] = 0;
                row[3 * x + 2] = 0;
            }
        }
    }
}

void toggleBlackOverlay(Document& doc)
{
    doc.blackShown = !doc.blackShown;
    if (doc.blackShown)
        PaintBlackOverlay(doc);
    else
        redrawDisplayedPhoto(doc);
}

void toggleBlackOverlayWithFrames(Document& doc)
{
    doc.blackShown = !doc.blackShown;
    if (doc.workflowStep != 3)
        return;
    if (doc.blackShown) {
        PaintBlackOverlay(doc);
        return;
    }
    redrawDisplayedPhoto(doc);
    for (int g = 1; g <= doc.groupCount; ++g) {
        if (doc.groupSizes[std::size_t(g)] >= doc.twoBirdThreshold)
            drawGroupFrame(doc, g, doc.movedGroups[std::size_t(g)] ? clBlue : clWhite);
    }
}
