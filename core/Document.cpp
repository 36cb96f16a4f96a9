#include "Document.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

Document::Document(CountOnly)
    : groupMask(), groupMaskCopy(), countOnly(true), curvePicture()
{
}

QImage Document::blankCurvePicture()
{
    QImage picture(214, 172, QImage::Format_RGB32);
    picture.fill(Qt::white);
    return picture;
}

const QList<QRgb>& workBitmapColorTable()
{
    static const QList<QRgb> table = [] {
        QList<QRgb> t;
        for (int i = 0; i < 256; ++i)
            t.append(qRgb(i, i, i));
        return t;
    }();
    return table;
}

QImage newWorkBitmap(int width, int height)
{
    if (width <= 0 || height <= 0)
        return QImage();
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable(workBitmapColorTable());
    image.fill(255);
    return image;
}

void setWorkBitmapFormatAndSize(QImage& workBitmap, int width, int height)
{
    QImage result = newWorkBitmap(width, height);
    const int w = std::min(width, workBitmap.width());
    const int h = std::min(height, workBitmap.height());
    const QImage source = workBitmap.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        uchar* out = result.scanLine(y);
        for (int x = 0; x < w; ++x)
            out[x] = uchar(qRed(in[x]));
    }
    workBitmap = result;
}

void InitArrowPoints(Document& doc)
{
    doc.arrowPoints[1] = {816, 5};
    doc.arrowPoints[2] = {775, 124};
    doc.arrowPoints[3] = {816, 190};
    doc.arrowPoints[4] = {775, 223};
    doc.arrowPoints[5] = {816, 436};
    doc.arrowPoints[6] = {770, 464};
}

void MoveStepArrow(Document& doc, int k)
{
    if (k >= 1 && k <= 6)
        doc.arrowPosition = doc.arrowPoints[std::size_t(k)];
}

std::int64_t totalBirds(const std::array<std::int32_t, 7>& b)
{
    return std::int64_t(b[1]) + 2 * std::int64_t(b[2]) + 3 * std::int64_t(b[3])
        + 4 * std::int64_t(b[4]) + 6 * std::int64_t(b[6]);
}

void ShowBinCounts(Document& doc)
{
    for (int bin : {0, 1, 2, 3, 4, 6})
        doc.binFieldTexts[std::size_t(bin)] = QString::number(doc.binCounts[std::size_t(bin)]);
    doc.totalText = QString::number(totalBirds(doc.binCounts));
}
