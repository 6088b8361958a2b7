#pragma once

// A history from a backup is a stranger's file: SQLite's advice for
// databases from elsewhere holds. It is opened read-only and immutable with
// the defensive settings (trusted_schema off, SQLITE_DBCONFIG_DEFENSIVE, no
// views or triggers run), every statement bounded in time by a progress
// handler, and it must hold exactly the schema this program makes (its
// tables, indexes and triggers of one of its versions, nothing of anyone
// else's) and pass the integrity check.

#include <QDeadlineTimer>
#include <QString>
#include <atomic>

struct HistoryCheck {
    enum Outcome { Sound, Damaged, TimedOut } outcome = Damaged;
    QString cause; // for the log
    qint64 loads = -1;
    bool sound() const { return outcome == Sound; }
};

// `stop`, when set, cuts the check short as its deadline does.
HistoryCheck checkHistoryFile(
    const QString& path, QDeadlineTimer deadline, const std::atomic<bool>* stop = nullptr);

// The loads of the live store at `path`, read-only; -1 when it cannot be read.
qint64 liveHistoryLoads(const QString& path);
