#include "backups/backup_store.h"

#include "backups/backup_history.h"
#include "backups/backup_manifest.h"
#include "backups/backup_plan.h"
#include "backups/backup_rotation.h"
#include "backups/backup_settings.h"
#include "backups/history_check.h"
#include "backups/ledger_rows.h"
#include "backups/stranger_files.h"
#include "support/durable_copy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <cerrno>

namespace {

const QString timeFormat = QStringLiteral("yyyy-MM-dd-HHmmss");

Failure failure(FailureCause cause, const QString& detail)
{
    return Failure(cause, QString(), detail);
}

// What a place's disk said; any other cause is the backup's own.
FailureCause placeFailure(const Done& result)
{
    switch (result.cause()) {
    case FailureCause::DiskFull:
    case FailureCause::NotWritable:
    case FailureCause::FolderMissing:
        return result.cause();
    default:
        return FailureCause::Other;
    }
}

// The backups folder of a place, made when missing; never through a link.
Done preparePlace(const QString& place)
{
    if (!QFileInfo(place).isDir())
        return failure(FailureCause::FolderMissing, QStringLiteral("no folder %1").arg(place));
    const QString folder = backupFolderIn(place);
    if (backupFolderIsLink(place))
        return failure(FailureCause::Link, QStringLiteral("%1 is a link").arg(folder));
    if (!makePrivateFolder(folder) || !isRealFolder(folder) || !QFileInfo(folder).isWritable())
        return failure(FailureCause::NotWritable, QStringLiteral("cannot write %1").arg(folder));
    return {};
}

bool removeFolder(const QString& folder)
{
    return removeMarkedFolder(QFileInfo(folder).absolutePath(), QFileInfo(folder).fileName());
}

// Each file's hash in the newest backup of the place, to link bills again.
QHash<QString, ManifestEntry> entriesOf(const QString& backup)
{
    QHash<QString, ManifestEntry> entries;
    if (backup.isEmpty())
        return entries;
    if (const Result<QList<ManifestEntry>> list = readManifest(backup))
        for (const ManifestEntry& entry : *list)
            entries.insert(entry.path, entry);
    return entries;
}

QString uniqueName(const QString& backups, QDateTime time)
{
    while (QFileInfo::exists(QDir(backups).filePath(backupName(time)))
        || QFileInfo::exists(QDir(backups).filePath(QLatin1Char('.') + backupName(time))))
        time = time.addSecs(1);
    return backupName(time);
}

CopiedFile copyOne(const PlannedFile& file, const QString& target,
    const QHash<QString, ManifestEntry>& earlier, const QString& earlierFolder)
{
    if (file.history) {
        CopiedFile copied;
        copied.result = copyHistory(file.source, target);
        return copied.ok() ? hashRegularFile(target) : copied;
    }
    if (file.archived && earlier.contains(file.path)) {
        const QByteArray sha256 = earlier.value(file.path).sha256;
        const CopiedFile source = hashRegularFile(file.source);
        if (source.ok() && source.sha256 == sha256) {
            const CopiedFile linked
                = linkOrCopy(QDir(earlierFolder).filePath(file.path), target, FileSync::Later);
            // An earlier copy damaged since would pass on as verified.
            if (!linked.ok() || linked.sha256 == sha256)
                return linked;
            QFile::remove(target);
        }
    }
    return copyFileDurably(file.source, target, FileSync::Later);
}

// The history copy and the workbooks, checked beyond their hashes: the
// loads of the history (-1 without one), or why the copy is no backup.
Result<qint64> checkContents(const QString& folder, const QList<ManifestEntry>& entries)
{
    qint64 loads = -1;
    for (const ManifestEntry& entry : entries) {
        const QString path = QDir(folder).filePath(entry.path);
        if (entry.path == historyPath()) {
            const Result<qint64> checked = checkHistoryFile(path, QDeadlineTimer(120000));
            if (!checked)
                return Failure(FailureCause::Damaged, folder,
                    QStringLiteral("history copy fails its check: %1")
                        .arg(checked.error().detail()));
            loads = *checked;
        } else if (isWorkbookPath(entry.path) && !looksLikeExcel97(path)) {
            return Failure(FailureCause::Damaged, folder,
                QStringLiteral("%1 is no Excel 97 workbook").arg(entry.path));
        }
    }
    return loads;
}

// Where it came from, listed with its files.
bool addOrigin(const QString& partial, qint64 loads, QList<ManifestEntry>* entries)
{
    for (const ManifestEntry& entry : *entries)
        if (entry.path == originPath())
            return true;
    BackupOrigin origin = thisOrigin();
    origin.loads = qMax<qint64>(loads, 0);
    origin.bills = billCount(*entries);
    const QString path = QDir(partial).filePath(originPath());
    if (!writeFileDurably(path, originText(origin)).ok())
        return false;
    const CopiedFile written = hashRegularFile(path);
    if (!written.ok())
        return false;
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    entries->append({ originPath(), written.sha256, written.size });
    return true;
}

// Writes the lists, verifies, and gives the folder its name.
BackupOutcome finish(const QString& partial, const QString& final, QList<ManifestEntry> entries)
{
    const Result<qint64> loads = checkContents(partial, entries);
    if (!loads)
        return failure(FailureCause::Damaged, loads.error().detail());
    if (!addOrigin(partial, *loads, &entries))
        return failure(FailureCause::NotWritable,
            QStringLiteral("cannot write %1 in %2").arg(originPath(), partial));
    for (const auto& [name, text] : { std::pair(QStringLiteral("sizes.txt"), sizesText(entries)),
             std::pair(QStringLiteral("manifest.sha256"), manifestText(entries)) }) {
        const Done written = writeFileDurably(QDir(partial).filePath(name), text);
        if (!written.ok())
            return failure(placeFailure(written), written.logText());
    }
    // One sync for all files: until the folder gets its name below, a
    // crash leaves an unfinished backup that the next one removes.
    if (!syncFileSystemOf(partial))
        return failure(FailureCause::Other, QStringLiteral("cannot sync %1").arg(partial));
    if (const Done verified = verifyBackupFiles(partial); !verified)
        return failure(
            FailureCause::Damaged, QStringLiteral("%1 reads back wrong").arg(verified.path()));
    if (!renameDurably(partial, final))
        return failure(FailureCause::Other, QStringLiteral("cannot name %1").arg(final));
    BackupInfo backup;
    backup.folder = final;
    backup.name = QFileInfo(final).fileName();
    backup.time = QDateTime::fromString(backup.name, timeFormat);
    backup.place = QFileInfo(final).absolutePath();
    backup.loads = *loads;
    backup.ledgerRows = postedLedgerRows(QDir(final).filePath(ledgerInBackup()));
    for (const ManifestEntry& entry : entries) {
        backup.files.append(entry.path);
        backup.size += entry.size;
    }
    return backup;
}

// Copies every planned file into `partial`, then finishes the backup.
BackupOutcome fill(const QList<PlannedFile>& files, const QString& partial, const QString& final,
    const QString& place)
{
    // Only the newest backup's list is read: a year keeps twenty or more.
    const QList<BackupInfo> backups = backupsByName(place);
    // A backup with a link in it lends nothing.
    QString earlierFolder = backups.isEmpty() ? QString() : backups.first().folder;
    if (!earlierFolder.isEmpty() && !strangeEntryUnder(insideBackup(earlierFolder)).isEmpty())
        earlierFolder.clear();
    const QHash<QString, ManifestEntry> earlier = entriesOf(earlierFolder);
    QList<ManifestEntry> entries;
    for (const PlannedFile& file : files) {
        const QString target = QDir(partial).filePath(file.path);
        if (!makePrivateFolder(QFileInfo(target).absolutePath()))
            return failure(FailureCause::NotWritable, QStringLiteral("cannot make %1").arg(target));
        const CopiedFile copied = copyOne(file, target, earlier, earlierFolder);
        if (!copied.ok())
            return failure(placeFailure(copied.result), copied.result.logText());
        // Read-only: a backup's bill may be shared with the next backup by
        // a hard link, so one changed by hand would damage both.
        QFile::setPermissions(target, QFileDevice::ReadOwner);
        entries.append({ file.path, copied.sha256, copied.size });
    }
    return finish(partial, final, entries);
}

} // namespace

