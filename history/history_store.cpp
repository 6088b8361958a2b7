#include "history/history_store.h"

#include "history/load_columns.h"
#include "history/store_transaction.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

constexpr int newestSchema = QUORVANE_NEWEST_SCHEMA;

// A step's text, or a null string for a server step the version has not.
QString schemaStepText(const QString& folder, int version)
{
    QFile file(QStringLiteral(":/history/schema/%1%2.sql").arg(folder).arg(version));
    if (!file.open(QIODevice::ReadOnly)) {
        if (folder.isEmpty())
            qFatal("history schema step %d is not built in", version);
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

// The statements of a step, comments left out; a function's body between
// $$ and $$ is one statement with its semicolons.
QStringList statements(const QString& step)
{
    QStringList lines;
    for (const QString& line : step.split(u'\n'))
        if (!line.trimmed().startsWith(QStringLiteral("--")))
            lines << line;
    QStringList result;
    QString statement;
    bool quoted = false;
    const QString text = lines.join(u'\n');
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.mid(i, 2) == QLatin1String("$$")) {
            quoted = !quoted;
            statement += QLatin1String("$$");
            ++i;
        } else if (text.at(i) == u';' && !quoted) {
            if (!statement.trimmed().isEmpty())
                result << statement.trimmed();
            statement.clear();
        } else {
            statement += text.at(i);
        }
    }
    if (!statement.trimmed().isEmpty())
        result << statement.trimmed();
    return result;
}

} // namespace

HistoryStore::HistoryStore(
    QString connectionName, QString location, std::unique_ptr<const HistoryDriver> driver)
    : m_connectionName(std::move(connectionName))
    , m_location(std::move(location))
    , m_driver(std::move(driver))
{
}

HistoryStore::~HistoryStore()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase HistoryStore::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

int HistoryStore::currentSchemaVersion()
{
    return newestSchema;
}

Failure HistoryStore::failure(const QSqlError& error) const
{
    return m_driver->classify(error, m_location);
}

void HistoryStore::fail(const QSqlError& error) const
{
    throw failure(error);
}

void HistoryStore::exec(QSqlQuery& query) const
{
    if (!query.exec())
        fail(query.lastError());
}

int HistoryStore::schemaVersion()
{
    QSqlDatabase db = database();
    QSqlQuery query(db);
    query.prepare(m_driver->tableExistsSql());
    query.addBindValue(QStringLiteral("history_schema"));
    if (!query.exec() || !query.next())
        fail(query.lastError());
    if (!query.value(0).toBool())
        return 0;
    if (!query.exec(QStringLiteral("SELECT version FROM history_schema")) || !query.next())
        fail(query.lastError());
    return query.value(0).toInt();
}

void HistoryStore::migrate(int version)
{
    int stored = schemaVersion();
    while (true) {
        if (stored > newestSchema)
            throw Failure(FailureCause::NewerSchema, m_location,
                QStringLiteral("schema %1, program knows %2").arg(stored).arg(newestSchema));
        if (stored >= version)
            return;
        // Two programs may open one store at once: the second waits for the
        // first one's step and then reads it done.
        StoreTransaction step(database(), *m_driver, m_location, m_driver->beginSchemaStep());
        stored = schemaVersion();
        if (stored >= version || stored > newestSchema)
            continue;
        applySchemaStep(++stored);
        step.commit();
    }
}

void HistoryStore::applySchemaStep(int version)
{
    QSqlQuery query(database());
    QStringList steps = statements(schemaStepText({}, version));
    if (m_driver->takesServerSteps())
        steps << statements(schemaStepText(QStringLiteral("server/"), version));
    steps << QStringLiteral("UPDATE history_schema SET version = %1").arg(version);
    QString schema;
    for (QString statement : steps) {
        statement.replace(QStringLiteral("{id_column}"), m_driver->idColumn());
        // The schema the tables are in, named in what the server's
        // functions may see.
        if (statement.contains(QLatin1String("{schema}"))) {
            if (schema.isEmpty()) {
                if (!query.exec(QStringLiteral("SELECT pg_catalog.quote_ident("
                                               "pg_catalog.current_schema())"))
                    || !query.next())
                    fail(query.lastError());
                schema = query.value(0).toString();
            }
            statement.replace(QStringLiteral("{schema}"), schema);
        }
        if (!query.exec(statement))
            fail(query.lastError());
    }
}

