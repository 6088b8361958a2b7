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

Failure notWrittenBack(const QString& path, const QString& detail)
{
    return Failure(FailureCause::NotWritable, path, detail);
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

Result<RestoredBooks> restoreBackup(
    const QString& backupFolder, const BackupSources& sources, const RestoreOptions& options)
{
    const QString strange = strangeEntryUnder(insideBackup(backupFolder));
    if (!strange.isEmpty())
        return Failure(FailureCause::BackupHasLinks, backupFolder, strange);
    const Done verified = verifyBackupFiles(backupFolder);
    if (!verified)
        return Failure(FailureCause::BackupMismatch, backupFolder,
            QStringLiteral("damaged at %1").arg(verified.path()));
    const Result<QList<ManifestEntry>> entries = readManifest(backupFolder);
    if (!entries)
        return entries.error();
    QList<Chosen> chosen;
    for (const ManifestEntry& entry : *entries) {
        const QString target = restoredPath(entry.path, sources);
        if ((options.onlyPath.isEmpty() || entry.path == options.onlyPath) && !target.isEmpty())
            chosen.append({ entry, target });
    }
    RestoredBooks outcome;
    // The history first, checked in its copy: a backup whose history is
    // not the program's own is refused before any file is touched.
    for (const Chosen& file : chosen) {
        if (file.entry.path != historyPath())
            continue;
        const QString error = stage(backupFolder, file.entry, file.target);
        if (!error.isEmpty())
            return notWrittenBack(file.entry.path, error);
        const Result<qint64> loads
            = checkHistoryFile(staged(file.target), QDeadlineTimer(60000), options.stop);
        if (!loads) {
            QFile::remove(staged(file.target));
            return Failure(loads.error().cause(), backupFolder,
                QStringLiteral("history %1").arg(loads.error().detail()));
        }
        outcome.loads = *loads;
    }
    for (const Chosen& file : chosen) {
        const bool history = file.entry.path == historyPath();
        if (options.takeJournal && file.entry.path == journalPath()) {
            const RegularFileRead read
                = readInside(insideBackup(backupFolder, file.entry.path), largestJournal);
            outcome.journal = read.bytes;
            outcome.files.append(file.entry.path);
            continue;
        }
        const QString error = history ? QString() : stage(backupFolder, file.entry, file.target);
        if (!error.isEmpty() || !putInPlace(file.target, history))
            return notWrittenBack(file.entry.path,
                error.isEmpty() ? QStringLiteral("cannot rename into %1").arg(file.target) : error);
        outcome.files.append(file.entry.path);
    }
    if (!options.settingsGroups.isEmpty() && !options.settingsFile.isEmpty()) {
        const RegularFileRead ini
            = readInside(insideBackup(backupFolder, settingsInBackup()), largestSettings());
        if (ini.outcome != RegularFileRead::Read
            || !restoreSettingsGroups(ini.bytes, options.settingsFile, options.settingsGroups))
            return notWrittenBack(settingsInBackup(),
                QStringLiteral("settings not restored into %1").arg(options.settingsFile));
        outcome.files.append(settingsInBackup());
    }
    return outcome;
}
