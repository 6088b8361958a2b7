#include "app/private_files.h"

#include "app/tally_program.h"
#include "records/bill_archive.h"
#include "unit_prices/price_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX

bool isFileOrFolder(mode_t mode)
{
    return S_ISREG(mode) || S_ISDIR(mode);
}

// The entry is opened (never through a link, never waiting on a FIFO) and
// what was opened is changed, so a name swapped in between is left alone.
bool tighten(const QString& path, bool followLink)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat entry;
    if ((followLink ? ::stat(name.constData(), &entry) : ::lstat(name.constData(), &entry)) != 0
        || !isFileOrFolder(entry.st_mode) || (entry.st_mode & (S_IRWXG | S_IRWXO)) == 0)
        return false;
    const int fd = ::open(
        name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return false;
    struct stat opened;
    const bool changed = ::fstat(fd, &opened) == 0 && isFileOrFolder(opened.st_mode)
        && opened.st_uid == ::geteuid() && ::fchmod(fd, opened.st_mode & S_IRWXU) == 0;
    ::close(fd);
    return changed;
}

#else

bool tighten(const QString&, bool)
{
    return false;
}

#endif

// The backups are made private when they are made, and may hold hundreds of
// thousands of entries: the start does not walk them.
const QString backupsFolderName = QStringLiteral("备份");

int tightenEntries(const QString& folder)
{
    int changed = 0;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        changed += tighten(entry.filePath(), false) ? 1 : 0;
        if (entry.isDir() && !entry.isSymLink() && entry.fileName() != backupsFolderName)
            changed += tightenEntries(entry.filePath());
    }
    return changed;
}

// `rootMayBeLink`: the data folders may be links the user made to another
// disk; the bill archive is never written through one, so never walked.
int tightenTree(const QString& root, bool rootMayBeLink = true)
{
    const QFileInfo folder(root);
    if (root.isEmpty() || !folder.isDir() || (!rootMayBeLink && folder.isSymLink()))
        return 0;
    return (tighten(root, rootMayBeLink) ? 1 : 0) + tightenEntries(root);
}

bool sameFolder(const QString& first, const QString& second)
{
    return QFileInfo(first).canonicalFilePath() == QFileInfo(second).canonicalFilePath();
}

} // namespace

void makeNewFilesPrivate()
{
#ifdef Q_OS_UNIX
    ::umask(S_IRWXG | S_IRWXO);
#endif
}

int tightenPrivateFiles(const TallyFolders& folders, const QString& cache)
{
    int changed = 0;
    const QSet<QString> trees { QDir::cleanPath(folders.journal), QDir::cleanPath(folders.history),
        QDir::cleanPath(folders.config), QDir::cleanPath(cache) };
    for (const QString& tree : trees)
        changed += tightenTree(tree);
    for (int group = 0; group < priceGroupCount; ++group)
        changed += tighten(priceFilePath(folders.prices, group), false) ? 1 : 0;

    // The executable's folder holds the program itself.
    const QDir workbooks(folders.program);
    if (!sameFolder(folders.program, QCoreApplication::applicationDirPath()))
        changed += tighten(folders.program, true) ? 1 : 0;
    for (const QString& name :
        workbooks.entryList({ QStringLiteral("*.xls") }, QDir::Files | QDir::Hidden))
        changed += tighten(workbooks.filePath(name), false) ? 1 : 0;
    changed += tightenTree(billArchiveFolder(folders.program), false);
    return changed;
}
