#include "FilesTestSupport.h"

#include "files/HelpPage.h"

#include <QFileInfo>

using namespace filestest;

namespace {

class HelpPage : public FilesTest {};

} // namespace

// The current folder, then the installed data, then the source tree's; the
// first folder holding the page as a file wins, an empty name is skipped.
TEST_F(HelpPage, FirstFolderHoldingThePageAsAFileWins)
{
    const QStringList folders = helpPageFolders();
    ASSERT_EQ(folders.size(), 3);
    EXPECT_EQ(folders[0], QDir::currentPath());
    EXPECT_TRUE(folders[1].endsWith(QStringLiteral("/share/ornival"))) << folders[1].toStdString();
    EXPECT_EQ(QFileInfo(folders[2]).canonicalFilePath(), QFileInfo(ORNIVAL_SOURCE_DIR "/data").canonicalFilePath());
    EXPECT_TRUE(QFileInfo(helpPagePath()).isAbsolute());  // the shipped one
    EXPECT_TRUE(helpPagePath().endsWith(QStringLiteral("/aide.html")));
    write("aide.html", "<html></html>");
    EXPECT_EQ(helpPagePath(), path("aide.html"));

    for (const char* folder : {"a", "b", "c", "a/aide.html"})  // a folder named like the page is no page
        QDir().mkdir(folder);
    write("c/aide.html", "<html></html>");
    const QStringList list{path("a"), QString(), path("b"), path("c")};
    EXPECT_EQ(helpPagePathIn(list), path("c/aide.html"));
    write("b/aide.html", "<html></html>");
    EXPECT_EQ(helpPagePathIn(list), path("b/aide.html"));
    EXPECT_TRUE(helpPagePathIn({path("a"), path("absent"), QString()}).isEmpty());
    EXPECT_TRUE(helpPagePathIn({}).isEmpty());
}