qint64 HistoryStore::record(LoadRecord& load)
{
    StoreTransaction transaction(database(), *m_driver, m_location);
    LoadRecord stored = load;
    stored.station.clear();
    const qint64 id = insert(stored, false, nullptr);
    numberHereAndSend(QStringLiteral("loads"), Outbox::Loads, id);
    transaction.commit();
    load.id = id;
    load.station.clear();
    load.stationNumber = id;
    return id;
}

bool HistoryStore::receive(const LoadRecord& load)
{
    bool inserted = false;
    insert(load, true, &inserted);
    return inserted;
}

qint64 HistoryStore::insert(const LoadRecord& load, bool conflictIgnored, bool* inserted)
{
    const QVector<LoadColumn>& columns = storedColumns();
    QStringList places;
    for (qsizetype i = 0; i < columns.size(); ++i)
        places << QStringLiteral("?");
    QString sql = QStringLiteral("INSERT INTO loads (%1) VALUES (%2)")
                      .arg(columnListSql(columns), places.join(u','));
    if (conflictIgnored)
        sql += QStringLiteral(" ON CONFLICT (station, station_number) DO NOTHING");
    sql += m_driver->insertedIdClause();
    QSqlQuery query(database());
    if (!query.prepare(sql))
        fail(query.lastError());
    for (LoadColumn column : columns)
        query.addBindValue(storedValue(load, column));
    exec(query);
    if (inserted)
        *inserted = query.numRowsAffected() > 0;
    return m_driver->insertedId(query);
}

namespace {

struct OutboxTable {
    const char* table;
    const char* idColumn;
};

OutboxTable outboxTable(HistoryStore::Outbox outbox)
{
    switch (outbox) {
    case HistoryStore::Outbox::Payments:
        return { "payment_outbox", "payment_id" };
    case HistoryStore::Outbox::Aliases:
        return { "alias_outbox", "alias_id" };
    default:
        return { "outbox", "load_id" };
    }
}

} // namespace

int HistoryStore::outboxCount()
{
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT (SELECT COUNT(*) FROM outbox) + (SELECT COUNT(*) FROM "
                                   "payment_outbox) + (SELECT COUNT(*) FROM alias_outbox)"))
        || !query.next())
        fail(query.lastError());
    return query.value(0).toInt();
}

QVector<qint64> HistoryStore::outboxIds(int limit, Outbox outbox)
{
    const OutboxTable table = outboxTable(outbox);
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY %1 LIMIT ?")
                      .arg(QLatin1String(table.idColumn), QLatin1String(table.table)));
    query.addBindValue(limit);
    exec(query);
    QVector<qint64> ids;
    while (query.next())
        ids << query.value(0).toLongLong();
    return ids;
}

void HistoryStore::markSent(qint64 id, Outbox outbox)
{
    const OutboxTable table = outboxTable(outbox);
    QSqlQuery query(database());
    query.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                      .arg(QLatin1String(table.table), QLatin1String(table.idColumn)));
    query.addBindValue(id);
    exec(query);
}

void HistoryStore::numberHereAndSend(const QString& table, Outbox outbox, qint64 id)
{
    QSqlQuery number(database());
    number.prepare(QStringLiteral("UPDATE %1 SET station_number = id WHERE id = ?").arg(table));
    number.addBindValue(id);
    exec(number);
    enterOutbox(outbox, id);
}

void HistoryStore::enterOutbox(Outbox outbox, qint64 id)
{
    const OutboxTable table = outboxTable(outbox);
    QSqlQuery query(database());
    query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (?)")
                      .arg(QLatin1String(table.table), QLatin1String(table.idColumn)));
    query.addBindValue(id);
    exec(query);
}
