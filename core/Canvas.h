#pragma once

#include "Types.h"

#include <QImage>
#include <QString>

// Drawing on a raster with the rules the whole program relies on:
// - a rectangle's outline runs on columns Left and Right - 1 and rows Top and
//   Bottom - 1, its inside is filled with the brush unless the brush is clear;
// - a line leaves out its end pixel;
// - reading a pixel outside the raster answers the invalid colour -1;
// - everything drawn outside the raster is clipped.
enum class PenStyle { Solid, Dot };
enum class BrushStyle { Solid, Clear };

struct Pen {
    Color color = clBlack;
    PenStyle style = PenStyle::Solid;
};

struct Brush {
    Color color = clWhite;
    BrushStyle style = BrushStyle::Solid;
};

QRgb toQRgb(Color color);
Color fromQRgb(QRgb rgb);

// Colour of pixel (x, y) as 0x00BBGGRR, or -1 outside the raster.
Color pixelAt(const QImage& image, int x, int y);
// Sets pixel (x, y); ignored outside the raster. On an indexed raster the
// nearest colour of its table is taken.
void setPixelAt(QImage& image, int x, int y, Color color);

// The outline pixels of a dotted pen are those whose x + y is even, so a dotted
// frame shows one pixel in two on every side, whatever its size.
void drawRectangle(QImage& image, const TRect& r, const Pen& pen, const Brush& brush);
void fillRect(QImage& image, const TRect& r, Color color);

// A pen position with MoveTo/LineTo; LineTo paints from the current point up to,
// but not including, the end point, which then becomes the current point.
class LinePen {
public:
    LinePen(QImage& image, Color color) : image_(image), color_(color) {}
    void setColor(Color color) { color_ = color; }
    void MoveTo(int x, int y) { pos_ = {x, y}; }
    void LineTo(int x, int y);
    TPoint position() const { return pos_; }

private:
    QImage& image_;
    Color color_;
    TPoint pos_;
};

// The sans-serif face used for every text of the program.
QString uiFontFamily();
// Pixel height of a font of `pointSize` points at 96 dots per inch.
int pointsToPixels(int pointSize);

// The font of a text drawn into a picture.
struct PictureFont {
    QString family;
    int pixelSize = 11;
    bool bold = false;
};

// Writes text with its top-left corner at (x, y). Small letters are drawn
// antialiased and fully hinted, so that they and the words keep apart. With an
// opaque background the text's box is first filled with `background`.
void textOut(QImage& image, int x, int y, const QString& text, const PictureFont& font, bool opaque = false,
             Color background = clWhite);
// The same in the program's face at the given point size (96 dots per inch).
void textOut(QImage& image, int x, int y, const QString& text, int pointSize,
             bool opaque = false, Color background = clWhite, bool bold = false);
