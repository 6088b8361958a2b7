#pragma once

// SQLite's defensive settings for every connection the program opens to its
// own history: a file restored from a backup, or changed by another
// program, runs none of its views' or triggers' functions that SQLite does
// not trust, and its schema cannot be written behind SQLite's back.

#include "support/failure.h"

#include <QSqlDatabase>

// On an open QSQLITE connection; a failure's detail says why not (for the log).
Done defendSqliteConnection(const QSqlDatabase& db);
