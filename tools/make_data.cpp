// Draws the shipped data from a fixed seed: the default flock of storks with
// its truth file, the step arrow, and the factory sample set taken from the
// flock as the program itself would take it.
#include "core/Canvas.h"
#include "core/Document.h"
#include "core/SampleStrip.h"
#include "files/BmpFile.h"
#include "files/SampleSetFile.h"
#include "tools/Flocks.h"
#include "tools/Random.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Bird {
    double x, y, length, angle;
};

void drawStork(QPainter& p, const Bird& b)
{
    p.save();
    p.translate(b.x, b.y);
    p.rotate(b.angle);
    const double s = b.length / 40.0;
    p.scale(s, s);
    p.setPen(Qt::NoPen);
    // Wings: white inner half, black flight feathers at the ends.
    for (int side : {-1, 1}) {
        QPainterPath wing;
        wing.moveTo(-2, 0);
        wing.lineTo(-6, side * 22);
        wing.lineTo(4, side * 22);
        wing.lineTo(5, 0);
        wing.closeSubpath();
        p.setBrush(QColor(245, 245, 240));
        p.drawPath(wing);
        p.setBrush(QColor(20, 20, 22));
        p.drawRect(QRectF(-6, side > 0 ? 14 : -22, 10, 8));
    }
    // Body, neck and head, beak, legs.
    p.setBrush(QColor(250, 250, 248));
    p.drawEllipse(QRectF(-12, -4, 24, 8));
    p.drawRect(QRectF(11, -1.2, 10, 2.4));
    p.drawEllipse(QRectF(19, -2.5, 5, 5));
    p.setBrush(QColor(230, 90, 40));
    p.drawRect(QRectF(22, -1.5, 6, 3));
    p.restore();
}

constexpr double birdLength = 26;

bool overlapsTooMuch(const std::vector<Bird>& birds, double x, double y, double minDistance)
{
    for (const Bird& b : birds)
        if (std::hypot(b.x - x, b.y - y) < minDistance)
            return true;
    return false;
}

QImage drawFlock(Random& random, std::vector<Bird>& birds)
{
    QImage photo(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < 600; ++y) {
        const double t = y / 599.0;
        const QRgb c = qRgb(int(40 + 120 * t), int(100 + 90 * t), int(190 + 50 * t));
        for (int x = 0; x < 800; ++x)
            photo.setPixel(x, y, c);
    }
    // Lone birds well apart, most of them of one size and attitude (as a flock
    // gliding in formation), the others up to 12 % longer or shorter; then
    // pairs that touch.
    auto length = [&](int i) { return i % 5 < 3 ? birdLength : birdLength * random.uniform(0.88, 1.12); };
    int tries = 0;
    while (birds.size() < 76 && ++tries < 100000) {
        const double x = std::round(random.uniform(30, 770)), y = std::round(random.uniform(30, 570));
        if (!overlapsTooMuch(birds, x, y, 44)) {
            const int i = int(birds.size());
            birds.push_back({x, y, length(i), i % 5 < 3 ? 0.0 : random.uniform(-20, 20)});
        }
    }
    const std::size_t lone = birds.size();
    for (std::size_t i = 0; i < lone; i += 8) {
        const Bird& b = birds[i];
        birds.push_back({b.x + 17, b.y + 8, length(int(i) + 3), 0.0});
    }
    QPainter p(&photo);
    for (const Bird& b : birds)
        drawStork(p, b);
    p.end();
    return photo;
}

QImage drawArrow()
{
    QImage arrow(20, 16, QImage::Format_RGB888);
    arrow.fill(QColor(240, 240, 240));
    for (int y = 6; y <= 9; ++y)
        for (int x = 1; x < 11; ++x)
            arrow.setPixelColor(x, y, QColor(150, 20, 20));
    for (int x = 11; x < 19; ++x) {
        const int half = 18 - x;
        for (int y = 8 - half; y <= 7 + half; ++y)
            if (y >= 0 && y < 16)
                arrow.setPixelColor(x, y, QColor(150, 20, 20));
    }
    return arrow;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc >= 3 && argc != 4 && QByteArray(argv[1]) == "--grand-vol") {
        const int width = argc == 5 ? std::atoi(argv[3]) : 6000;
        const int height = argc == 5 ? std::atoi(argv[4]) : 4000;
        if (width < 800 || height < 600 || qint64(width) * height > (64LL << 20)) {
            std::fprintf(stderr, "make_data --grand-vol: WIDTH x HEIGHT from 800 x 600 to 64 Mpixels\n");
            return 2;
        }
        return makeLargeFlock(QDir(QString::fromLocal8Bit(argv[2])), width, height) ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_data OUTDIR\n       make_data --grand-vol FOLDER [WIDTH HEIGHT]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    Random random(20261207);
    std::vector<Bird> birds;
    const QImage flock = drawFlock(random, birds);

    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpg");
        writer.setQuality(90);
        if (!writer.write(flock))
            return 1;
    }
    QByteArray truth = QByteArray::number(qlonglong(birds.size())) + "\n";
    for (const Bird& b : birds)
        truth += QByteArray::number(qRound(b.x)) + " " + QByteArray::number(qRound(b.y)) + "\n";

    // The factory samples: taken from the decoded photo at chosen points, and
    // drawn into the strip as a drop there would draw them.
    Document doc;
    doc.displayedPhoto = QImage::fromData(jpeg, "jpg").convertToFormat(QImage::Format_BGR888);
    doc.stripPicture = blankStripPicture();
    const Bird& b0 = birds[0];
    const double a = b0.angle * M_PI / 180.0, s = b0.length / 40.0 * 1.0;
    auto along = [&](double u, double v) {
        return TPoint{int(std::lround(b0.x + s * (u * std::cos(a) - v * std::sin(a)))),
                      int(std::lround(b0.y + s * (u * std::sin(a) + v * std::cos(a))))};
    };
    const TPoint points[6] = {along(-4, 0), along(-1, 18), along(0, 8), {400, 8}, {400, 300}, {400, 590}};
    for (int n = 0; n < 6; ++n) {
        doc.pressPoint = points[n];
        dropSampleOnStrip(doc, cellLeft(n) + 10, 10);
    }
    const QByteArray ini = sampleSetFileText(doc);

    const bool ok = saveFile(out.filePath("vol de cigognes.jpg"), jpeg) && saveFile(out.filePath("vol de cigognes.txt"), truth)
        && saveFile(out.filePath("fleche.bmp"), encodeBmp(drawArrow()))
        && saveFile(out.filePath("ornival0.ini"), ini) && saveFile(out.filePath("blocs_couleurs0.bmp"), encodeBmp(doc.stripPicture));
    std::printf("%zu birds\n", birds.size());
    return ok && makeFlocks(out) ? 0 : 1;
}
