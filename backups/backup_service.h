#pragma once

// The backups of a running program. Each backup and each restore runs on a
// worker thread of its own, one at a time, so the window never waits:
// first the data folder's 备份, then the copy to the second place the clerk
// chose (kept in quorvane.ini). The program hooks the triggers in: the
// first start of a day, and every 20 postings or bills (countPosting).
// A restore asks the program to hold its postings first (the pause hook),
// backs up the present state, restores, and lets the program reopen its
// stores (the resume hook).

#include "backups/backup_restore.h"
#include "backups/backup_store.h"

#include <QDateTime>
#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>

struct BackupRun;

class BackupService : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;
    static constexpr int postingsPerBackup = 20;

    // `settingsFile` is quorvane.ini; `clock` gives the time of a backup.
    BackupService(const BackupSources& sources, const QString& settingsFile,
        Clock clock = &QDateTime::currentDateTime, QObject* parent = nullptr);
    // Stops a backup or restore still running (stop()).
    ~BackupService() override;
    // Asks the worker to stop and waits at most `ms` for it; false when it
    // still runs. The program then ends without it: a backup cut short is
    // removed at the next start, the restore's earlier state is a backup.
    bool stop(int ms);

    QString localPlace() const { return m_sources.data; }
    const BackupSources& sources() const { return m_sources; }
    QString secondPlace() const;
    void setSecondPlace(const QString& folder);

    // Starts a backup unless the data folder has one of today already.
    void backUpIfFirstToday();
    // At the start: looks (on the worker) whether the books the newest
    // backup of either place holds are here; when some are missing or
    // empty, says so (booksMissing) and takes no backup, else goes on to
    // backUpIfFirstToday.
    void checkBooksAtStart();
    // One posting or bill saved: every 20th starts a backup.
    void countPosting();
    // False while a backup or restore runs.
    bool backUp();
    bool busy() const { return m_busy; }
    QDateTime lastBackup() const { return m_last; }

    // The hooks that hold the postings (false: a command runs now) and
    // reopen the stores after a restore.
    void setRestoreHooks(std::function<bool()> pause, std::function<void()> resume);
    // The window that shows the tally: a restored journal is handed to it
    // (after the restore is said) instead of written under it.
    void setJournalTaker(std::function<void(const QByteArray&)> take);
    // Restores `backup`, or its one file `onlyPath`; false when it cannot
    // start (busy, or the postings could not be held: said).
    // `settingsGroups`: of its quorvane.ini, put back too (the clerk ticked them).
    bool restore(const BackupInfo& backup, const QString& onlyPath = QString(),
        const QStringList& settingsGroups = {});

    // Reads the backups of both places on the worker, verified: `listed`.
    void list();
    // Waits for the worker (tests, the end of the program).
    void waitForIdle();

signals:
    void backupDone(const BackupInfo& backup);
    void listed(const QList<BackupInfo>& backups);
    void restoreDone(bool ok);
    void secondPlaceChanged();
    // The books `missing` (in the clerk's words) are gone or empty, while
    // `newest` holds them.
    void booksMissing(const BackupInfo& newest, const QStringList& missing);
    // A sentence for the clerk.
    void message(const QString& text);

private:
    void onBackupRun(const BackupRun& run);
    void onRestoreRun(
        const BackupOutcome& before, const Result<RestoredBooks>& restored, const BackupInfo& from);
    void sayOnce(const QString& text);

    BackupSources m_sources;
    QString m_settingsFile;
    Clock m_clock;
    // Its jobs hold copies of what they need, never the service: a job that
    // does not stop in time is left to the end of the process.
    QThreadPool* m_worker = new QThreadPool;
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
    std::function<void(const QByteArray&)> m_takeJournal;
    std::function<bool()> m_pause = [] { return true; };
    std::function<void()> m_resume = [] {};
    QDateTime m_last;
    QString m_secondPlaceSaid; // said once per run until it works again
    int m_postings = 0;
    bool m_busy = false;
};

// What the clerk reads after a restore that went through: what came back
// and the backup that keeps the files it replaced.
QString restoreDoneMessage(
    const BackupInfo& from, const RestoredBooks& restored, const QString& keptIn);

// The foot's and the window's words while no second place is set.
QString onlyHereText();

// What the clerk reads when a second place fails; empty for success.
QString secondPlaceMessage(const BackupOutcome& outcome, const QString& place);
