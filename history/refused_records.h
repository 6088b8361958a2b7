#pragma once

// What the yard's server refused for good, kept aside on this machine: how
// many records, and the newest cause in a clerk's words.

#include "support/failure_text.h"

#include <QString>

struct RefusedRecords {
    int count = 0;
    QString cause; // the newest one's

    bool operator==(const RefusedRecords& other) const
    {
        return count == other.count && cause == other.cause;
    }
    // "服务器拒收了 2 条记录：…", or empty when none was refused.
    QString notice() const;
};

// Why the server refused a record (a RefusedByServer error), in a clerk's words.
QString refusalCause(const Failure& error);
