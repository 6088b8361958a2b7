#include "history/history_store.h"

#include "history/load_query.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

constexpr int newestSchema = 4;

// Held by the one program that brings a server's schema up at a time.
constexpr qint64 migrationLockKey = 0x51766873;

QString schemaStepText(int version)
{
    QFile file(QStringLiteral(":/history/schema/%1.sql").arg(version));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("history schema step %d is not built in", version);
    return QString::fromUtf8(file.readAll());
}

// The statements of a step, comments left out.
QStringList statements(const QString& step)
{
    QStringList lines;
    for (const QString& line : step.split(u'\n'))
        if (!line.trimmed().startsWith(QStringLiteral("--")))
            lines << line;
    QStringList result;
    for (const QString& statement : lines.join(u'\n').split(u';'))
        if (!statement.trimmed().isEmpty())
            result << statement.trimmed();
    return result;
}

const char* loadColumns = "recorded_at, day, kind, bill_number, species, buyer, truck, supplier, "
                          "contact, scaler, pieces_e4, volume_e4, amount_fen, detail, station, "
                          "station_number";

// Every text column is NOT NULL: an empty field is stored as ''.
QString notNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

QString historyFailureMessage(const HistoryError& error)
{
    const QString where = QDir::toNativeSeparators(error.location());
    switch (error.cause()) {
    case HistoryFailure::Locked:
        return QStringLiteral("历史数据库“%1”正被其他程序占用").arg(where);
    case HistoryFailure::Damaged:
        return QStringLiteral("历史数据库“%1”已损坏").arg(where);
    case HistoryFailure::DiskFull:
        return QStringLiteral("磁盘已满，历史数据库“%1”无法写入").arg(where);
    case HistoryFailure::NotWritable:
        return QStringLiteral("历史数据库“%1”无法写入").arg(where);
    case HistoryFailure::NewerSchema:
        return QStringLiteral("历史数据库“%1”由更新版本的程序建立，请更新本程序").arg(where);
    case HistoryFailure::Unreachable:
        return QStringLiteral("连接不上历史数据服务器“%1”").arg(where);
    case HistoryFailure::LoginRefused:
        return QStringLiteral("历史数据服务器“%1”拒绝登录，请检查用户名和密码").arg(where);
    case HistoryFailure::DatabaseMissing:
        return QStringLiteral("历史数据服务器“%1”上没有这个数据库").arg(where);
    case HistoryFailure::NoRight:
        return QStringLiteral("用户没有在历史数据服务器“%1”上建表或写入的权限，请让管理员授权或先建立一次").arg(where);
    case HistoryFailure::StationTaken:
        return QStringLiteral("历史数据服务器“%1”上已有同名检尺站的不同记录，请在设置中给本机起一个别处没用过的检尺站名称").arg(where);
    case HistoryFailure::Other:
        break;
    }
    return QStringLiteral("历史数据库“%1”出错").arg(where);
}

HistoryStore::HistoryStore(QString connectionName, QString location, Dialect dialect)
    : m_connectionName(std::move(connectionName))
    , m_location(std::move(location))
    , m_dialect(dialect)
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

void HistoryStore::fail(const QSqlError& error) const
{
    throw failure(error);
}

int HistoryStore::schemaVersion()
{
    QSqlDatabase db = database();
    if (!db.tables().contains(QStringLiteral("history_schema")))
        return 0;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT version FROM history_schema")) || !query.next())
        fail(query.lastError());
    return query.value(0).toInt();
}

void HistoryStore::migrate(int version)
{
    int stored = schemaVersion();
    while (true) {
        if (stored > newestSchema)
            throw HistoryError(HistoryFailure::NewerSchema, m_location,
                QStringLiteral("schema %1, program knows %2").arg(stored).arg(newestSchema));
        if (stored >= version)
            return;
        // Two programs may open one store at once: the second waits for the
        // first one's step and then reads it done.
        beginMigrationStep();
        try {
            stored = schemaVersion();
        } catch (const HistoryError&) {
            database().rollback();
            throw;
        }
        if (stored >= version || stored > newestSchema) {
            database().rollback();
            continue;
        }
        applySchemaStep(++stored);
    }
}

void HistoryStore::beginMigrationStep()
{
    QSqlDatabase db = database();
    QSqlQuery query(db);
    const QStringList begin = m_dialect == Dialect::Sqlite
        ? QStringList { QStringLiteral("BEGIN IMMEDIATE") }
        : QStringList { QStringLiteral("BEGIN"), QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(migrationLockKey) };
    for (const QString& statement : begin) {
        if (!query.exec(statement)) {
            const QSqlError error = query.lastError();
            db.rollback();
            fail(error);
        }
    }
}

