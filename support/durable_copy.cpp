#include "support/durable_copy.h"

#include "support/sha256.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 chunkSize = 1 << 20;

thread_local const std::atomic<bool>* copiesStopped = nullptr;

CopiedFile failed(FailureCause cause, const QString& path, int systemError)
{
    CopiedFile copied;
    copied.result = Done(cause, path, QString::fromLocal8Bit(std::strerror(systemError)));
    return copied;
}

// Whether an open file is a regular one; closes it when not.
bool isRegular(int fd)
{
    struct stat status = {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        return true;
    ::close(fd);
    errno = EINVAL;
    return false;
}

// Opens a regular file for reading without following a link.
int openRegular(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    return fd >= 0 && isRegular(fd) ? fd : -1;
}

bool writeAll(int fd, const char* bytes, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

// Reads `from` to the end, hashing, and writes to `to` unless it is -1.
CopiedFile stream(int from, int to, const QString& target)
{
    Sha256 hash;
    QByteArray buffer(chunkSize, Qt::Uninitialized);
    CopiedFile copied;
    for (;;) {
        if (copiesStopped && copiesStopped->load())
            return failed(FailureCause::Other, target, ECANCELED);
        const ssize_t got = ::read(from, buffer.data(), size_t(chunkSize));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return failed(FailureCause::Other, target, errno);
        if (got == 0)
            break;
        hash.addData(QByteArrayView(buffer.constData(), got));
        copied.size += got;
        if (to >= 0 && !writeAll(to, buffer.constData(), got))
            return failed(failureOf(errno), target, errno);
    }
    copied.sha256 = hash.hexResult();
    return copied;
}

} // namespace

void stopCopiesOnThisThreadWhen(const std::atomic<bool>* stop)
{
    copiesStopped = stop;
}

FailureCause failureOf(int systemError)
{
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
        return FailureCause::DiskFull;
    case ENOENT:
    case ENOTDIR:
        return FailureCause::FolderMissing;
    case EACCES:
    case EPERM:
    case EROFS:
        return FailureCause::NotWritable;
    default:
        return FailureCause::Other;
    }
}

CopiedFile hashRegularFile(const QString& path)
{
    return hashOpenFile(openRegular(path), path);
}

CopiedFile hashOpenFile(int fd, const QString& path)
{
    if (fd < 0 || !isRegular(fd))
        return failed(FailureCause::Other, path, errno);
    CopiedFile hashed = stream(fd, -1, path);
    ::close(fd);
    return hashed;
}

CopiedFile copyFileDurably(const QString& from, const QString& to, FileSync sync)
{
    return copyOpenFileDurably(openRegular(from), from, to, sync);
}

CopiedFile copyOpenFileDurably(int source, const QString& from, const QString& to, FileSync sync)
{
    if (source < 0 || !isRegular(source))
        return failed(FailureCause::Other, from, errno);
    QByteArray temporary = QFile::encodeName(to) + ".part-XXXXXX";
    const int target = ::mkostemp(temporary.data(), O_CLOEXEC); // 0600
    if (target < 0) {
        const int error = errno;
        ::close(source);
        return failed(failureOf(error), to, error);
    }
    CopiedFile copied = stream(source, target, to);
    ::close(source);
    if (copied.ok() && sync == FileSync::Now && ::fsync(target) != 0)
        copied = failed(failureOf(errno), to, errno);
    if (::close(target) != 0 && copied.ok())
        copied = failed(failureOf(errno), to, errno);
    // rename(2) replaces a file already there, as a restore needs.
    if (copied.ok() && ::rename(temporary.constData(), QFile::encodeName(to).constData()) != 0)
        copied = failed(failureOf(errno), to, errno);
    if (copied.ok() && sync == FileSync::Now && !syncFolderOf(QFileInfo(to).absolutePath()))
        copied = failed(FailureCause::Other, to, errno);
    if (!copied.ok())
        ::unlink(temporary.constData());
    return copied;
}

CopiedFile linkOrCopy(const QString& existing, const QString& to, FileSync sync)
{
    if (::link(QFile::encodeName(existing).constData(), QFile::encodeName(to).constData()) == 0) {
        CopiedFile linked = hashRegularFile(to);
        if (linked.ok())
            return linked;
        ::unlink(QFile::encodeName(to).constData());
    }
    return copyFileDurably(existing, to, sync);
}

bool makePrivateFolder(const QString& path)
{
    // A folder already there keeps the permissions its owner gave it.
    const QFileInfo folder(path);
    if (folder.isDir())
        return true;
    if (!makePrivateFolder(folder.absolutePath()))
        return false;
    return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0 || QFileInfo(path).isDir();
}

bool syncFolderOf(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool syncFileAt(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool syncFileSystemOf(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::syncfs(fd) == 0;
    ::close(fd);
    return synced;
}
