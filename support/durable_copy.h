#pragma once

// Large files copied durably, as backups and restores copy them: a streaming
// copy that hashes what it writes and lands like a durable write (a temporary file beside the
// target, synced, renamed into place, the folder synced), hard links for files a newer backup
// shares with an older one, and private folders. Only regular files are read: a link, a FIFO or a
// device is refused.

#include "support/durable_file.h"

#include <QByteArray>
#include <QString>
#include <atomic>

struct CopiedFile {
    Done result;
    QByteArray sha256; // hex
    qint64 size = 0;
    bool ok() const { return result.ok(); }
};

// The SHA-256 (hex) and size of a regular file; an empty hash when it
// cannot be read or is no regular file.
CopiedFile hashRegularFile(const QString& path);
// The same of a file already open (closed here); `path` names it in a failure.
CopiedFile hashOpenFile(int fd, const QString& path);

// Copies `from` to `to`, hashing the bytes on the way. A file of a backup
// being made may leave its sync to syncFileSystemOf(): the backup counts
// only once its folder is renamed, after that sync.
enum class FileSync { Now, Later };
CopiedFile copyFileDurably(const QString& from, const QString& to, FileSync sync = FileSync::Now);
// The same from a file already open (closed here).
CopiedFile copyOpenFileDurably(
    int source, const QString& from, const QString& to, FileSync sync = FileSync::Now);

// While set, a copy or hash on this thread fails at its next chunk once
// `*stop` is true, so a worker copying gigabytes can be stopped; null when
// done.
void stopCopiesOnThisThreadWhen(const std::atomic<bool>* stop);

// Every file written to the file system of `path` reaches the disk.
bool syncFileSystemOf(const QString& path);
// A file written by another writer (a database) reaches the disk.
bool syncFileAt(const QString& path);

// `to` as a second name of `existing`; copies when the two cannot share
// the file (another file system).
CopiedFile linkOrCopy(const QString& existing, const QString& to, FileSync sync = FileSync::Now);

// A folder (and its parents) only the user may enter.
bool makePrivateFolder(const QString& path);
bool syncFolderOf(const QString& path);

// What errno says, as the cause a message can name.
FailureCause failureOf(int systemError);
