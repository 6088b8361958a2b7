#pragma once

// Putting a backup's books back where they came from. The caller stops the
// postings and closes the history store first, and takes a backup of the
// present state before (BackupService does all three). A backup is a
// stranger's files: it is refused whole when it holds a link, does not
// match its manifest, or its history is not exactly the program's own
// (backups/history_check.h); each file is copied beside its place, checked
// against the manifest again, and only then put in place.

#include "backups/backup_store.h"
#include "support/failure.h"

#include <QStringList>
#include <atomic>

// What a restore put back. A restore that fails gives a Failure instead:
// a backup refused whole (BackupHasLinks, BackupMismatch,
// BackupForeignHistory, TimedOut) left every file as it was; NotWritable
// names the file of the backup it stopped at.
struct RestoredBooks {
    QStringList files; // paths inside the backup
    qint64 loads = -1; // of the history restored, when it was
    // The tally journal, when the restore hands it to the window instead
    // of writing it (takeJournal); empty when none came back.
    QByteArray journal;
};

struct RestoreOptions {
    QString onlyPath; // one file of the backup; empty: all its books
    // Groups of its quorvane.ini put into `settingsFile` as well.
    QStringList settingsGroups;
    QString settingsFile;
    bool takeJournal = false;
    const std::atomic<bool>* stop = nullptr;
};

// Restores the books of `backupFolder`. Files made since the backup stay:
// the backup taken before keeps them.
Result<RestoredBooks> restoreBackup(
    const QString& backupFolder, const BackupSources& sources, const RestoreOptions& options = {});