// Runs inside the transaction beginMigrationStep opened, and commits it.
void HistoryStore::applySchemaStep(int version)
{
    QSqlDatabase db = database();
    const QString idColumn = m_dialect == Dialect::Sqlite ? QStringLiteral("INTEGER PRIMARY KEY")
                                                          : QStringLiteral("BIGSERIAL PRIMARY KEY");
    QSqlQuery query(db);
    const QStringList steps = statements(schemaStepText(version))
        << QStringLiteral("UPDATE history_schema SET version = %1").arg(version);
    for (QString statement : steps) {
        statement.replace(QStringLiteral("{id_column}"), idColumn);
        if (!query.exec(statement)) {
            const QSqlError error = query.lastError();
            db.rollback();
            fail(error);
        }
    }
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        db.rollback();
        fail(error);
    }
}

qint64 HistoryStore::record(LoadRecord& load)
{
    QSqlDatabase db = database();
    if (!db.transaction())
        fail(db.lastError());
    LoadRecord stored = load;
    stored.station.clear();
    bool inserted = false;
    qint64 id = 0;
    try {
        insert(stored, false, inserted, id);
        QSqlQuery number(db);
        number.prepare(QStringLiteral("UPDATE loads SET station_number = id WHERE id = ?"));
        number.addBindValue(id);
        if (!number.exec())
            fail(number.lastError());
        QSqlQuery outbox(db);
        outbox.prepare(QStringLiteral("INSERT INTO outbox (load_id) VALUES (?)"));
        outbox.addBindValue(id);
        if (!outbox.exec())
            fail(outbox.lastError());
    } catch (const HistoryError&) {
        db.rollback();
        throw;
    }
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        db.rollback();
        fail(error);
    }
    load.id = id;
    load.station.clear();
    load.stationNumber = id;
    return id;
}

bool HistoryStore::receive(const LoadRecord& load)
{
    bool inserted = false;
    qint64 id = 0;
    insert(load, true, inserted, id);
    return inserted;
}

void HistoryStore::insert(const LoadRecord& load, bool conflictIgnored, bool& inserted, qint64& id)
{
    QSqlQuery query(database());
    QString sql = QStringLiteral("INSERT INTO loads (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                 "?, ?, ?, ?, ?, ?)")
                      .arg(QLatin1String(loadColumns));
    if (conflictIgnored)
        sql += QStringLiteral(" ON CONFLICT (station, station_number) DO NOTHING");
    if (m_dialect == Dialect::Postgres)
        sql += QStringLiteral(" RETURNING id");
    if (!query.prepare(sql))
        fail(query.lastError());
    query.addBindValue(load.recordedAt.toString(Qt::ISODate));
    query.addBindValue(load.recordedAt.date().toString(Qt::ISODate));
    query.addBindValue(int(load.kind));
    query.addBindValue(notNull(load.billNumber));
    query.addBindValue(notNull(load.tally.species));
    for (const CaptionedValue& captioned : load.tally.captions)
        query.addBindValue(notNull(captioned.value));
    query.addBindValue(notNull(load.tally.scaler));
    query.addBindValue(load.piecesE4());
    query.addBindValue(load.volumeE4());
    query.addBindValue(load.amountFen());
    query.addBindValue(QString::fromUtf8(load.detailJson()));
    query.addBindValue(notNull(load.station));
    query.addBindValue(load.stationNumber);
    if (!query.exec())
        fail(query.lastError());
    inserted = query.numRowsAffected() > 0;
    if (m_dialect == Dialect::Postgres)
        id = query.next() ? query.value(0).toLongLong() : 0;
    else
        id = query.lastInsertId().toLongLong();
}

std::optional<LoadRecord> HistoryStore::loadById(qint64 id)
{
    return checkedLoad(readLoad(database(), id), id);
}

std::optional<LoadRecord> HistoryStore::loadByOrigin(const QString& station, qint64 stationNumber)
{
    return checkedLoad(readLoadByOrigin(database(), station, stationNumber), stationNumber);
}

std::optional<LoadRecord> HistoryStore::checkedLoad(const LoadRead& read, qint64 key) const
{
    if (read.error.isValid())
        fail(read.error);
    if (read.damaged)
        throw HistoryError(HistoryFailure::Damaged, m_location, QStringLiteral("load %1 detail").arg(key));
    return read.load;
}

int HistoryStore::outboxCount()
{
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM outbox")) || !query.next())
        fail(query.lastError());
    return query.value(0).toInt();
}

QVector<qint64> HistoryStore::outboxIds(int limit)
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT load_id FROM outbox ORDER BY load_id LIMIT ?"));
    query.addBindValue(limit);
    if (!query.exec())
        fail(query.lastError());
    QVector<qint64> ids;
    while (query.next())
        ids << query.value(0).toLongLong();
    return ids;
}

void HistoryStore::markSent(qint64 id)
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("DELETE FROM outbox WHERE load_id = ?"));
    query.addBindValue(id);
    if (!query.exec())
        fail(query.lastError());
}
