// Makes the pictures of the window used by the README and the help page: the
// window at start, while a sample is dragged to the strip, after six samples,
// after the separation, after a count, and while a group is dragged to the bar.
//   ornival-screenshots DATA_FOLDER OUTPUT_FOLDER
#include "core/Canvas.h"
#include "core/Groups.h"
#include "core/SampleStrip.h"
#include "ui/Dialogs.h"
#include "ui/Main.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

QPoint overWidget(Tornvl& w, QWidget* target, QPoint point)
{
    return w.Image1->mapFrom(&w, target->mapTo(&w, point));
}

// The window as shown, with a small marker where the pointer is.
void save(Tornvl& w, const QString& path, std::optional<QPoint> pointer = std::nullopt)
{
    QApplication::processEvents();
    QImage image = w.grab().toImage();
    if (pointer) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPoint p = *pointer;
        const QPolygon arrow({p, p + QPoint(0, 17), p + QPoint(4, 13), p + QPoint(8, 20), p + QPoint(10, 19),
                              p + QPoint(7, 12), p + QPoint(12, 12)});
        painter.setPen(Qt::black);
        painter.setBrush(Qt::white);
        painter.drawPolygon(arrow);
        painter.drawRect(QRect(p + QPoint(10, 18), QSize(9, 7)));
    }
    if (!image.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

QPoint nearestPixel(const QImage& photo, ColorTriple wanted)
{
    QPoint best;
    int bestDistance = 1 << 30;
    for (int y = 2; y < photo.height() - 2; ++y)
        for (int x = 2; x < photo.width() - 2; ++x) {
            const ColorTriple t = ColorToTriple(pixelAt(photo, x, y));
            const int d = std::abs(t.rgbtRed - wanted.rgbtRed) + std::abs(t.rgbtGreen - wanted.rgbtGreen) +
                          std::abs(t.rgbtBlue - wanted.rgbtBlue);
            if (d < bestDistance) {
                bestDistance = d;
                best = {x, y};
            }
        }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Ornival d'oiseaux"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(uiFontFamily());
    font.setPixelSize(pointsToPixels(8));
    QApplication::setFont(font);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fputs("usage: ornival-screenshots DATA_FOLDER OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    const QDir data(args[1]);
    const QDir out(QDir::current().absoluteFilePath(args[2]));
    QDir().mkpath(out.path());

    QTemporaryDir run;
    for (const char* name : {"vol de cigognes.jpg", "fleche.bmp", "ornival0.ini", "blocs_couleurs0.bmp"})
        QFile::copy(data.filePath(QLatin1String(name)), run.filePath(QLatin1String(name)));
    QFile::copy(data.filePath("ornival0.ini"), run.filePath("ornival.ini"));
    QFile::copy(data.filePath("blocs_couleurs0.bmp"), run.filePath("blocs_couleurs.bmp"));
    QDir::setCurrent(run.path());
    messagePresenter() = [](QWidget*, MessageKind, const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    };

    Tornvl w;
    w.show();
    save(w, out.filePath("depart.png"));

    // Six samples dragged from the photo, the second one caught on its way.
    const ColorTriple wanted[6] = {{255, 249, 240}, {36, 27, 18}, {230, 245, 241},
                                   {190, 100, 41},  {216, 145, 101}, {240, 189, 157}};
    for (int n = 0; n < 6; ++n) {
        const QPoint p = nearestPixel(w.doc.displayedPhoto, wanted[n]);
        const QPoint target = overWidget(w, w.Image2, QPoint(cellLeft(n) + 14, 15));
        QTest::mousePress(w.Image1, Qt::LeftButton, {}, p);
        QTest::mouseMove(w.Image1, p + QPoint(6, 0));
        QTest::mouseMove(w.Image1, target);
        if (n == 1)
            save(w, out.filePath("glisser-echantillon.png"), w.Image1->mapTo(&w, target));
        QTest::mouseRelease(w.Image1, Qt::LeftButton, {}, target);
    }
    save(w, out.filePath("echantillons.png"));
    w.Image2->image().scaled(191 * 3, 31 * 3).save(out.filePath("bandeau.png"));

    QTest::mouseClick(static_cast<QPushButton*>(w.control("creer_bmp")), Qt::LeftButton);
    save(w, out.filePath("separation.png"));
    QTest::mouseClick(static_cast<QPushButton*>(w.control("Ornival1")), Qt::LeftButton);
    save(w, out.filePath("comptage.png"));

    // A framed group dragged over the bin of three birds.
    for (int g = 1; g <= w.doc.groupCount; ++g) {
        const TRect r = w.doc.groupRects[std::size_t(g)];
        const QPoint c((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        if (w.doc.groupSizes[std::size_t(g)] < w.doc.twoBirdThreshold || GroupAt(w.doc, c.x(), c.y()) != g)
            continue;
        const QPoint target = overWidget(w, w.Image4, QPoint(500, 55));
        QTest::mousePress(w.Image1, Qt::LeftButton, {}, c);
        QTest::mouseMove(w.Image1, c + QPoint(6, 0));
        QTest::mouseMove(w.Image1, target);
        save(w, out.filePath("glisser-groupe.png"), w.Image1->mapTo(&w, target));
        QTest::mouseRelease(w.Image1, Qt::LeftButton, {}, target);
        break;
    }
    save(w, out.filePath("correction.png"));
    std::printf("total after the count and one correction: %s\n", qPrintable(w.nbtotal->text()));
    return 0;
}
