#include "Separation.h"

#include "Groups.h"
#include "Overlay.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

int colorDistance(const ColorTriple& a, const ColorTriple& b)
{
    return std::abs(int(a.rgbtRed) - int(b.rgbtRed)) + std::abs(int(a.rgbtGreen) - int(b.rgbtGreen))
        + std::abs(int(a.rgbtBlue) - int(b.rgbtBlue));
}

void separateRow(const std::uint8_t* bgr, int count, const std::array<ColorTriple, 3>& birds,
                 const std::array<ColorTriple, 3>& sky, std::uint8_t* bird)
{
    for (int x = 0; x < count; ++x) {
        const ColorTriple p{bgr[3 * x], bgr[3 * x + 1], bgr[3 * x + 2]};
        int birdDistance = 1000;
        int skyDistance = 1000;
        for (int i = 0; i < 3; ++i) {
            birdDistance = std::min(birdDistance, colorDistance(p, birds[std::size_t(i)]));
            skyDistance = std::min(skyDistance, colorDistance(p, sky[std::size_t(i)]));
        }
        bird[x] = birdDistance < skyDistance ? 1 : 0;
    }
}

void separateBirds(Document& doc, const std::function<void()>& saveSampleSet)
{
    redrawDisplayedPhoto(doc);
    QImage& display = doc.displayedPhoto;

    // The working bitmap keeps its format and size; only an 8-bit bitmap with
    // the program's own colour table can take the grey levels as they are.
    QImage& work = doc.workBitmap;
    const bool greyTable = work.format() == QImage::Format_Indexed8 && work.colorTable() == workBitmapColorTable();
    if (!greyTable && !work.isNull() && work.format() != QImage::Format_RGB32)
        work = work.convertToFormat(QImage::Format_RGB32);

    const int width = std::min(doc.photoWidth, display.width());
    const int height = std::min(doc.photoHeight, display.height());
    const int workWidth = std::min(width, work.width());
    std::vector<std::uint8_t> bird(std::size_t(std::max(width, 0)));
    for (int y = 0; y < height; ++y) {
        uchar* row = display.scanLine(y);
        separateRow(row, width, doc.pixo, doc.pixno, bird.data());
        for (int x = 0; x < width; ++x) {
            if (bird[std::size_t(x)]) {
                row[3 * x] = 0;
                row[3 * x + 1] = 0;
                row[3 * x + 2] = 0;
            }
        }
        if (y >= work.height())
            continue;
        if (greyTable) {
            uchar* out = work.scanLine(y);
            for (int x = 0; x < workWidth; ++x)
                out[x] = bird[std::size_t(x)] ? 0 : 255;
        } else {
            QRgb* out = reinterpret_cast<QRgb*>(work.scanLine(y));
            for (int x = 0; x < workWidth; ++x)
                out[x] = bird[std::size_t(x)] ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
        }
    }

    saveSampleSet();
    doc.workflowStep = 2;
    doc.blackShown = true;
    BuildMask(doc, doc.photoWidth, doc.photoHeight);
    MoveStepArrow(doc, 3);
}
