#include "files/HelpPage.h"

#include "FilesTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void writePage(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html></html>");
}

}  // namespace

TEST(HelpPage, TheCurrentFolderComesFirstThenTheInstalledThenTheSourceTree)
{
    const QStringList folders = helpPageFolders();
    ASSERT_EQ(folders.size(), 3);
    filestest::InTemporaryFolder here;
    EXPECT_EQ(helpPageFolders().first(), QDir::currentPath());
    EXPECT_TRUE(folders[1].endsWith(QStringLiteral("/share/ornival"))) << folders[1].toStdString();
    EXPECT_EQ(QFileInfo(folders[2]).canonicalFilePath(),
              QFileInfo(QStringLiteral(ORNIVAL_SOURCE_DIR "/data")).canonicalFilePath());
}

TEST(HelpPage, APageInTheCurrentFolderWins)
{
    filestest::InTemporaryFolder here;
    writePage(here.path(QStringLiteral("aide.html")));
    const QString path = helpPagePath();
    EXPECT_TRUE(QFileInfo(path).isAbsolute());
    EXPECT_EQ(QFileInfo(path).canonicalFilePath(), QFileInfo(here.path(QStringLiteral("aide.html"))).canonicalFilePath());
}

TEST(HelpPage, WithoutALocalPageTheShippedOneIsFound)
{
    filestest::InTemporaryFolder here;
    const QString path = helpPagePath();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(QFileInfo(path).isAbsolute());
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_TRUE(path.endsWith(QStringLiteral("/aide.html")));
}

TEST(HelpPage, FoldersAreTriedInOrderAndOnlyFilesCount)
{
    QTemporaryDir first, second, third;
    // A folder named like the page is no page.
    ASSERT_TRUE(QDir(first.path()).mkdir(QStringLiteral("aide.html")));
    writePage(third.filePath(QStringLiteral("aide.html")));
    EXPECT_EQ(helpPagePathIn({first.path(), second.path(), third.path()}), third.filePath(QStringLiteral("aide.html")));
    writePage(second.filePath(QStringLiteral("aide.html")));
    EXPECT_EQ(helpPagePathIn({first.path(), QString(), second.path(), third.path()}),
              second.filePath(QStringLiteral("aide.html")));
}

TEST(HelpPage, NoPageAnywhereGivesAnEmptyPath)
{
    QTemporaryDir empty;
    EXPECT_TRUE(helpPagePathIn({empty.path(), empty.filePath(QStringLiteral("absent")), QString()}).isEmpty());
    EXPECT_TRUE(helpPagePathIn({}).isEmpty());
}
