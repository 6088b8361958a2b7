#include "history/local_socket.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Below 1000 are the system's users (Debian's postgres among them), which
// only the administrator can act as.
bool trustedOwner(uid_t owner)
{
    return owner == 0 || owner == ::geteuid() || owner < 1000;
}

// The group may write where it is root's, or a system user's own group
// (Debian's /run/postgresql is postgres:postgres, mode 2775).
bool trustedGroup(const struct stat& entry)
{
    if (entry.st_gid == 0)
        return true;
    if (entry.st_uid == 0 || entry.st_uid >= 1000)
        return false;
    const struct passwd* owner = ::getpwuid(entry.st_uid);
    return owner && owner->pw_gid == entry.st_gid;
}

enum class FolderTrust { Trusted, Sticky, Untrusted };

// Sticky: others may add names, but not take or replace what is not theirs.
FolderTrust folderTrust(const struct stat& entry)
{
    if (!S_ISDIR(entry.st_mode) || !trustedOwner(entry.st_uid))
        return FolderTrust::Untrusted;
    if ((entry.st_mode & S_IWGRP) && !trustedGroup(entry))
        return FolderTrust::Untrusted;
    if (entry.st_mode & S_IWOTH)
        return (entry.st_mode & S_ISVTX) ? FolderTrust::Sticky : FolderTrust::Untrusted;
    return FolderTrust::Trusted;
}

LocalSocketCheck unsafe(const QString& what)
{
    return { LocalSocketCheck::Unsafe, what };
}

} // namespace

LocalSocketCheck checkLocalSocket(const QString& folder, int port)
{
    struct stat entry;
    if (::lstat(QFile::encodeName(folder).constData(), &entry) != 0) {
        const int error = errno;
        return { LocalSocketCheck::Missing,
            QStringLiteral("socket folder %1: %2")
                .arg(folder, QString::fromLocal8Bit(std::strerror(error))) };
    }
    if (S_ISLNK(entry.st_mode))
        return unsafe(QStringLiteral("socket folder %1 is a link").arg(folder));
    // The folders above it, as they are: /var/run is a link to /run.
    QString above = QFileInfo(QFileInfo(folder).absolutePath()).canonicalFilePath();
    for (; !above.isEmpty(); above = QDir::cleanPath(above + QStringLiteral("/.."))) {
        struct stat parent;
        if (::lstat(QFile::encodeName(above).constData(), &parent) != 0
            || folderTrust(parent) == FolderTrust::Untrusted)
            return unsafe(
                QStringLiteral("%1, above the socket, may be changed by others").arg(above));
        if (above == QStringLiteral("/"))
            break;
    }
    const FolderTrust trust = folderTrust(entry);
    if (trust == FolderTrust::Untrusted)
        return unsafe(QStringLiteral("socket folder %1 may be written by others").arg(folder));
    if (trust == FolderTrust::Trusted)
        return {};
    // Anyone may make a socket in /tmp: only one the server's user made counts.
    const QString socket = QDir(folder).filePath(QStringLiteral(".s.PGSQL.%1").arg(port));
    struct stat made;
    if (::lstat(QFile::encodeName(socket).constData(), &made) != 0)
        return { LocalSocketCheck::Missing, QStringLiteral("no socket %1").arg(socket) };
    if (!S_ISSOCK(made.st_mode) || !trustedOwner(made.st_uid))
        return unsafe(QStringLiteral("socket %1 (owner %2) in a folder anyone may write")
                          .arg(socket)
                          .arg(made.st_uid));
    return {};
}
