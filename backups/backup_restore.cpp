#include "backups/backup_restore.h"

#include "backups/backup_manifest.h"
#include "backups/backup_plan.h"
#include "backups/backup_settings.h"
#include "backups/history_check.h"
#include "backups/stranger_files.h"
#include "support/durable_copy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

constexpr qint64 largestJournal = 16 * 1024 * 1024;

RestoreOutcome refused(const QString& cause, const QString& detail)
{
    RestoreOutcome outcome;
    outcome.refused = true;
    outcome.cause = cause;
    outcome.detail = detail;
    return outcome;
}

QString staged(const QString& target)
{
    return target + QStringLiteral(".restoring");
}

// A file of the backup copied beside its place and checked against the
// manifest: what was checked is what goes in.
QString stage(const QString& backupFolder, const ManifestEntry& entry, const QString& target)
{
    if (!makePrivateFolder(QFileInfo(target).absolutePath()))
        return QStringLiteral("cannot make the folder of %1").arg(target);
    const CopiedFile copied = copyInside(insideBackup(backupFolder, entry.path), staged(target));
    if (!copied.ok())
        return copied.result.logText();
    if (copied.sha256 != entry.sha256 || copied.size != entry.size) {
        QFile::remove(staged(target));
        return QStringLiteral("%1 changed while it was restored").arg(entry.path);
    }
    return QString();
}

// The history goes in whole with no WAL of the store it replaces: a stale
// WAL would be replayed into the restored file.
bool putInPlace(const QString& target, bool history)
{
    if (history)
        for (const char* suffix : { "-wal", "-shm", "-journal" })
            QFile::remove(target + QLatin1String(suffix));
    if (::rename(
            QFile::encodeName(staged(target)).constData(), QFile::encodeName(target).constData())
            != 0
        || !syncFolderOf(QFileInfo(target).absolutePath())) {
        QFile::remove(staged(target));
        return false;
    }
    return true;
}

struct Chosen {
    ManifestEntry entry;
    QString target;
};

} // namespace

RestoreOutcome restoreBackup(
    const QString& backupFolder, const BackupSources& sources, const RestoreOptions& options)
{
    QList<ManifestEntry> entries;
    const QString strange = strangeEntryUnder(insideBackup(backupFolder));
    if (!strange.isEmpty())
        return refused(QStringLiteral("其中有链接或特殊文件，可能被别人改过"),
            QStringLiteral("backup %1: %2").arg(backupFolder, strange));
    const Done verified = verifyBackupFiles(backupFolder);
    if (!verified || !readManifest(backupFolder, &entries))
        return refused(QStringLiteral("其中的文件与备份清单不符"),
            QStringLiteral("backup %1 is damaged at %2").arg(backupFolder, verified.path()));
    QList<Chosen> chosen;
    for (const ManifestEntry& entry : entries) {
        const QString target = restoredPath(entry.path, sources);
        if ((options.onlyPath.isEmpty() || entry.path == options.onlyPath) && !target.isEmpty())
            chosen.append({ entry, target });
    }
    RestoreOutcome outcome;
    // The history first, checked in its copy: a backup whose history is
    // not the program's own is refused before any file is touched.
    for (const Chosen& file : chosen) {
        if (file.entry.path != historyPath())
            continue;
        QString error = stage(backupFolder, file.entry, file.target);
        if (!error.isEmpty()) {
            outcome.failedPath = file.entry.path;
            outcome.detail = error;
            return outcome;
        }
        const HistoryCheck check
            = checkHistoryFile(staged(file.target), QDeadlineTimer(60000), options.stop);
        if (!check.sound()) {
            QFile::remove(staged(file.target));
            return refused(check.outcome == HistoryCheck::TimedOut
                    ? QStringLiteral("其中的历史记录无法在规定时间内检查完")
                    : QStringLiteral("其中的历史记录不是本程序建立的，或已损坏"),
                QStringLiteral("backup %1: history %2").arg(backupFolder, check.cause));
        }
        outcome.loads = check.loads;
    }
    for (const Chosen& file : chosen) {
        const bool history = file.entry.path == historyPath();
        if (options.takeJournal && file.entry.path == journalPath()) {
            const RegularFileRead read
                = readInside(insideBackup(backupFolder, file.entry.path), largestJournal);
            outcome.journal = read.bytes;
            outcome.restored.append(file.entry.path);
            continue;
        }
        const QString error = history ? QString() : stage(backupFolder, file.entry, file.target);
        if (!error.isEmpty() || !putInPlace(file.target, history)) {
            outcome.failedPath = file.entry.path;
            outcome.detail = error.isEmpty()
                ? QStringLiteral("cannot rename into %1").arg(file.target)
                : error;
            return outcome;
        }
        outcome.restored.append(file.entry.path);
    }
    if (!options.settingsGroups.isEmpty() && !options.settingsFile.isEmpty()) {
        const RegularFileRead ini
            = readInside(insideBackup(backupFolder, settingsInBackup()), largestSettings());
        if (ini.outcome != RegularFileRead::Read
            || !restoreSettingsGroups(ini.bytes, options.settingsFile, options.settingsGroups)) {
            outcome.failedPath = settingsInBackup();
            outcome.detail
                = QStringLiteral("settings not restored into %1").arg(options.settingsFile);
            return outcome;
        }
        outcome.restored.append(settingsInBackup());
    }
    return outcome;
}
