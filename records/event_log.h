#pragma once

// Workbook passes in the program's log, each with its time and result and,
// for a failure, the office's own words.

#include "support/event_log.h"

class Failure;

// "<what> <file>: <ms> ms, ok" or "..., failed: <cause> <detail>".
void logPass(const QString& what, const QString& path, qint64 ms, const Failure* error);

// Logs one workbook pass with its time: failed() logs the failure at once,
// and the end logs ok when nothing failed.
class PassLog {
public:
    PassLog(QString what, QString path);
    ~PassLog();
    void failed(const Failure& error);

private:
    QString m_what;
    QString m_path;
    qint64 m_startMs;
    bool m_failed = false;
};
