#pragma once

// Writing what a window exports: a whole file or nothing, and a
// failure named in the clerk's words (the system's own words go to the log).

#include "support/failure.h"

#include <QByteArray>
#include <QString>

// Writes the bytes through a temporary file that replaces `path` only once
// all of it is on the disk; a failure is logged, and its cause is what
// fileFailureMessage() tells the clerk.
Done writeWholeFile(const QString& path, const QByteArray& bytes);
