#pragma once

// Putting a backup's files back where they came from. The caller stops the
// postings and closes the history store first, and takes a backup of the
// present state before (BackupService does all three).

#include "backups/backup_store.h"

#include <QStringList>

struct RestoreOutcome {
    bool refused = false; // the backup is damaged: nothing was touched
    QStringList restored; // paths inside the backup
    QString failedPath; // where it stopped, empty when it did not
    QString detail; // for the log
    qint64 loads = -1; // of the history restored, when it was
    bool ok() const { return !refused && failedPath.isEmpty(); }
};

// Restores every file of `backupFolder`, or the one at `onlyPath` inside
// it. Files made since the backup stay: the backup taken before keeps them.
RestoreOutcome restoreBackup(
    const QString& backupFolder, const BackupSources& sources, const QString& onlyPath = QString());
