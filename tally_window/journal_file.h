#pragma once

// The journal on disk: one JSON file in the data folder, replaced whole by
// the durable write, so a crash or a power cut leaves either the old record
// or the new one. A lock file keeps a second running program off it.

#include "support/failure.h"
#include "tally_window/journal_record.h"

#include <QLockFile>
#include <QString>
#include <atomic>
#include <memory>

class JournalFile {
public:
    explicit JournalFile(const QString& folder);

    // Takes the folder's lock for the rest of the run; false when another
    // running program holds it (or the folder cannot be made).
    bool lock();

    struct Reading {
        // NotAFile: a link, FIFO, device or folder stands at the journal's
        // name; it is never opened.
        enum Kind { Absent, Read, Damaged, NotAFile } kind = Absent;
        JournalRecord record; // when Read
        QString keptPath; // when Damaged or NotAFile: where it now is, empty if it could not move
        QString detail; // when Damaged or NotAFile: the system's words, for the log
    };
    // Reads the last record. A file that does not read back, or is larger
    // than any journal, and anything that is not a regular file, is moved
    // aside under a name of its own, so it is never overwritten.
    Reading read();

    // Replaces the record; when any step failed, the previous record is
    // still there whole. Safe from any one thread at a time.
    Done write(const QByteArray& bytes);

    QString path() const { return m_path; }

private:
    void removeLeftoverTempFiles();

    QString m_folder;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    // QUORVANE_JOURNAL_CRASH_AT=N: the Nth write kills the program between
    // writing and committing, as a power cut would; for the crash tests.
    int m_crashAt = 0;
    std::atomic<int> m_writes { 0 };
};
