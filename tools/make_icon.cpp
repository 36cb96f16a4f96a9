// Draws the program's menu icon: three birds in flight on a sky square, two of
// them touching inside a white frame as the window frames a group of two. One
// description of the shapes gives both the scalable SVG and the PNG of every
// usual size, so they always show the same picture.
//
//   make_icon FOLDER   writes FOLDER/hicolor/scalable/apps/ornival.svg and
//                      FOLDER/hicolor/NxN/apps/ornival.png
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

#include <cstdio>

namespace {

// Everything is drawn on a 256 x 256 square.
constexpr double kSide = 256;
constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

const QColor kSkyTop(0x6f, 0xb3, 0xe8);
const QColor kSkyBottom(0xd4, 0xea, 0xf8);
const QColor kBird(0x1c, 0x1e, 0x24);
const QColor kFrame(0xff, 0xff, 0xff);

struct Bird {
    double x, y, span; // centre and wing span, in the square's units
};
// The lone bird above, and the two touching ones framed below.
const Bird kBirds[] = {{88, 84, 104}, {118, 168, 92}, {176, 154, 92}};
const QRectF kFrameRect(62, 118, 170, 84);
constexpr double kFrameWidth = 8;
constexpr double kCorner = 40;

// A bird seen from below: two wings curving up from the body, on a span of 2
// from (-1, 0) to (1, 0). Each step is a quadratic curve: control point, end.
struct Curve {
    double cx, cy, x, y;
};
const Curve kBirdOutline[] = {
    {-0.55, -0.55, 0.0, 0.08}, // upper edge of the left wing to the body
    {0.55, -0.55, 1.0, 0.0},   // upper edge of the right wing to its tip
    {0.5, -0.2, 0.0, 0.3},     // lower edge back to the body
    {-0.5, -0.2, -1.0, 0.0},   // lower edge back to the left tip
};

QPainterPath birdPath(const Bird& b)
{
    const double h = b.span / 2;
    QPainterPath path(QPointF(b.x - h, b.y));
    for (const Curve& c : kBirdOutline)
        path.quadTo(b.x + c.cx * h, b.y + c.cy * h, b.x + c.x * h, b.y + c.y * h);
    path.closeSubpath();
    return path;
}

QString number(double v)
{
    return QString::number(v, 'f', 2).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

QString svgBirdPath(const Bird& b)
{
    const double h = b.span / 2;
    QString d = QStringLiteral("M%1 %2").arg(number(b.x - h), number(b.y));
    for (const Curve& c : kBirdOutline)
        d += QStringLiteral(" Q%1 %2 %3 %4")
                 .arg(number(b.x + c.cx * h), number(b.y + c.cy * h), number(b.x + c.x * h), number(b.y + c.y * h));
    return d + QStringLiteral(" Z");
}

QString svg()
{
    QString text = QStringLiteral(
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
                       "  <defs>\n"
                       "    <linearGradient id=\"sky\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
                       "      <stop offset=\"0\" stop-color=\"%2\"/>\n"
                       "      <stop offset=\"1\" stop-color=\"%3\"/>\n"
                       "    </linearGradient>\n"
                       "  </defs>\n"
                       "  <rect width=\"%1\" height=\"%1\" rx=\"%4\" fill=\"url(#sky)\"/>\n")
                       .arg(number(kSide), kSkyTop.name(), kSkyBottom.name(), number(kCorner));
    text += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"none\" stroke=\"%5\" "
                           "stroke-width=\"%6\"/>\n")
                .arg(number(kFrameRect.x()), number(kFrameRect.y()), number(kFrameRect.width()),
                     number(kFrameRect.height()), kFrame.name(), number(kFrameWidth));
    for (const Bird& b : kBirds)
        text += QStringLiteral("  <path d=\"%1\" fill=\"%2\"/>\n").arg(svgBirdPath(b), kBird.name());
    return text + QStringLiteral("</svg>\n");
}

QImage png(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kSide, size / kSide);
    QLinearGradient sky(0, 0, 0, kSide);
    sky.setColorAt(0, kSkyTop);
    sky.setColorAt(1, kSkyBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(0, 0, kSide, kSide), kCorner, kCorner);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kFrame, kFrameWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawRect(kFrameRect);
    p.setPen(Qt::NoPen);
    p.setBrush(kBird);
    for (const Bird& b : kBirds)
        p.drawPath(birdPath(b));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
        && file.write(bytes) == bytes.size();
}

bool writePng(const QString& path, const QImage& image)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QImageWriter writer(path, "png");
    return writer.write(image);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: make_icon FOLDER\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor");
    bool ok = writeFile(out + QStringLiteral("/scalable/apps/ornival.svg"), svg().toUtf8());
    for (int size : kSizes)
        ok = ok && writePng(out + QStringLiteral("/%1x%1/apps/ornival.png").arg(size), png(size));
    if (!ok) {
        std::fprintf(stderr, "make_icon: cannot write the icons in %s\n", argv[1]);
        return 1;
    }
    return 0;
}
