#pragma once

// What a backup holds and where each file goes back to.

#include "backups/backup_store.h"

#include <QList>
#include <QString>

struct PlannedFile {
    QString source; // absolute path
    QString path; // inside the backup
    bool history = false; // the live SQLite store: copied by VACUUM INTO
    bool archived = false; // a bill of the archive: linked when unchanged
};

// Regular files only, never through a link: the data folder's files (not
// its lock, the store's WAL files or the backups), the workbooks and the
// bill archive 账单 of the documents folder, the configuration folder's
// files and the unit price files.
QList<PlannedFile> planBackup(const BackupSources& sources);

// Where the history lies inside a backup.
QString historyPath();
bool isWorkbookPath(const QString& path);
// Where the stock ledger lies inside a backup.
QString ledgerInBackup();

// Where a file of a backup goes back to; empty for what a restore never
// puts back. Only the books come back: the two workbooks, the bill archive,
// the history (and its loads waiting for the server), the tally journal and
// the unit prices; never the configuration (the yard server, its
// certificate, the backup places), the log or anything else.
QString restoredPath(const QString& path, const BackupSources& sources);
QString journalPath();
// quorvane.ini inside a backup, and the most of it ever read.
QString settingsInBackup();
qint64 largestSettings();
