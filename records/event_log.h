#pragma once

// The program's own log, so that a failure a clerk reports can be traced:
// the start, every workbook pass with its time and result, and the office's
// own words for each failure, which the clerk never sees. One file in the
// data folder, rotated to a single older file at 1 MB.

#include <QString>

class WorkbookError;

// Starts writing to `path` (an empty path stops it); until then, and when
// the file cannot be written, entries go to standard error.
void openEventLog(const QString& path);
void logEvent(const QString& text);
// Qt's warnings and worse go to the log as well.
void logQtWarnings();
// "<what> <file>: <ms> ms, ok" or "..., failed: <cause> <detail>".
void logPass(const QString& what, const QString& path, qint64 ms, const WorkbookError* error);

constexpr qint64 eventLogLimit = 1024 * 1024;

// Logs one workbook pass with its time: failed() logs the failure at once,
// and the end logs ok when nothing failed.
class PassLog {
public:
    PassLog(QString what, QString path);
    ~PassLog();
    void failed(const WorkbookError& error);

private:
    QString m_what;
    QString m_path;
    qint64 m_startMs;
    bool m_failed = false;
};
