#include "core/Canvas.h"
#include "ui/Dialogs.h"
#include "ui/Main.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ornival"));
    QApplication::setApplicationDisplayName(QStringLiteral("Ornival d'oiseaux"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The program speaks French whatever the system's language, Qt's own
    // dialogs and buttons too when their translations are installed.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    installQtFrenchTexts(QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    QFont font(uiFontFamily());
    font.setPixelSize(pointsToPixels(8));
    QApplication::setFont(font);

    Tornvl ornvl;
    ornvl.show();
    return app.exec();
}