QString backupFolderIn(const QString& place)
{
    return QDir(place).filePath(QStringLiteral("备份"));
}

QString backupName(const QDateTime& time)
{
    return time.toString(timeFormat);
}

BackupOutcome takeBackup(const BackupSources& sources, const QString& place, const QDateTime& now)
{
    if (const Done prepared = preparePlace(place); !prepared)
        return prepared.error();
    const QString backups = backupFolderIn(place);
    const QString name = uniqueName(backups, now);
    const QString partial = QDir(backups).filePath(QLatin1Char('.') + name);
    if (!makeMarkedFolder(partial))
        return failure(FailureCause::NotWritable, QStringLiteral("cannot make %1").arg(partial));
    BackupOutcome outcome = fill(planBackup(sources), partial, QDir(backups).filePath(name), place);
    if (!outcome.ok())
        removeFolder(partial);
    return outcome;
}

BackupOutcome copyBackup(const BackupInfo& backup, const QString& place)
{
    if (const Done prepared = preparePlace(place); !prepared)
        return prepared.error();
    const QString strange = strangeEntryUnder(insideBackup(backup.folder));
    const Result<QList<ManifestEntry>> entries = readManifest(backup.folder);
    if (!strange.isEmpty() || !entries)
        return failure(FailureCause::Damaged,
            QStringLiteral("%1 has no manifest or a link: %2").arg(backup.folder, strange));
    QList<PlannedFile> files;
    for (const ManifestEntry& entry : *entries)
        files.append({ QDir(backup.folder).filePath(entry.path), entry.path, false, true });
    const QString backups = backupFolderIn(place);
    const QString partial = QDir(backups).filePath(QLatin1Char('.') + backup.name);
    removeFolder(partial);
    if (!makeMarkedFolder(partial))
        return failure(FailureCause::NotWritable, QStringLiteral("cannot make %1").arg(partial));
    BackupOutcome outcome = fill(files, partial, QDir(backups).filePath(backup.name), place);
    if (!outcome.ok())
        removeFolder(partial);
    return outcome;
}

