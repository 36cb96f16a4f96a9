#include "Canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <cstring>

QRgb toQRgb(Color color)
{
    return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

Color fromQRgb(QRgb rgb)
{
    return Color(qRed(rgb)) | (Color(qGreen(rgb)) << 8) | (Color(qBlue(rgb)) << 16);
}

Color pixelAt(const QImage& image, int x, int y)
{
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return clInvalid;
    if (image.format() == QImage::Format_BGR888) {
        const uchar* p = image.constScanLine(y) + 3 * x;
        return Color(p[2]) | (Color(p[1]) << 8) | (Color(p[0]) << 16);
    }
    if (image.format() == QImage::Format_Indexed8) {
        const int index = image.constScanLine(y)[x];
        // An index past the colour table names no colour: it reads as sky.
        if (index >= image.colorCount())
            return clWhite;
        return fromQRgb(image.color(index));
    }
    return fromQRgb(image.pixel(x, y));
}

static int nearestIndex(const QImage& image, QRgb rgb)
{
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < image.colorCount(); ++i) {
        const QRgb c = image.color(i);
        const int d = std::abs(qRed(c) - qRed(rgb)) + std::abs(qGreen(c) - qGreen(rgb))
            + std::abs(qBlue(c) - qBlue(rgb));
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
            if (d == 0)
                break;
        }
    }
    return best;
}

void setPixelAt(QImage& image, int x, int y, Color color)
{
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return;
    switch (image.format()) {
    case QImage::Format_BGR888: {
        uchar* p = image.scanLine(y) + 3 * x;
        p[0] = uchar(color >> 16);
        p[1] = uchar(color >> 8);
        p[2] = uchar(color);
        return;
    }
    case QImage::Format_Indexed8:
        image.scanLine(y)[x] = uchar(nearestIndex(image, toQRgb(color)));
        return;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        image.setPixel(x, y, uint(nearestIndex(image, toQRgb(color))));
        return;
    default:
        image.setPixel(x, y, toQRgb(color));
        return;
    }
}

void drawRectangle(QImage& image, const TRect& r, const Pen& pen, const Brush& brush)
{
    const int x1 = std::min(r.Left, r.Right), x2 = std::max(r.Left, r.Right);
    const int y1 = std::min(r.Top, r.Bottom), y2 = std::max(r.Top, r.Bottom);
    if (x2 <= x1 || y2 <= y1)
        return;
    if (brush.style == BrushStyle::Solid)
        fillRect(image, {x1 + 1, y1 + 1, x2 - 1, y2 - 1}, brush.color);
    // Clip the edges to the raster first: a frame far outside must cost nothing.
    // The top and bottom edges hold the corners, the sides the rows between.
    const int cx1 = std::max(x1, 0), cx2 = std::min(x2 - 1, image.width() - 1);
    const int cy1 = std::max(y1 + 1, 0), cy2 = std::min(y2 - 2, image.height() - 1);
    if (image.format() == QImage::Format_BGR888) {
        // Straight into the rows: an evidence picture frames a thousand groups.
        uchar* const bits = image.bits();
        const qsizetype stride = image.bytesPerLine();
        const int step = pen.style == PenStyle::Dot ? 2 : 1;
        auto put = [&](int x, int y) {
            uchar* p = bits + qsizetype(y) * stride + 3 * x;
            p[0] = uchar(pen.color >> 16);
            p[1] = uchar(pen.color >> 8);
            p[2] = uchar(pen.color);
        };
        for (const int y : {y1, y2 - 1})
            if (y >= 0 && y < image.height())
                for (int x = cx1 + (step == 2 ? ((cx1 + y) & 1) : 0); x <= cx2; x += step)
                    put(x, y);
        for (const int x : {x1, x2 - 1})
            if (x >= 0 && x < image.width())
                for (int y = cy1 + (step == 2 ? ((cy1 + x) & 1) : 0); y <= cy2; y += step)
                    put(x, y);
        return;
    }
    auto plot = [&](int x, int y) {
        if (pen.style == PenStyle::Dot && ((x + y) & 1) != 0)
            return;
        setPixelAt(image, x, y, pen.color);
    };
    for (int x = cx1; x <= cx2; ++x) {
        plot(x, y1);
        plot(x, y2 - 1);
    }
    for (int y = cy1; y <= cy2; ++y) {
        plot(x1, y);
        plot(x2 - 1, y);
    }
}

void fillRect(QImage& image, const TRect& r, Color color)
{
    const int x1 = std::max(r.Left, 0), x2 = std::min(r.Right, image.width());
    const int y1 = std::max(r.Top, 0), y2 = std::min(r.Bottom, image.height());
    if (x2 <= x1 || y2 <= y1)
        return;
    const int n = x2 - x1;
    switch (image.format()) {
    case QImage::Format_BGR888: {
        // One row is filled pixel by pixel, the others are copies of it.
        uchar* first = image.scanLine(y1) + 3 * x1;
        for (int x = 0; x < n; ++x) {
            first[3 * x] = uchar(color >> 16);
            first[3 * x + 1] = uchar(color >> 8);
            first[3 * x + 2] = uchar(color);
        }
        for (int y = y1 + 1; y < y2; ++y)
            std::memcpy(image.scanLine(y) + 3 * x1, first, std::size_t(3 * n));
        return;
    }
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32: {
        const QRgb value = toQRgb(color);
        for (int y = y1; y < y2; ++y)
            std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)) + x1, n, value);
        return;
    }
    case QImage::Format_Indexed8: {
        const uchar index = uchar(nearestIndex(image, toQRgb(color)));
        for (int y = y1; y < y2; ++y)
            std::memset(image.scanLine(y) + x1, index, std::size_t(n));
        return;
    }
    default:
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x)
                setPixelAt(image, x, y, color);
        return;
    }
}

void LinePen::LineTo(int x, int y)
{
    // Bresenham from the current point; the end pixel is left out.
    int x0 = pos_.X, y0 = pos_.Y;
    const int dx = std::abs(x - x0), sx = x0 < x ? 1 : -1;
    const int dy = -std::abs(y - y0), sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    // Bound the walk to what can reach the raster; a point far outside is clipped.
    long long steps = std::max<long long>(dx, -static_cast<long long>(dy));
    while (steps-- > 0) {
        setPixelAt(image_, x0, y0, color_);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
    pos_ = {x, y};
}

QString uiFontFamily()
{
    return QStringLiteral("Liberation Sans Narrow");
}

int pointsToPixels(int pointSize)
{
    // Rounded as the window system does: 8 points give 11 pixels at 96 dpi.
    return (pointSize * 96 + 36) / 72;
}

void textOut(QImage& image, int x, int y, const QString& text, const PictureFont& pictureFont, bool opaque,
             Color background)
{
    if (image.isNull())
        return;
    QFont font(pictureFont.family);
    font.setPixelSize(pictureFont.pixelSize);
    font.setBold(pictureFont.bold);
    // Without antialiasing the glyphs of a small narrow face land on whole
    // pixels and run together ("seuilactuel:324").
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    QPainter painter(&image);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    if (opaque)
        painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()),
                         QColor(toQRgb(background)));
    painter.setPen(Qt::black);
    painter.drawText(x, y + metrics.ascent(), text);
}

void textOut(QImage& image, int x, int y, const QString& text, int pointSize, bool opaque,
             Color background, bool bold)
{
    textOut(image, x, y, text, PictureFont{uiFontFamily(), pointsToPixels(pointSize), bold}, opaque, background);
}
