#pragma once

// Everything under a backup place is a stranger's: a USB drive or a shared
// folder that others can write. Paths there are walked from the place one
// component at a time, none of them followed when it is a link, and the
// program removes only the folders it made and marked as its own.

#include "support/durable_copy.h"
#include "support/regular_file.h"

#include <QString>

// A file's or folder's path inside a backup place: the place itself (as
// the clerk named it, links there are the clerk's own) and the path below
// it, never followed through a link.
struct PlacePath {
    QString place;
    QString inside; // "备份/2026-12-09-083012/文档/账单/…"
};

// Where a path under a backup folder (…/备份/NAME) lies.
PlacePath insideBackup(const QString& backupFolder, const QString& path = QString());

// The descriptor of `path`, opened with `flags`; -1 (errno set) when any of
// its components below the place is a link or missing.
int openInside(const PlacePath& path, int flags);

// The first link, device or FIFO under a folder, or a count of entries past
// any backup's, in words for the log; empty when there is none.
QString strangeEntryUnder(const PlacePath& folder);

RegularFileRead readInside(const PlacePath& path, qint64 limit);
CopiedFile hashInside(const PlacePath& path);
CopiedFile copyInside(const PlacePath& path, const QString& to, FileSync sync = FileSync::Now);

// Whether `path` is a folder itself, not a link to one.
bool isRealFolder(const QString& path);

// A new folder of ours (it must not exist yet), marked as ours inside.
bool makeMarkedFolder(const QString& path);
// Removes a folder of ours under `parent` (not itself followed when it is a
// link): only when it is a real folder carrying our mark, and without ever
// following a link inside it.
bool removeMarkedFolder(const QString& parent, const QString& name);