bool backupFolderIsLink(const QString& place)
{
    const QString folder = backupFolderIn(place);
    return QFileInfo(folder).isSymLink() || (QFileInfo::exists(folder) && !isRealFolder(folder));
}

QList<BackupInfo> backupsByName(const QString& place)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}-\\d{6}$"));
    QList<BackupInfo> list;
    if (backupFolderIsLink(place))
        return list;
    const QDir folder(backupFolderIn(place));
    const QStringList names = folder.entryList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name | QDir::Reversed);
    for (const QString& name : names) {
        const QDateTime time = QDateTime::fromString(name, timeFormat);
        if (pattern.match(name).hasMatch() && time.isValid())
            list.append({ folder.filePath(name), name, time, folder.absolutePath() });
    }
    return list;
}

namespace {

constexpr int checkMs = 4000; // one backup's history: a year's takes well under a second

void markDamaged(BackupInfo* info, const QString& cause)
{
    info->damaged = true;
    info->cause = cause;
}

// What the window shows of a backup beyond its lists: its hashes, its
// history and its ledger's rows.
void verifyListed(BackupInfo* info, QDeadlineTimer deadline, const std::atomic<bool>* stop)
{
    if (const Done verified = verifyBackupFiles(info->folder, deadline); !verified) {
        if (verified.cause() != FailureCause::TimedOut)
            return markDamaged(
                info, QStringLiteral("%1 does not match its manifest").arg(verified.path()));
        info->unchecked = true;
        info->cause = QStringLiteral("its files were not hashed in time");
        return;
    }
    if (info->files.contains(historyPath())) {
        const Result<qint64> loads = checkHistoryFile(QDir(info->folder).filePath(historyPath()),
            QDeadlineTimer(qMin<qint64>(checkMs, deadline.remainingTime())), stop);
        if (!loads && loads.error().cause() == FailureCause::TimedOut) {
            info->unchecked = true;
            info->cause = loads.error().detail();
            return;
        }
        if (!loads)
            return markDamaged(info, QStringLiteral("history: %1").arg(loads.error().detail()));
        info->loads = *loads;
    }
    const RegularFileRead ledger
        = readInside(insideBackup(info->folder, ledgerInBackup()), largestLedger());
    info->ledgerRows
        = ledger.outcome == RegularFileRead::Read ? postedLedgerRows(ledger.bytes) : -1;
}

} // namespace

QList<BackupInfo> listBackups(
    const QString& place, bool verify, QDeadlineTimer deadline, const std::atomic<bool>* stop)
{
    QList<BackupInfo> list = backupsByName(place);
    for (BackupInfo& info : list) {
        if (deadline.hasExpired() || (stop && stop->load())) {
            info.unchecked = true;
            info.cause = QStringLiteral("not checked in time");
            continue;
        }
        const QString strange = strangeEntryUnder(insideBackup(info.folder));
        if (!strange.isEmpty()) {
            markDamaged(&info, strange);
            continue;
        }
        const Result<QList<ManifestEntry>> entries = readManifest(info.folder);
        if (!entries) {
            markDamaged(&info, QStringLiteral("its manifest does not read"));
            continue;
        }
        for (const ManifestEntry& entry : *entries) {
            info.size += entry.size;
            info.files.append(entry.path);
        }
        if (info.files.contains(originPath()))
            info.origin
                = parseOrigin(readInside(insideBackup(info.folder, originPath()), 64 * 1024).bytes);
        if (info.files.contains(settingsInBackup()))
            info.settingsGroups = offeredSettingsGroups(
                readInside(insideBackup(info.folder, settingsInBackup()), largestSettings()).bytes);
        if (verify)
            verifyListed(&info, deadline, stop);
    }
    return list;
}

int rotateBackups(const QString& place, const QDateTime& now)
{
    const QList<BackupInfo> backups = listBackups(place, false);
    // Backups of empty books rotate among themselves: a start with the
    // books gone never pushes out the backups that held them.
    QList<QDateTime> held, empty;
    for (const BackupInfo& backup : backups)
        if (!backup.damaged)
            (backup.origin.emptyBooks() ? empty : held).append(backup.time);
    const QList<QDateTime> kept = backupsToKeep(held, now) + backupsToKeep(empty, now);
    int removed = 0;
    // Damaged backups stay for the clerk to see; only sound ones rotate.
    for (const BackupInfo& backup : backups)
        if (!backup.damaged && !kept.contains(backup.time) && removeFolder(backup.folder))
            ++removed;
    return removed;
}

void removeUnfinishedBackups(const QString& place)
{
    if (backupFolderIsLink(place))
        return;
    const QDir folder(backupFolderIn(place));
    const QStringList names = folder.entryList({ QStringLiteral(".*") },
        QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QString& name : names)
        removeMarkedFolder(folder.absolutePath(), name);
}
