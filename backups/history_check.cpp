#include "backups/history_check.h"

#include "history/sqlite_history_store.h"

#include <QFile>
#include <QMutex>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>
#include <map>
#include <sqlite3.h>

namespace {

using Schema = QSet<QString>;

struct Budget {
    QDeadlineTimer deadline;
    const std::atomic<bool>* stop;
};

int overBudget(void* context)
{
    const auto* budget = static_cast<const Budget*>(context);
    return budget->deadline.hasExpired() || (budget->stop && budget->stop->load()) ? 1 : 0;
}

class Connection {
public:
    // `immutable`: nothing of the file's is locked, journalled or written.
    Connection(const QString& path, bool immutable, Budget* budget)
    {
        const QByteArray uri = "file:" + QUrl::toPercentEncoding(path, "/")
            + (immutable ? "?mode=ro&immutable=1" : "?mode=ro");
        const int opened = sqlite3_open_v2(
            uri.constData(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        if (opened != SQLITE_OK) {
            m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("no memory");
            return;
        }
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
        sqlite3_limit(m_db, SQLITE_LIMIT_SQL_LENGTH, 1000000);
        if (budget)
            sqlite3_progress_handler(m_db, 1000, overBudget, budget);
    }
    ~Connection() { sqlite3_close_v2(m_db); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool open() const { return m_error.isEmpty(); }
    QString error() const
    {
        return m_error.isEmpty() ? QString::fromUtf8(sqlite3_errmsg(m_db)) : m_error;
    }
    bool interrupted() const { return sqlite3_errcode(m_db) == SQLITE_INTERRUPT; }

    // Each row's columns as texts; false when the statement fails.
    bool rows(const char* sql, QList<QStringList>* out) const
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
            return false;
        int step;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            QStringList row;
            for (int column = 0; column < sqlite3_column_count(statement); ++column)
                row.append(QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, column))));
            out->append(row);
        }
        sqlite3_finalize(statement);
        return step == SQLITE_DONE;
    }

private:
    sqlite3* m_db = nullptr;
    QString m_error;
};

QString normalized(const QString& sql)
{
    return sql.simplified();
}

bool readSchema(const Connection& db, Schema* schema)
{
    QList<QStringList> rows;
    if (!db.rows("SELECT type, name, tbl_name, sql FROM sqlite_master", &rows))
        return false;
    for (const QStringList& row : rows)
        schema->insert(row[0] + u'\n' + row[1] + u'\n' + row[2] + u'\n' + normalized(row[3]));
    return true;
}

// The schema of each version this program knows, as it makes them.
const std::map<int, Schema>& ownSchemas()
{
    static QMutex mutex;
    static std::map<int, Schema> schemas;
    const QMutexLocker lock(&mutex);
    if (!schemas.empty())
        return schemas;
    QTemporaryDir folder;
    for (int version = 1; version <= HistoryStore::currentSchemaVersion(); ++version) {
        const QString path = folder.filePath(QStringLiteral("%1.sqlite").arg(version));
        {
            SqliteHistoryStore made(path, version);
        }
        Schema schema;
        const Connection db(path, false, nullptr);
        if (db.open() && readSchema(db, &schema))
            schemas[version] = schema;
    }
    return schemas;
}

Failure unsound(const QString& path, const QString& cause)
{
    return Failure(FailureCause::BackupForeignHistory, path, cause);
}

} // namespace

Result<qint64> checkHistoryFile(
    const QString& path, QDeadlineTimer deadline, const std::atomic<bool>* stop)
{
    Budget budget { deadline, stop };
    const Connection db(path, true, &budget);
    const auto failed = [&db, &path](const QString& what) {
        return Failure(
            db.interrupted() ? FailureCause::TimedOut : FailureCause::BackupForeignHistory, path,
            QStringLiteral("%1: %2").arg(what, db.error()));
    };
    if (!db.open())
        return failed(QStringLiteral("cannot open"));
    Schema schema;
    if (!readSchema(db, &schema))
        return failed(QStringLiteral("schema does not read"));
    int version = 0;
    for (const auto& [known, own] : ownSchemas())
        if (own == schema)
            version = known;
    if (version == 0)
        return unsound(path,
            QStringLiteral("its tables, indexes, views or triggers are not the program's own"));
    // A small file may finish a step between two calls of the handler.
    if (overBudget(&budget))
        return Failure(FailureCause::TimedOut, path, QStringLiteral("no time left for its check"));
    QList<QStringList> rows;
    if (!db.rows("PRAGMA integrity_check", &rows))
        return failed(QStringLiteral("integrity check"));
    if (rows.size() != 1 || rows[0].value(0) != QLatin1String("ok"))
        return unsound(path, QStringLiteral("integrity check: %1").arg(rows.value(0).value(0)));
    rows.clear();
    if (!db.rows("SELECT version FROM history_schema", &rows))
        return failed(QStringLiteral("version"));
    if (rows.size() != 1 || rows[0].value(0).toInt() != version)
        return unsound(path, QStringLiteral("its version is not its schema's"));
    rows.clear();
    if (!db.rows("SELECT count(*) FROM loads", &rows) || rows.size() != 1)
        return failed(QStringLiteral("count of loads"));
    return rows[0].value(0).toLongLong();
}

qint64 liveHistoryLoads(const QString& path)
{
    if (!QFile::exists(path))
        return -1;
    Budget budget { QDeadlineTimer(5000), nullptr };
    const Connection db(path, false, &budget);
    QList<QStringList> rows;
    if (!db.open() || !db.rows("SELECT count(*) FROM loads", &rows) || rows.size() != 1)
        return -1;
    return rows[0].value(0).toLongLong();
}
