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
#include <functional>

class BackupService : public QObject {
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;
    static constexpr int postingsPerBackup = 20;

    // `settingsFile` is quorvane.ini; `clock` gives the time of a backup.
    BackupService(const BackupSources& sources, const QString& settingsFile,
        Clock clock = &QDateTime::currentDateTime, QObject* parent = nullptr);
    // Waits for a backup or restore still running.
    ~BackupService() override;

    QString localPlace() const { return m_sources.data; }
    QString secondPlace() const;
    void setSecondPlace(const QString& folder);

    // Starts a backup unless the data folder has one of today already.
    void backUpIfFirstToday();
    // One posting or bill saved: every 20th starts a backup.
    void countPosting();
    // False while a backup or restore runs.
    bool backUp();
    bool busy() const { return m_busy; }
    QDateTime lastBackup() const { return m_last; }

    // The hooks that hold the postings (false: a command runs now) and
    // reopen the stores after a restore.
    void setRestoreHooks(std::function<bool()> pause, std::function<void()> resume);
    // Restores `backup`, or its one file `onlyPath`; false when it cannot
    // start (busy, or the postings could not be held: said).
    bool restore(const BackupInfo& backup, const QString& onlyPath = QString());

    // Reads the backups of both places on the worker, verified: `listed`.
    void list();
    // Waits for the worker (tests, the end of the program).
    void waitForIdle();

signals:
    void backupDone(const BackupInfo& backup);
    void listed(const QList<BackupInfo>& backups);
    void restoreDone(bool ok);
    // A sentence for the clerk.
    void message(const QString& text);

private:
    struct BackupRun {
        BackupOutcome local;
        BackupOutcome second;
    };
    BackupRun runBackup(const QDateTime& now) const;
    void onBackupRun(const BackupRun& run);
    void onRestoreRun(
        const BackupOutcome& before, const RestoreOutcome& restored, const BackupInfo& from);
    void sayOnce(const QString& text);

    BackupSources m_sources;
    QString m_settingsFile;
    Clock m_clock;
    QThreadPool m_worker;
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
    const BackupInfo& from, const RestoreOutcome& restored, const QString& keptIn);

// What the clerk reads when a second place fails; empty for success.
QString secondPlaceMessage(const BackupOutcome& outcome, const QString& place);
