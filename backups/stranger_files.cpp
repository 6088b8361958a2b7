#include "backups/stranger_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const char marker[] = ".quorvane-backup";
// More than a year of bills, their PDFs and every other file of a backup.
constexpr int largestTree = 200000;
constexpr int deepestTree = 16;

class Descriptor {
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

int openFolderAt(int parent, const QByteArray& name)
{
    return ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Every entry of an open folder but . and .., in no order.
template <typename Take> bool eachEntry(int folder, Take take)
{
    const int copy = ::dup(folder);
    DIR* dir = copy < 0 ? nullptr : ::fdopendir(copy);
    if (!dir) {
        if (copy >= 0)
            ::close(copy);
        return false;
    }
    bool ok = true;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (!take(name)) {
            ok = false;
            break;
        }
    }
    ::closedir(dir);
    return ok;
}

QString strangeUnder(int folder, const QString& shown, int depth, int* budget)
{
    if (depth > deepestTree)
        return QStringLiteral("%1 is nested too deep").arg(shown);
    QString problem;
    const bool walked = eachEntry(folder, [&](const QByteArray& name) {
        const QString path = shown + QLatin1Char('/') + QFile::decodeName(name);
        struct stat status = {};
        if (--*budget < 0)
            problem = QStringLiteral("%1 holds too many files").arg(shown);
        else if (::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            problem = QStringLiteral("%1 cannot be read").arg(path);
        else if (S_ISLNK(status.st_mode))
            problem = QStringLiteral("%1 is a link").arg(path);
        else if (S_ISDIR(status.st_mode)) {
            const Descriptor child(openFolderAt(folder, name));
            problem = child.get() < 0 ? QStringLiteral("%1 cannot be opened").arg(path)
                                      : strangeUnder(child.get(), path, depth + 1, budget);
        } else if (!S_ISREG(status.st_mode))
            problem = QStringLiteral("%1 is no regular file").arg(path);
        return problem.isEmpty();
    });
    if (!walked && problem.isEmpty())
        problem = QStringLiteral("%1 cannot be listed").arg(shown);
    return problem;
}

// Removes what an open folder holds but `kept`; links are removed, never
// followed.
bool emptyFolder(int folder, int depth, const QByteArray& kept = QByteArray())
{
    if (depth > deepestTree)
        return false;
    bool ok = true;
    eachEntry(folder, [&](const QByteArray& name) {
        if (name == kept)
            return true;
        struct stat status = {};
        if (::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return ok = false;
        if (S_ISDIR(status.st_mode)) {
            const Descriptor child(openFolderAt(folder, name));
            if (child.get() < 0 || !emptyFolder(child.get(), depth + 1)
                || ::unlinkat(folder, name.constData(), AT_REMOVEDIR) != 0)
                ok = false;
        } else if (::unlinkat(folder, name.constData(), 0) != 0) {
            ok = false;
        }
        return true;
    });
    return ok;
}

bool hasMarker(int folder)
{
    struct stat status = {};
    return ::fstatat(folder, marker, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode);
}

} // namespace

PlacePath insideBackup(const QString& backupFolder, const QString& path)
{
    const QFileInfo backup(backupFolder);
    const QFileInfo backups(backup.absolutePath());
    QString inside = backups.fileName() + QLatin1Char('/') + backup.fileName();
    if (!path.isEmpty())
        inside += QLatin1Char('/') + path;
    return { backups.absolutePath(), inside };
}

int openInside(const PlacePath& path, int flags)
{
    Descriptor folder(
        ::open(QFile::encodeName(path.place).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const QStringList parts = path.inside.split(QLatin1Char('/'));
    for (int at = 0; folder.get() >= 0 && at < parts.size(); ++at) {
        const QByteArray name = QFile::encodeName(parts[at]);
        if (name.isEmpty() || name == "." || name == "..") {
            errno = EINVAL;
            return -1;
        }
        if (at + 1 == parts.size())
            return ::openat(folder.get(), name.constData(), flags | O_NOFOLLOW | O_CLOEXEC);
        folder.reset(openFolderAt(folder.get(), name));
    }
    return folder.release();
}

QString strangeEntryUnder(const PlacePath& folder)
{
    const Descriptor root(openInside(folder, O_RDONLY | O_DIRECTORY));
    if (root.get() < 0)
        return QStringLiteral("%1 cannot be opened without following a link: %2")
            .arg(folder.inside, QString::fromLocal8Bit(std::strerror(errno)));
    int budget = largestTree;
    return strangeUnder(root.get(), folder.inside, 0, &budget);
}

RegularFileRead readInside(const PlacePath& path, qint64 limit)
{
    RegularFileRead result;
    const Descriptor fd(openInside(path, O_RDONLY | O_NONBLOCK));
    struct stat status = {};
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0) {
        result.outcome = errno == ENOENT ? RegularFileRead::Absent : RegularFileRead::NotRegular;
        result.detail = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    if (!S_ISREG(status.st_mode)) {
        result.outcome = RegularFileRead::NotRegular;
        return result;
    }
    if (status.st_size > limit) {
        result.outcome = RegularFileRead::TooLarge;
        return result;
    }
    QByteArray bytes(status.st_size, Qt::Uninitialized);
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            result.outcome = RegularFileRead::Unreadable;
            return result;
        }
        done += got;
    }
    result.outcome = RegularFileRead::Read;
    result.bytes = bytes;
    return result;
}

CopiedFile hashInside(const PlacePath& path)
{
    return hashOpenFile(
        openInside(path, O_RDONLY | O_NONBLOCK), QDir(path.place).filePath(path.inside));
}

CopiedFile copyInside(const PlacePath& path, const QString& to, FileSync sync)
{
    return copyOpenFileDurably(
        openInside(path, O_RDONLY | O_NONBLOCK), QDir(path.place).filePath(path.inside), to, sync);
}

bool isRealFolder(const QString& path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool makeMarkedFolder(const QString& path)
{
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0)
        return false;
    const Descriptor folder(::open(
        QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const Descriptor mark(folder.get() < 0
            ? -1
            : ::openat(
                folder.get(), marker, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    return mark.get() >= 0;
}

bool removeMarkedFolder(const QString& parent, const QString& name)
{
    const Descriptor where(::open(
        QFile::encodeName(parent).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (where.get() < 0)
        return false;
    const QByteArray encoded = QFile::encodeName(name);
    const Descriptor folder(openFolderAt(where.get(), encoded));
    if (folder.get() < 0 || !hasMarker(folder.get()))
        return false;
    // A backup's files are read-only, but its folders are the user's. The
    // mark goes last: a folder half removed is still known as ours.
    return emptyFolder(folder.get(), 0, marker) && ::unlinkat(folder.get(), marker, 0) == 0
        && ::unlinkat(where.get(), encoded.constData(), AT_REMOVEDIR) == 0;
}
