#include "history/sqlite_defenses.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <sqlite3.h>

namespace {

Done undefended(const QSqlDatabase& db, const QString& why)
{
    return Done(FailureCause::Other, db.databaseName(), why);
}

} // namespace

Done defendSqliteConnection(const QSqlDatabase& db)
{
    // The Qt driver is built on the same SQLite library, so its handle is ours to configure.
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return undefended(db, QStringLiteral("no SQLite handle on the connection"));
    sqlite3* raw = *static_cast<sqlite3* const*>(handle.constData());
    if (!raw)
        return undefended(db, QStringLiteral("the connection is not open"));
    if (sqlite3_db_config(raw, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr) != SQLITE_OK)
        return undefended(db, QStringLiteral("SQLite refused the defensive setting"));
    QSqlQuery pragma(db);
    if (!pragma.exec(QStringLiteral("PRAGMA trusted_schema = OFF")))
        return undefended(db, pragma.lastError().text());
    return {};
}
