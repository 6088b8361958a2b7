#include "support/regular_file.h"

#include "support/durable_file.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString systemWords(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

#ifdef Q_OS_UNIX

// Reads at most limit + 1 bytes, so a file that grew past the limit while
// it was read is still refused.
RegularFileRead readDescriptor(int fd, qint64 limit)
{
    RegularFileRead result;
    QByteArray bytes;
    char chunk[64 * 1024];
    while (bytes.size() <= limit) {
        const ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            result.outcome = RegularFileRead::Unreadable;
            result.detail = systemWords(errno);
            return result;
        }
        if (count == 0)
            break;
        bytes.append(chunk, count);
    }
    if (bytes.size() > limit) {
        result.outcome = RegularFileRead::TooLarge;
        result.detail = QStringLiteral("larger than %1 bytes").arg(limit);
        return result;
    }
    result.outcome = RegularFileRead::Read;
    result.bytes = bytes;
    return result;
}

#endif

} // namespace

EntryKind entryAt(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat entry;
    // A name that cannot be looked at (a folder without search rights) is
    // left to the open, which names its cause.
    if (::lstat(QFile::encodeName(path).constData(), &entry) != 0)
        return EntryKind::None;
    return S_ISREG(entry.st_mode) ? EntryKind::RegularFile : EntryKind::Other;
#else
    const QFileInfo entry(path);
    if (!entry.exists() && !entry.isSymLink())
        return EntryKind::None;
    return entry.isFile() && !entry.isSymLink() ? EntryKind::RegularFile : EntryKind::Other;
#endif
}

RegularFileRead readRegularFile(const QString& path, qint64 limit)
{
    RegularFileRead result;
    switch (entryAt(path)) {
    case EntryKind::None:
        return result;
    case EntryKind::Other:
        result.outcome = RegularFileRead::NotRegular;
        result.detail = QStringLiteral("not a regular file");
        return result;
    case EntryKind::RegularFile:
        break;
    }
#ifdef Q_OS_UNIX
    // The name may have changed since it was looked at: the open neither
    // follows a link nor waits on a FIFO, and what was opened is checked.
    const int fd = ::open(
        QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        result.outcome = error == ENOENT ? RegularFileRead::Absent
            : error == ELOOP             ? RegularFileRead::NotRegular
                                         : RegularFileRead::Unreadable;
        result.detail = systemWords(error);
        result.permissionDenied = error == EACCES || error == EPERM;
        return result;
    }
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        result.outcome = RegularFileRead::NotRegular;
        result.detail = QStringLiteral("not a regular file");
    } else if (opened.st_size > limit) {
        result.outcome = RegularFileRead::TooLarge;
        result.detail = QStringLiteral("%1 bytes, larger than %2").arg(opened.st_size).arg(limit);
    } else {
        result = readDescriptor(fd, limit);
    }
    ::close(fd);
    return result;
#else
    QFile file(path);
    if (file.size() > limit) {
        result.outcome = RegularFileRead::TooLarge;
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.outcome = RegularFileRead::Unreadable;
        result.detail = file.errorString();
        result.permissionDenied = file.error() == QFileDevice::PermissionsError;
        return result;
    }
    result.bytes = file.read(limit + 1);
    result.outcome
        = result.bytes.size() > limit ? RegularFileRead::TooLarge : RegularFileRead::Read;
    return result;
#endif
}

QString setAside(const QString& path)
{
    const QString kept = path + QStringLiteral(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    if (entryAt(kept) != EntryKind::None)
        return {};
    return renameDurably(path, kept) ? kept : QString();
}
