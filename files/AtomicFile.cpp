#include "AtomicFile.h"

#include "core/OrnivalError.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

OrnivalError cannotCreate(const QString& path)
{
    return OrnivalError(QStringLiteral("Impossible de créer le fichier %1").arg(path));
}

} // namespace

void writeFileSafely(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw cannotCreate(path);
    // A full disk shows only at flush time, and commit() alone does not report
    // it: check before the old file is replaced.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        throw cannotCreate(path);
    }
    if (!file.commit())
        throw cannotCreate(path);
}

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw cannotCreate(path);
    // The size is known: the disk space taken at once, in one piece, rather
    // than page by page as the bytes arrive (a file system without this
    // writes them all the same).
    bool written = bytes.isEmpty() || ::fallocate(fd, 0, 0, off_t(bytes.size())) == 0 || errno != ENOSPC;
    for (qsizetype done = 0; written && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            written = false;
    }
    // A full disk may show only when the file is closed.
    if (::close(fd) != 0)
        written = false;
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        throw cannotCreate(path);
    }
}

void syncFileSystemOf(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::syncfs(fd);
    ::close(fd);
}
