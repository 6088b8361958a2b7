#include "backups/backup_restore.h"

#include "backups/backup_history.h"
#include "backups/backup_manifest.h"
#include "backups/backup_plan.h"
#include "support/durable_copy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

// The history goes in whole with no WAL of the store it replaces: a stale
// WAL would be replayed into the restored file.
QString restoreHistory(const QString& from, const QString& to)
{
    const QString staged = to + QStringLiteral(".restoring");
    const CopiedFile copied = copyFileDurably(from, staged);
    if (!copied.ok())
        return copied.result.logText();
    for (const char* suffix : { "-wal", "-shm", "-journal" })
        QFile::remove(to + QLatin1String(suffix));
    if (::rename(QFile::encodeName(staged).constData(), QFile::encodeName(to).constData()) != 0
        || !syncFolderOf(QFileInfo(to).absolutePath())) {
        QFile::remove(staged);
        return QStringLiteral("cannot rename %1").arg(staged);
    }
    return QString();
}

QString restoreFile(const QString& from, const QString& to, bool history)
{
    if (!makePrivateFolder(QFileInfo(to).absolutePath()))
        return QStringLiteral("cannot make the folder of %1").arg(to);
    if (history)
        return restoreHistory(from, to);
    const CopiedFile copied = copyFileDurably(from, to);
    return copied.ok() ? QString() : copied.result.logText();
}

} // namespace

RestoreOutcome restoreBackup(
    const QString& backupFolder, const BackupSources& sources, const QString& onlyPath)
{
    RestoreOutcome outcome;
    QList<ManifestEntry> entries;
    QString damaged;
    if (!readManifest(backupFolder, &entries) || !verifyBackupFiles(backupFolder, &damaged)) {
        outcome.refused = true;
        outcome.detail = QStringLiteral("backup %1 is damaged at %2").arg(backupFolder, damaged);
        return outcome;
    }
    for (const ManifestEntry& entry : entries) {
        if (!onlyPath.isEmpty() && entry.path != onlyPath)
            continue;
        // A lock an older backup took belonged to the program that held it
        // then; the one running now keeps its own.
        if (entry.path.endsWith(QLatin1String(".lock")))
            continue;
        const QString target = restoredPath(entry.path, sources);
        if (target.isEmpty())
            continue;
        const QString error = restoreFile(
            QDir(backupFolder).filePath(entry.path), target, entry.path == historyPath());
        if (!error.isEmpty()) {
            outcome.failedPath = entry.path;
            outcome.detail = error;
            return outcome;
        }
        outcome.restored.append(entry.path);
        if (entry.path == historyPath())
            outcome.loads = historyLoads(QDir(backupFolder).filePath(entry.path));
    }
    return outcome;
}
