#pragma once

// A history from a backup is a stranger's file: SQLite's advice for
// databases from elsewhere holds. It is opened read-only and immutable with
// the defensive settings (trusted_schema off, SQLITE_DBCONFIG_DEFENSIVE, no
// views or triggers run), every statement bounded in time by a progress
// handler, and it must hold exactly the schema this program makes (its
// tables, indexes and triggers of one of its versions, nothing of anyone
// else's) and pass the integrity check.

#include "support/failure.h"

#include <QDeadlineTimer>
#include <QString>
#include <atomic>

// The loads of a sound history; BackupForeignHistory when it is not the
// program's own or does not read, TimedOut when the deadline (or `stop`,
// when set) cut the check short. The failure's detail is for the log.
Result<qint64> checkHistoryFile(
    const QString& path, QDeadlineTimer deadline, const std::atomic<bool>* stop = nullptr);

// The loads of the live store at `path`, read-only; -1 when it cannot be read.
qint64 liveHistoryLoads(const QString& path);
