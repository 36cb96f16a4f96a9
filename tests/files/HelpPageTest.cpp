#include "FilesTestSupport.h"

#include "files/HelpPage.h"

#include <QFileInfo>

using namespace filestest;

namespace {

class HelpPage : public FilesTest {};

} // namespace

TEST_F(HelpPage, CurrentFolderThenInstalledThenSourceTree)
{
    const QStringList folders = helpPageFolders();
    ASSERT_EQ(folders.size(), 3);
    EXPECT_EQ(folders[0], QDir::currentPath());
    EXPECT_TRUE(folders[1].endsWith(QStringLiteral("/share/ornival"))) << folders[1].toStdString();
    EXPECT_EQ(QFileInfo(folders[2]).canonicalFilePath(),
              QFileInfo(QStringLiteral(ORNIVAL_SOURCE_DIR "/data")).canonicalFilePath());
    // Without a page here the shipped one is found, as an absolute path.
    EXPECT_TRUE(QFileInfo(helpPagePath()).isAbsolute());
    EXPECT_TRUE(helpPagePath().endsWith(QStringLiteral("/aide.html")));
    write("aide.html", "<html></html>");
    EXPECT_EQ(helpPagePath(), path("aide.html"));
}

TEST_F(HelpPage, FirstFolderHoldingThePageAsAFileWins)
{
    write("aide.html", "<html></html>");  // found only through an empty folder name, which is skipped
    QDir().mkdir("a");
    QDir().mkdir("b");
    QDir().mkdir("c");
    QDir().mkdir("a/aide.html");  // a folder named like the page is no page
    write("c/aide.html", "<html></html>");
    const QStringList folders{path("a"), QString(), path("b"), path("c")};
    EXPECT_EQ(helpPagePathIn(folders), path("c/aide.html"));
    write("b/aide.html", "<html></html>");
    EXPECT_EQ(helpPagePathIn(folders), path("b/aide.html"));
    EXPECT_TRUE(helpPagePathIn({path("a"), path("absent"), QString()}).isEmpty());
    EXPECT_TRUE(helpPagePathIn({}).isEmpty());
}
