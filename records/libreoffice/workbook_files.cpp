#include "records/libreoffice/workbook_files.h"

#include "records/libreoffice/office_process.h"
#include "records/libreoffice/uno_text.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QUrl>

rtl::OUString fileUrl(const QString& path)
{
    return toOUString(
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded));
}

// Too little room for the office's copy of the file: a failed store is
// then put down to the full disk.
bool diskNearlyFull(const QString& path)
{
    const QFileInfo file(path);
    const QStorageInfo disk(file.absolutePath());
    return disk.isValid() && disk.bytesAvailable() < 2 * file.size() + 256 * 1024;
}

// Why a store that the office refused failed, in the terms of the folder.
Failure storeFailure(const QString& path, const QString& detail)
{
    if (!QFileInfo(QFileInfo(path).absolutePath()).isWritable())
        return Failure(FailureCause::FolderNotWritable, path, detail);
    if (diskNearlyFull(path))
        return Failure(FailureCause::DiskFull, path, detail);
    return Failure(FailureCause::Other, path, detail);
}

QString lockFilePath(const QString& path)
{
    const QFileInfo file(path);
    return file.dir().filePath(QStringLiteral(".~lock.%1#").arg(file.fileName()));
}

std::optional<QByteArray> lockFileText(const QString& lockFile)
{
    QFile lock(lockFile);
    if (!lock.open(QIODevice::ReadOnly))
        return std::nullopt;
    return lock.readAll();
}

// A lock left by an office of ours that was killed names our profile; no
// document of ours is open between passes, so such a lock is stale.
void removeOwnStaleLock(const QString& path, const QString& profileUrl, OfficeProcess& office)
{
    const QString lock = lockFilePath(path);
    const std::optional<QByteArray> text = lockFileText(lock);
    if (!text)
        return;
    const QString content = QString::fromUtf8(*text);
    const QDateTime made = QFileInfo(lock).lastModified();
    // An office killed while it made the lock leaves it empty or half
    // written: a lock that has stayed empty for seconds has no owner, and
    // one made in the pass our office died in is its own.
    const bool ownerless = content.isEmpty() && made.secsTo(QDateTime::currentDateTime()) >= 2;
    if (office.diedMakingLock(path, made) || content.contains(profileUrl) || ownerless)
        QFile::remove(lock);
}
