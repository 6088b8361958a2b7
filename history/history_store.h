#pragma once

// The record of past loads, behind one small interface: a store over a Qt
// SQL connection, with the schema in numbered .sql resources that are
// applied in order from the version a store holds. SQLite on the clerk's
// machine; a shared server behind the same calls. What differs between the
// two is in their HistoryDriver; the reads are the HistoryReader's.

#include "history/history_driver.h"
#include "history/history_reader.h"

#include <QSqlDatabase>
#include <QString>
#include <QVector>
#include <memory>
#include <optional>

class HistoryStore : public HistoryReader {
public:
    ~HistoryStore() override;

    // The connection itself, for tools and tests that write SQL of their
    // own; the program reads through the HistoryReader calls.
    QSqlDatabase database() const;
    QString location() const override { return m_location; }
    int schemaVersion();

    // Writes the load in one transaction and gives it its id (and, recorded
    // here, its station number); in the same transaction it enters the
    // outbox. Nothing of it is kept when this throws.
    qint64 record(LoadRecord& load);

    // Stores a load recorded elsewhere (a station's), once: a load whose
    // station and number are stored already is left alone. True if new.
    bool receive(const LoadRecord& load);

    // The load a station recorded as its number `stationNumber`.
    HistoryResult<std::optional<LoadRecord>> loadByOrigin(
        const QString& station, qint64 stationNumber);

    // The loads recorded here and not yet on the server: how many, the
    // oldest ids first, and one taken out once the server has it.
    int outboxCount();
    QVector<qint64> outboxIds(int limit);
    void markSent(qint64 id);

    // The newest schema this program knows.
    static int currentSchemaVersion();

    // HistoryReader (history_store_reads.cpp).
    HistoryResult<std::unique_ptr<LoadCursor>> listLoads(
        const LoadFilter& filter, LoadColumn sortBy, Qt::SortOrder order) override;
    HistoryResult<KindTotals> totals(const LoadFilter& filter) override;
    HistoryResult<QVector<ReportRow>> stockReport(
        const LoadFilter& filter, ReportGrouping grouping) override;
    HistoryResult<QStringList> recordedSpecies() override;
    HistoryResult<QStringList> recordedStations() override;
    HistoryResult<QStringList> recentValues(LoadColumn column) override;
    HistoryResult<std::optional<LoadRecord>> loadById(qint64 id) override;

    // How many of the newest loads recentValues() looks through.
    static constexpr int recentLoads = 5000;

protected:
    HistoryStore(
        QString connectionName, QString location, std::unique_ptr<const HistoryDriver> driver);
    QString connectionName() const { return m_connectionName; }
    const HistoryDriver& driver() const { return *m_driver; }

    // Brings the schema up to `version` (the current one unless given),
    // one step per version, each in its own transaction.
    void migrate(int version = currentSchemaVersion());
    // A failed statement as the error a message can name.
    HistoryError failure(const QSqlError& error) const;
    [[noreturn]] void fail(const QSqlError& error) const;

private:
    void applySchemaStep(int version);
    qint64 insert(const LoadRecord& load, bool conflictIgnored, bool* inserted);
    void exec(QSqlQuery& query) const;
    HistoryResult<std::optional<LoadRecord>> readLoadWhere(
        const QString& where, const QVariantList& values, qint64 key);
    HistoryResult<QStringList> distinctValues(LoadColumn column);
    HistoryError outOfRange() const;

    QString m_connectionName;
    QString m_location;
    std::unique_ptr<const HistoryDriver> m_driver;
};
