#include "files/HelpPage.h"

#include <QDir>
#include <QFileInfo>

QStringList helpPageFolders()
{
    return {QDir::currentPath(), QStringLiteral(ORNIVAL_INSTALLED_DATA_DIR), QStringLiteral(ORNIVAL_SOURCE_DATA_DIR)};
}

QString helpPagePathIn(const QStringList& folders)
{
    for (const QString& folder : folders) {
        if (folder.isEmpty())
            continue;
        const QFileInfo page(QDir(folder), QStringLiteral("aide.html"));
        if (page.isFile())
            return page.absoluteFilePath();
    }
    return {};
}

QString helpPagePath()
{
    return helpPagePathIn(helpPageFolders());
}
