#pragma once

// The history's part in a backup: a consistent copy of the live SQLite
// store taken while postings go on (VACUUM INTO reads one snapshot through
// a connection of the calling thread's own). The copy is checked as any
// backup's history is (history_check.h).

#include "support/failure.h"

#include <QString>

// Copies the store at `live` to `to` (which must not exist), synced and
// private; a failure carries the database's words.
Done copyHistory(const QString& live, const QString& to);

// Whether a workbook is an Excel 97 compound file (its header and sector
// layout): what the backup checks without an office on its thread.
bool looksLikeExcel97(const QString& path);
