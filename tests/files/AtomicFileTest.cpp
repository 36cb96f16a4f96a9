#include "FilesTestSupport.h"

#include "files/AtomicFile.h"

using namespace filestest;

namespace {

class AtomicFile : public FilesTest {};

} // namespace

// Both writers, waiting for the disk or not: the file whole under its name or
// not at all, the old file kept on failure, no temporary file left behind.
TEST_F(AtomicFile, ReplacesWholeOrLeavesTheOldFile)
{
    QDir().mkdir("dossier");
    const QByteArray bytes(5000, 'p');
    for (const auto writer : {writeFileSafely, writeFileAtomically}) {
        for (const auto& [name, diskFull] : {std::pair{"nowhere/a", false}, {"dossier", false}, {"a", true}}) {
            SCOPED_TRACE(name);
            write("a", "old");
            std::optional<DiskFullAfter> full;
            if (diskFull)
                full.emplace(1000);
            EXPECT_EQ(errorOf([&] { writer(name, bytes); }), QString("error Impossible de créer le fichier ") + name);
            full.reset();
            EXPECT_EQ(read("a"), "old");
        }
        for (const QByteArray& whole : {bytes, QByteArray()}) {
            EXPECT_EQ(errorOf([&] { writer("a", whole); }), std::nullopt);
            EXPECT_EQ(read("a"), whole);
        }
        EXPECT_EQ(QDir().entryList(QDir::Files), QStringList{"a"});
    }
    syncFileSystemOf(path("."));
    syncFileSystemOf(path("absent"));
}
