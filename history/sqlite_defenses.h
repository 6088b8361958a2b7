#pragma once

// SQLite's defensive settings for every connection the program opens to its
// own history: a file restored from a backup, or changed by another
// program, runs none of its views' or triggers' functions that SQLite does
// not trust, and its schema cannot be written behind SQLite's back.

#include <QSqlDatabase>
#include <QString>

// On an open QSQLITE connection. Empty when set, else why not (for the log).
QString defendSqliteConnection(const QSqlDatabase& db);
