#include "SampleStrip.h"

#include "Canvas.h"

int cellLeft(int n)
{
    return n < 3 ? 31 * n + 1 : 31 * n + 5;
}

QImage blankStripPicture()
{
    QImage strip(stripWidth, stripHeight, QImage::Format_BGR888);
    strip.fill(toQRgb(stripBackground));
    return strip;
}

namespace {

void storeSample(Document& doc, int n, Color colour)
{
    if (n < 3)
        doc.pixo[std::size_t(n)] = ColorToTriple(colour);
    else
        doc.pixno[std::size_t(n - 3)] = ColorToTriple(colour);
}

} // namespace

void dropSampleOnStrip(Document& doc, int X, int /*Y*/)
{
    const int n = X / 31;
    if (X < 0 || n > 5)
        return;
    const Color centre = pixelAt(doc.displayedPhoto, doc.pressPoint.X, doc.pressPoint.Y);
    if (centre == clInvalid)
        return;
    QImage& strip = doc.stripPicture;
    const int L = cellLeft(n);
    for (int k = 0; k < 5; ++k) {
        for (int m = 0; m < 5; ++m) {
            Color colour = pixelAt(doc.displayedPhoto, doc.pressPoint.X + 2 - k, doc.pressPoint.Y + 2 - m);
            if (colour == clInvalid)
                colour = stripBackground;
            drawRectangle(strip, {L + 6 * k, 1 + 6 * m, L + 6 * k + 6, 7 + 6 * m}, Pen{colour, PenStyle::Solid},
                          Brush{colour, BrushStyle::Solid});
        }
    }
    drawRectangle(strip, {L + 11, 12, L + 19, 20}, Pen{clWhite, PenStyle::Solid}, Brush{centre, BrushStyle::Solid});
    storeSample(doc, n, centre);
}

void clickOnStrip(Document& doc, int X, int Y)
{
    const int shifted = X >= 110 ? X - 4 : X;
    const int n = shifted / 31;
    if (shifted < 0 || n > 5)
        return;
    const Color colour = pixelAt(doc.stripPicture, X, Y);
    if (colour == clInvalid)
        return;
    storeSample(doc, n, colour);
    const int s = n < 3 ? 0 : 4;
    const int k = (X - 31 * n - s) / 6;
    const int r = Y / 6;
    const int left = 31 * n + s + 6 * k;
    drawRectangle(doc.stripPicture, {left, 6 * r, left + 8, 6 * r + 8}, Pen{clYellow, PenStyle::Solid},
                  Brush{clWhite, BrushStyle::Clear});
}
