#pragma once

#include <QString>
#include <QStringList>

// The folders where the help page "aide.html" is looked for, in order: the
// current folder, the installed share/ornival folder, the source tree's data
// folder.
QStringList helpPageFolders();

// The absolute path of "aide.html" in the first of the folders that holds it
// as a file, or an empty text when none does.
QString helpPagePathIn(const QStringList& folders);

// helpPagePathIn(helpPageFolders()): what "Aide" opens.
QString helpPagePath();
