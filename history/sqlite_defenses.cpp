#include "history/sqlite_defenses.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <sqlite3.h>

QString defendSqliteConnection(const QSqlDatabase& db)
{
    // The Qt driver is built on the same SQLite library, so its handle is ours to configure.
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return QStringLiteral("no SQLite handle on the connection");
    sqlite3* raw = *static_cast<sqlite3* const*>(handle.constData());
    if (!raw)
        return QStringLiteral("the connection is not open");
    if (sqlite3_db_config(raw, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr) != SQLITE_OK)
        return QStringLiteral("SQLite refused the defensive setting");
    QSqlQuery pragma(db);
    if (!pragma.exec(QStringLiteral("PRAGMA trusted_schema = OFF")))
        return pragma.lastError().text();
    return {};
}
