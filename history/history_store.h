#pragma once

// The record of past loads, behind one small interface: a store over a Qt
// SQL connection, with the schema in numbered .sql resources that are
// applied in order from the version a store holds. SQLite on the clerk's
// machine; a shared server behind the same calls.

#include "history/load_record.h"

#include <QSqlDatabase>
#include <QString>
#include <QVector>
#include <exception>
#include <optional>

enum class HistoryFailure {
    Locked, // another program holds the database
    Damaged, // not a database, or its pages do not read
    DiskFull,
    NotWritable, // the file or its folder cannot be written
    NewerSchema, // made by a newer version of the program
    Unreachable, // the server does not answer
    LoginRefused, // wrong user or password
    DatabaseMissing,
    NoRight, // the user may not create the tables
    StationTaken, // the station's name is used by another machine too
    Other,
};

struct LoadRead;

class HistoryError : public std::exception {
public:
    HistoryError(HistoryFailure cause, QString location, QString detail = {})
        : m_cause(cause)
        , m_location(std::move(location))
        , m_detail(std::move(detail))
    {
    }
    HistoryFailure cause() const { return m_cause; }
    QString location() const { return m_location; } // the file, or the server
    QString detail() const { return m_detail; } // the driver's words: for the log only
    const char* what() const noexcept override { return "history error"; }

private:
    HistoryFailure m_cause;
    QString m_location;
    QString m_detail;
};

// The cause in a clerk's words, e.g. "历史数据库“…”已损坏".
QString historyFailureMessage(const HistoryError& error);

class HistoryStore {
public:
    virtual ~HistoryStore();

    // The connection the models and queries read through.
    QSqlDatabase database() const;
    QString location() const { return m_location; }
    int schemaVersion();

    // Writes the load in one transaction and gives it its id (and, recorded
    // here, its station number); in the same transaction it enters the
    // outbox. Nothing of it is kept when this throws.
    qint64 record(LoadRecord& load);

    // Stores a load recorded elsewhere (a station's), once: a load whose
    // station and number are stored already is left alone. True if new.
    bool receive(const LoadRecord& load);

    std::optional<LoadRecord> loadById(qint64 id);
    std::optional<LoadRecord> loadByOrigin(const QString& station, qint64 stationNumber);

    // The loads recorded here and not yet on the server: how many, the
    // oldest ids first, and one taken out once the server has it.
    int outboxCount();
    QVector<qint64> outboxIds(int limit);
    void markSent(qint64 id);

    // The newest schema this program knows.
    static int currentSchemaVersion();

protected:
    enum class Dialect { Sqlite, Postgres };
    HistoryStore(QString connectionName, QString location, Dialect dialect);
    QString connectionName() const { return m_connectionName; }

    // Brings the schema up to `version` (the current one unless given),
    // one step per version, each in its own transaction.
    void migrate(int version = currentSchemaVersion());
    // A failed statement as the error a message can name.
    virtual HistoryError failure(const QSqlError& error) const = 0;
    [[noreturn]] void fail(const QSqlError& error) const;

private:
    void beginMigrationStep();
    void applySchemaStep(int version);
    std::optional<LoadRecord> checkedLoad(const LoadRead& read, qint64 key) const;
    void insert(const LoadRecord& load, bool conflictIgnored, bool& inserted, qint64& id);

    QString m_connectionName;
    QString m_location;
    Dialect m_dialect;
};
