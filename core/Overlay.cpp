#include "Overlay.h"

#include "Classification.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void redrawDisplayedPhoto(Document& doc)
{
    doc.displayedPhoto = doc.photoJpeg.format() == QImage::Format_BGR888
        ? doc.photoJpeg.copy()
        : doc.photoJpeg.convertToFormat(QImage::Format_BGR888);
}

namespace {

// Blackens the pixels of one row whose mask cell is 255, passing over sixteen
// cells at a time where none is.
void blackenMarked(const std::uint8_t* mask, int count, uchar* row)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i bird = _mm_set1_epi8(char(0xFF));
    for (; x + 16 <= count; x += 16) {
        const __m128i cells = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + x));
        unsigned hits = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(cells, bird)));
        while (hits) {
            uchar* p = row + 3 * (x + __builtin_ctz(hits));
            p[0] = 0;
            p[1] = 0;
            p[2] = 0;
            hits &= hits - 1;
        }
    }
#endif
    for (; x < count; ++x) {
        if (mask[x] == 255) {
            row[3 * x] = 0;
            row[3 * x + 1] = 0;
            row[3 * x + 2] = 0;
        }
    }
}

} // namespace

void PaintBlackOverlay(Document& doc)
{
    QImage& photo = doc.displayedPhoto;
    if (photo.format() != QImage::Format_BGR888)
        photo = photo.convertToFormat(QImage::Format_BGR888);
    const int width = std::min({doc.photoWidth, photo.width(), doc.maskColumns});
    const int height = std::max(0, std::min({doc.photoHeight, photo.height(), doc.maskRows}));
    if (doc.groupMaskCopy.size() < doc.maskIndex(0, height))
        return;
    for (int y = 0; y < height; ++y)
        blackenMarked(doc.groupMaskCopy.data() + doc.maskIndex(0, y), width, photo.scanLine(y));
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
    if (doc.workflowStep != 3 || doc.countOnly)
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
