#include "core/Canvas.h"
#include "ui/Main.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ornival"));
    QApplication::setApplicationDisplayName(QStringLiteral("Ornival d'oiseaux"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(uiFontFamily());
    font.setPixelSize(pointsToPixels(8));
    QApplication::setFont(font);

    Tornvl ornvl;
    ornvl.show();
    return app.exec();
}
