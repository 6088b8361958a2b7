#pragma once

// The history's part in a backup: a consistent copy of the live SQLite
// store taken while postings go on (VACUUM INTO reads one snapshot through
// a connection of the calling thread's own), and the copy's check.

#include <QString>

// Copies the store at `live` to `to` (which must not exist), synced and
// private. Returns the database's words on failure, empty on success.
QString copyHistory(const QString& live, const QString& to);

// Whether the copy passes the integrity check; `loads` gets its count of
// loads. The database's words go to `detail`.
bool historyIntact(const QString& path, qint64* loads, QString* detail);

// The count of loads in a copy already checked; -1 when it cannot be read.
qint64 historyLoads(const QString& path);

// Whether a workbook is an Excel 97 compound file (its header and sector
// layout): what the backup checks without an office on its thread.
bool looksLikeExcel97(const QString& path);
