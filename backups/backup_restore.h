#pragma once

// Putting a backup's books back where they came from. The caller stops the
// postings and closes the history store first, and takes a backup of the
// present state before (BackupService does all three). A backup is a
// stranger's files: it is refused whole when it holds a link, does not
// match its manifest, or its history is not exactly the program's own
// (backups/history_check.h); each file is copied beside its place, checked
// against the manifest again, and only then put in place.

#include "backups/backup_store.h"

#include <QStringList>
#include <atomic>

struct RestoreOutcome {
    bool refused = false; // the backup is damaged: nothing was touched
    QStringList restored; // paths inside the backup
    QString failedPath; // where it stopped, empty when it did not
    QString detail; // for the log
    QString cause; // why it was refused, in the clerk's words
    qint64 loads = -1; // of the history restored, when it was
    // The tally journal, when the restore hands it to the window instead
    // of writing it (takeJournal); empty when none came back.
    QByteArray journal;
    bool ok() const { return !refused && failedPath.isEmpty(); }
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
RestoreOutcome restoreBackup(
    const QString& backupFolder, const BackupSources& sources, const RestoreOptions& options = {});
