#pragma once

// The program's own log, so that a failure a clerk reports can be traced:
// the start, every workbook pass with its time and result, and the system's
// or the office's own words for each failure, which the clerk never sees.
// One file in the data folder, rotated to a single older file at 1 MB.

#include <QString>

// Starts writing to `path` (an empty path stops it); until then, and when
// the file cannot be written, entries go to standard error.
void openEventLog(const QString& path);
void logEvent(const QString& text);
// Qt's warnings and worse go to the log as well.
void logQtWarnings();

constexpr qint64 eventLogLimit = 1024 * 1024;
