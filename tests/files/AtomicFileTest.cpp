#include "FilesTestSupport.h"

#include "files/AtomicFile.h"

#include <csignal>

#include <sys/resource.h>

using namespace filestest;

namespace {

class AtomicFile : public FilesTest {};

// What `f` gives with a full disk: every write past the first `bytes` bytes of
// a file fails (EFBIG), as it does when the disk has no room left.
template <typename F>
auto withDiskFullAfter(rlim_t bytes, F f)
{
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit = previous;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
    const auto result = f();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);
    return result;
}

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
            const auto attempt = [&] { return errorOf([&] { writer(name, bytes); }); };
            EXPECT_EQ(diskFull ? withDiskFullAfter(1000, attempt) : attempt(), "error Impossible de créer le fichier " + QString(name));
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
