#pragma once

// The files the program reads back (the journal, the loads waiting for the
// history, the unit prices) are opened only when they are regular files of
// a sane size: a FIFO would block the start for ever, a link to a device
// would be read without end, a link elsewhere would read or write a file
// that is not ours. Whatever else stands at such a name is set aside.

#include <QByteArray>
#include <QString>

// What stands at a name, the name itself never followed.
enum class EntryKind { None, RegularFile, Other };
EntryKind entryAt(const QString& path);

struct RegularFileRead {
    enum Outcome { Absent, Read, NotRegular, TooLarge, Unreadable } outcome = Absent;
    QByteArray bytes; // when Read
    QString detail; // the system's words, for the log
    bool permissionDenied = false; // when Unreadable
};

// The whole file, when it is a regular file of at most `limit` bytes.
RegularFileRead readRegularFile(const QString& path, qint64 limit);

// Moves whatever is at `path` (a link is moved, not followed) to
// <path>.damaged-<time>, where it is never written over. The new path;
// empty when it could not be moved.
QString setAside(const QString& path);
