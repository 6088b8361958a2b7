#include "backups/backup_service.h"

#include "backups/backup_manifest.h"
#include "backups/backup_plan.h"
#include "backups/history_check.h"
#include "backups/ledger_rows.h"
#include "backups/restore_summary.h"
#include "backups/stranger_files.h"
#include "support/durable_copy.h"
#include "support/event_log.h"
#include "support/failure_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QSettings>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace {

const QString secondPlaceKey = QStringLiteral("backup/second_place");

// Every file the job copies or hashes stops at its next chunk once `stop`
// is set, so the program's end never waits for a backup of gigabytes.
template <typename Value, typename Job, typename Finish>
void runOnWorker(QObject* owner, QThreadPool* pool, std::shared_ptr<std::atomic<bool>> stop,
    Job job, Finish done)
{
    auto* watcher = new QFutureWatcher<Value>(owner);
    QObject::connect(watcher, &QFutureWatcher<Value>::finished, owner, [watcher, done] {
        done(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run(pool, [job, stop] {
        stopCopiesOnThisThreadWhen(stop.get());
        Value value = job();
        stopCopiesOnThisThreadWhen(nullptr);
        return value;
    }));
}

// The whole list answers within this, whatever its backups hold.
constexpr int listMs = 9000;

} // namespace

struct BackupRun {
    BackupOutcome local = BackupInfo();
    BackupOutcome second = BackupInfo(); // stays so when there is no second place
};

namespace {

BackupRun runBackup(const BackupSources& sources, const QString& second, const QDateTime& now)
{
    BackupRun run;
    removeUnfinishedBackups(sources.data);
    run.local = takeBackup(sources, sources.data, now);
    if (!run.local.ok())
        return run;
    // An older backup goes only now that a newer one is verified.
    rotateBackups(sources.data, now);
    if (!second.isEmpty()) {
        removeUnfinishedBackups(second);
        run.second = copyBackup(*run.local, second);
        if (run.second.ok())
            rotateBackups(second, now);
    }
    return run;
}

struct BooksCheck {
    BackupInfo newest;
    QStringList missing;
};

bool emptyFolder(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty();
}

// What of the books the newest backup that held any holds is gone here.
bool archivedSince(const QString& documents, const QDateTime& time)
{
    const QFileInfoList archived
        = QDir(QDir(documents).filePath(QStringLiteral("台账存档"))).entryInfoList(QDir::Files);
    return std::any_of(archived.cbegin(), archived.cend(),
        [&](const QFileInfo& file) { return file.lastModified() >= time; });
}

BooksCheck checkBooks(const BackupSources& sources, const QString& second)
{
    BooksCheck check;
    QList<BackupInfo> backups = listBackups(sources.data, false);
    if (!second.isEmpty())
        backups += listBackups(second, false);
    for (const BackupInfo& backup : backups)
        if (!backup.damaged && !backup.origin.emptyBooks()
            && (check.newest.folder.isEmpty() || backup.time > check.newest.time))
            check.newest = backup;
    const BackupInfo& newest = check.newest;
    if (newest.folder.isEmpty())
        return check;
    if (newest.files.contains(historyPath()) && newest.origin.loads != 0
        && liveHistoryLoads(QDir(sources.data).filePath(QStringLiteral("quorvane.sqlite"))) <= 0)
        check.missing.append(QStringLiteral("历史记录"));
    for (const QString& path : newest.files) {
        if (!isWorkbookPath(path))
            continue;
        const QString name = QFileInfo(path).fileName();
        const QFileInfo here(QDir(sources.documents).filePath(name));
        bool gone = !here.isFile() || here.size() == 0;
        // A ledger archived since the backup leaves a new one that may
        // carry no stock: empty, not lost.
        if (!gone && path == ledgerInBackup() && postedLedgerRows(here.filePath()) == 0
            && !archivedSince(sources.documents, newest.time)) {
            const RegularFileRead ledger
                = readInside(insideBackup(newest.folder, path), largestLedger());
            gone = postedLedgerRows(ledger.bytes) > 0;
        }
        if (gone)
            check.missing.append(name);
    }
    if (newest.origin.bills != 0
        && std::any_of(newest.files.cbegin(), newest.files.cend(),
            [](const QString& path) { return path.startsWith(QStringLiteral("文档/账单/")); })
        && emptyFolder(QDir(sources.documents).filePath(QStringLiteral("账单"))))
        check.missing.append(QStringLiteral("账单存档"));
    return check;
}

} // namespace

QString onlyHereText()
{
    return QStringLiteral("备份只在本机，请设置第二备份位置");
}

QString secondPlaceMessage(const BackupOutcome& outcome, const QString& place)
{
    const QString later = QStringLiteral("本机的备份照常进行，下次备份时会再试。");
    switch (outcome.cause()) {
    case FailureCause::None:
        return QString();
    case FailureCause::FolderMissing:
        return QStringLiteral("找不到第二备份位置 %1（U 盘没有插上或网络文件夹不可用）。%2")
            .arg(place, later);
    case FailureCause::NotWritable:
        return QStringLiteral("第二备份位置 %1 无法写入。%2").arg(place, later);
    case FailureCause::Link:
        return QStringLiteral("第二备份位置 %1 中的“备份”是一个链接，不是文件夹。为了安全，程序不会"
                              "通过链接写入或删除文件，这次没有复制备份。请把它换成普通文件夹。%2")
            .arg(place, later);
    case FailureCause::DiskFull:
        return QStringLiteral("这次的备份没有复制到第二备份位置 %1：").arg(place)
            + diskFullText(place) + QStringLiteral("。那里原有的备份没有改动。%1").arg(later);
    default:
        return QStringLiteral("备份没有复制到第二备份位置 %1。%2").arg(place, later);
    }
}

QString restoreDoneMessage(
    const BackupInfo& from, const RestoredBooks& restored, const QString& keptIn)
{
    const QString when = from.time.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    const QString kept = QStringLiteral("恢复前的文件已另存为备份 %1。").arg(keptIn);
    if (restored.files.isEmpty())
        return QStringLiteral("%1 的备份中没有要恢复的文件，所有文件都没有改动。").arg(when);
    const QString what = restoredSummary(restored.files, restored.loads);
    if (restored.files.size() == 1)
        return QStringLiteral("已恢复 %1 的备份中的%2。%3").arg(when, what, kept);
    return QStringLiteral("已恢复 %1 的备份：%2。%3").arg(when, what, kept);
}

BackupService::BackupService(
    const BackupSources& sources, const QString& settingsFile, Clock clock, QObject* parent)
    : QObject(parent)
    , m_sources(sources)
    , m_settingsFile(settingsFile)
    , m_clock(std::move(clock))
{
    m_worker->setMaxThreadCount(1);
    const QList<BackupInfo> backups = backupsByName(localPlace());
    if (!backups.isEmpty())
        m_last = backups.first().time;
}

BackupService::~BackupService()
{
    if (stop(4000)) {
        delete m_worker;
        return;
    }
    logEvent(QStringLiteral("the backup worker did not stop; the program ends without it"));
}

bool BackupService::stop(int ms)
{
    m_stop->store(true);
    return m_worker->waitForDone(ms);
}

QString BackupService::secondPlace() const
{
    return QSettings(m_settingsFile, QSettings::IniFormat).value(secondPlaceKey).toString();
}

void BackupService::setSecondPlace(const QString& folder)
{
    QSettings settings(m_settingsFile, QSettings::IniFormat);
    settings.setValue(secondPlaceKey, folder);
    settings.sync();
    m_secondPlaceSaid.clear();
    emit secondPlaceChanged();
}

void BackupService::backUpIfFirstToday()
{
    const QDate today = m_clock().date();
    // The window's thread: only today's lists are read.
    for (const BackupInfo& backup : backupsByName(localPlace()))
        if (backup.time.date() == today && readManifest(backup.folder).ok())
            return;
    backUp();
}

void BackupService::countPosting()
{
    if (++m_postings >= postingsPerBackup && backUp())
        m_postings = 0;
}

void BackupService::checkBooksAtStart()
{
    m_busy = true;
    runOnWorker<BooksCheck>(
        this, m_worker, m_stop,
        [sources = m_sources, second = secondPlace()] { return checkBooks(sources, second); },
        [this](const BooksCheck& check) {
            m_busy = false;
            if (check.missing.isEmpty()) {
                backUpIfFirstToday();
                return;
            }
            logEvent(QStringLiteral("books missing at start: %1; newest backup %2")
                         .arg(check.missing.join(QLatin1Char(',')), check.newest.folder));
            emit booksMissing(check.newest, check.missing);
        });
}

bool BackupService::backUp()
{
    if (m_busy)
        return false;
    m_busy = true;
    const QDateTime now = m_clock();
    runOnWorker<BackupRun>(
        this, m_worker, m_stop,
        [sources = m_sources, second = secondPlace(), now] {
            return runBackup(sources, second, now);
        },
        [this](const BackupRun& run) { onBackupRun(run); });
    return true;
}

void BackupService::onBackupRun(const BackupRun& run)
{
    m_busy = false;
    if (!run.local.ok()) {
        logEvent(QStringLiteral("backup failed: %1").arg(run.local.logText()));
        emit message(run.local.cause() == FailureCause::Link
                ? QStringLiteral("备份失败：%1 中的“备份”是一个链接，不是文件夹。为了安全，程序不会"
                                 "通过链接写入或删除文件。请把它换成普通文件夹。")
                      .arg(localPlace())
                : QStringLiteral("备份失败，没有完成的备份已删除，较早的备份都还在。"));
        return;
    }
    logEvent(QStringLiteral("backup %1 verified").arg(run.local->folder));
    m_last = run.local->time;
    const QString second = secondPlace();
    if (!run.second.ok()) {
        logEvent(QStringLiteral("backup not copied to %1: %2").arg(second, run.second.logText()));
        sayOnce(secondPlaceMessage(run.second, second));
    } else if (!second.isEmpty()) {
        m_secondPlaceSaid.clear();
    }
    emit backupDone(*run.local);
}

void BackupService::sayOnce(const QString& text)
{
    if (text == m_secondPlaceSaid)
        return;
    m_secondPlaceSaid = text;
    emit message(text);
}

void BackupService::setJournalTaker(std::function<void(const QByteArray&)> take)
{
    m_takeJournal = std::move(take);
}

void BackupService::setRestoreHooks(std::function<bool()> pause, std::function<void()> resume)
{
    m_pause = std::move(pause);
    m_resume = std::move(resume);
}

bool BackupService::restore(
    const BackupInfo& backup, const QString& onlyPath, const QStringList& settingsGroups)
{
    if (m_busy) {
        emit message(QStringLiteral("正在备份，请稍后再恢复。"));
        return false;
    }
    if (!m_pause()) {
        emit message(QStringLiteral("正在入库、出库或导出账单，请完成后再恢复。"));
        return false;
    }
    m_busy = true;
    const QDateTime now = m_clock();
    using Run = std::pair<BackupOutcome, Result<RestoredBooks>>;
    const RestoreOptions options { onlyPath, settingsGroups, m_settingsFile, bool(m_takeJournal),
        m_stop.get() };
    runOnWorker<Run>(
        this, m_worker, m_stop,
        [sources = m_sources, now, backup, options, stop = m_stop] {
            // The present state first, so a restore can itself be undone.
            BackupOutcome before = takeBackup(sources, sources.data, now);
            Result<RestoredBooks> restored = before.ok()
                ? restoreBackup(backup.folder, sources, options)
                : Result<RestoredBooks>(RestoredBooks {});
            return Run { std::move(before), std::move(restored) };
        },
        [this, backup](const Run& run) { onRestoreRun(run.first, run.second, backup); });
    return true;
}

void BackupService::onRestoreRun(
    const BackupOutcome& before, const Result<RestoredBooks>& restored, const BackupInfo& from)
{
    m_busy = false;
    m_resume();
    if (!before.ok()) {
        logEvent(QStringLiteral("restore stopped, the present state was not backed up: %1")
                     .arg(before.logText()));
        emit message(QStringLiteral("没有恢复：恢复前无法先备份现在的文件。所有文件都没有改动。"));
        emit restoreDone(false);
        return;
    }
    m_last = before->time;
    if (!restored) {
        const Failure& failure = restored.error();
        logEvent(QStringLiteral("restore of %1 stopped: %2").arg(from.folder, failure.logText()));
        if (failure.cause() == FailureCause::NotWritable)
            emit message(QStringLiteral("恢复没有完成：%1 无法写回。恢复前的文件保存在备份 %2 中。")
                             .arg(failure.path(), before->name));
        else
            emit message(QStringLiteral("备份 %1 已损坏，不能恢复：%2。所有文件都没有改动。")
                             .arg(from.name, backupRefusalText(failure)));
    } else {
        logEvent(
            QStringLiteral("restored %1 files of %2").arg(restored->files.size()).arg(from.folder));
        emit message(restoreDoneMessage(from, *restored, before->name));
        if (!restored->journal.isEmpty() && m_takeJournal)
            m_takeJournal(restored->journal);
    }
    emit restoreDone(restored.ok());
}

void BackupService::list()
{
    const QString second = secondPlace();
    runOnWorker<QList<BackupInfo>>(
        this, m_worker, m_stop,
        [local = localPlace(), second, stop = m_stop] {
            const QDeadlineTimer deadline(listMs);
            QList<BackupInfo> backups = listBackups(local, true, deadline, stop.get());
            if (!second.isEmpty())
                backups += listBackups(second, true, deadline, stop.get());
            return backups;
        },
        [this](const QList<BackupInfo>& backups) { emit listed(backups); });
}

void BackupService::waitForIdle()
{
    m_worker->waitForDone();
    QCoreApplication::sendPostedEvents();
}
