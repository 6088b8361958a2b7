#include "support/durable_file.h"

#include "support/regular_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// A rename is on the disk only once its folder is.
bool syncFolder(const QString& folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
#else
    Q_UNUSED(folder);
    return true;
#endif
}

bool keepPrivate(QSaveFile& file)
{
#ifdef Q_OS_UNIX
    return ::fchmod(file.handle(), S_IRUSR | S_IWUSR) == 0;
#else
    Q_UNUSED(file);
    return true;
#endif
}

bool syncFile(QSaveFile& file)
{
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#else
    Q_UNUSED(file);
    return true;
#endif
}

// The system's error number where there is one; otherwise what the folder
// and the disk show now.
FailureCause failureCause(const QString& path, int systemError, qint64 size)
{
    const QFileInfo target(path);
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir())
        return FailureCause::FolderMissing;
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
        return FailureCause::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return FailureCause::NotWritable;
    default:
        break;
    }
    if (!folder.isWritable() || (target.exists() && !target.isDir() && !target.isWritable()))
        return FailureCause::NotWritable;
    const QStorageInfo disk(folder.absoluteFilePath());
    if (disk.isValid() && disk.bytesAvailable() < size + 64 * 1024)
        return FailureCause::DiskFull;
    return FailureCause::Other;
}

} // namespace

DurableFile::DurableFile(const QString& path)
    : m_path(path)
    , m_file(std::make_unique<QSaveFile>(path))
{
}

// QSaveFile discards a file still open.
DurableFile::~DurableFile() = default;

Done DurableFile::write(const QByteArray& bytes)
{
    m_size = bytes.size();
    // QSaveFile would write to where a link points; anything else there
    // (a folder, a FIFO, a device) is not ours to replace.
    if (entryAt(m_path) == EntryKind::Other)
        return Done(FailureCause::NotAFile, m_path, QStringLiteral("open: not a regular file"));
    errno = 0;
    if (!m_file->open(QIODevice::WriteOnly))
        return failed(QStringLiteral("open"), errno);
    // QSaveFile gives a new file the umask's mode and an old one its mode.
    if (!keepPrivate(*m_file))
        return failed(QStringLiteral("chmod"), errno);
    if (m_file->write(bytes) != bytes.size())
        return failed(QStringLiteral("write"), errno);
    // QSaveFile buffers, and commits even after a failed flush (a full disk
    // would then leave an empty file): each step is checked here.
    if (!m_file->flush() || m_file->error() != QFileDevice::NoError)
        return failed(QStringLiteral("flush"), errno);
    if (!syncFile(*m_file))
        return failed(QStringLiteral("sync"), errno);
    return {};
}

Done DurableFile::commit()
{
    if (!m_file->isOpen())
        return Done(FailureCause::Other, m_path, QStringLiteral("commit: nothing written"));
    errno = 0;
    if (!m_file->commit())
        return failed(QStringLiteral("commit"), errno);
    if (!syncFolder(QFileInfo(m_path).absolutePath()))
        return failed(QStringLiteral("sync folder"), errno);
    return {};
}

Done DurableFile::failed(const QString& step, int systemError)
{
    const QString words = m_file->error() != QFileDevice::NoError
        ? m_file->errorString()
        : QString::fromLocal8Bit(std::strerror(systemError));
    const FailureCause cause = failureCause(m_path, systemError, m_size);
    m_file->cancelWriting();
    return Done(cause, m_path, step + QStringLiteral(": ") + words);
}

Done writeFileDurably(const QString& path, const QByteArray& bytes)
{
    DurableFile file(path);
    const Done written = file.write(bytes);
    return written.ok() ? file.commit() : written;
}

Done createFileDurably(const QString& path, const QByteArray& bytes)
{
    QTemporaryFile file(QFileInfo(path).dir().filePath(QStringLiteral(".quorvane-new-XXXXXX")));
    const auto failed = [&](const QString& step) {
        const int error = errno;
        return Done(failureCause(path, error, bytes.size()), path,
            step + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
    };
    errno = 0;
    if (!file.open())
        return failed(QStringLiteral("open"));
    if (file.write(bytes) != bytes.size() || !file.flush())
        return failed(QStringLiteral("write"));
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0)
        return failed(QStringLiteral("sync"));
#endif
    if (!file.seek(0) || file.readAll() != bytes)
        return Done(FailureCause::Other, path, QStringLiteral("the copy reads back differently"));
    // A hard link takes the name only where it is free; the temporary name
    // goes with the QTemporaryFile.
    if (::link(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData())
        != 0)
        return failed(QStringLiteral("name"));
    if (!syncFolder(QFileInfo(path).absolutePath()))
        return failed(QStringLiteral("sync folder"));
    return {};
}

bool renameDurably(const QString& from, const QString& to)
{
#ifdef Q_OS_UNIX
    // rename(2) moves a link itself; QFile::rename looks through it and
    // refuses a dangling one.
    const bool renamed
        = ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#else
    const bool renamed = QFile::rename(from, to);
#endif
    return renamed && syncFolder(QFileInfo(to).absolutePath());
}

Done removeFileDurably(const QString& path)
{
    const auto failed = [&path](const QString& step, int error) {
        return Done(failureCause(path, error, 0), path,
            step + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
    };
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat entry;
    if (::lstat(name.constData(), &entry) != 0)
        return errno == ENOENT ? Done() : failed(QStringLiteral("lstat"), errno);
    if (S_ISDIR(entry.st_mode))
        return Done(FailureCause::NotAFile, path, QStringLiteral("remove: a folder"));
    if (::unlink(name.constData()) != 0)
        return failed(QStringLiteral("remove"), errno);
    if (!syncFolder(QFileInfo(path).absolutePath()))
        return failed(QStringLiteral("sync folder"), errno);
#else
    if (QFileInfo(path).isDir())
        return Done(FailureCause::NotAFile, path, QStringLiteral("remove: a folder"));
    if (!QFile::remove(path) && QFileInfo::exists(path))
        return failed(QStringLiteral("remove"), errno);
#endif
    return {};
}

int removeLeftoverWrites(const QString& path)
{
    const QFileInfo target(path);
    // QSaveFile's temporary file: the target's name and six characters.
    const QRegularExpression temporary(
        QStringLiteral("^%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(target.fileName())));
    QDir folder(target.absolutePath());
    int removed = 0;
    const QStringList names = folder.entryList(
        { target.fileName() + QStringLiteral(".*") }, QDir::Files | QDir::Hidden);
    for (const QString& name : names)
        if (temporary.match(name).hasMatch() && folder.remove(name))
            ++removed;
    return removed;
}
