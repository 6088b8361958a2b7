#pragma once

// The record of past loads, behind one small interface: a store over a Qt
// SQL connection, with the schema in numbered .sql resources that are
// applied in order from the version a store holds. SQLite on the clerk's
// machine; a shared server behind the same calls. What differs between the
// two is in their HistoryDriver; the reads are the HistoryReader's.

#include "history/history_driver.h"
#include "history/history_reader.h"
#include "history/partner_accounts.h"
#include "history/refused_records.h"

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
    Result<std::optional<LoadRecord>> loadByOrigin(const QString& station, qint64 stationNumber);

    // What was recorded here and not yet on the server: how many loads,
    // payments and joins of names together, the oldest ids of one of them
    // first, and one taken out once the server has it.
    enum class Outbox { Loads, Payments, Aliases };
    int outboxCount();
    QVector<qint64> outboxIds(int limit, Outbox outbox = Outbox::Loads);
    void markSent(qint64 id, Outbox outbox = Outbox::Loads);
    // A record the server refused for good leaves its outbox and is kept
    // aside with the cause (refused_records.cpp).
    void setAside(Outbox outbox, qint64 id, const QString& cause);
    RefusedRecords refusedRecords();

    // Partner accounts (partner_accounts_store.cpp). Each record is written
    // in one transaction with its outbox entry and given its id and station
    // number, like record(); the receives store a station's record once,
    // like receive().
    //
    // Throws PaymentIncomplete unless it names a partner and a day and its
    // amount is above zero; a reversal is made by reversePayment() only.
    qint64 recordPayment(Payment& payment);
    // Records the payment that cancels `original` (the same partner,
    // direction, way and day, the amount negated), recorded now. Throws
    // ReversalNotReversible for a reversal, AlreadyReversed when it has one.
    qint64 reversePayment(const Payment& original, const QString& note);
    // Throws JoinRefused for a name joined into itself or joined already,
    // JoinIntoJoined when the partner is joined into another (a cycle too),
    // JoinOfPartner when names are joined into the alias (see PartnerNames).
    qint64 recordAlias(PartnerAlias& alias);
    bool receivePayment(const Payment& payment);
    bool receiveAlias(const PartnerAlias& alias);
    Result<std::optional<Payment>> paymentByOrigin(const QString& station, qint64 stationNumber);
    Result<std::optional<PartnerAlias>> aliasByOrigin(const QString& station, qint64 stationNumber);
    // Every join of names, in the order they were stored.
    Result<QVector<PartnerAlias>> partnerAliases();

    // The reads of partner accounts (partner_accounts_reads.cpp); sums
    // beyond 64 bits fail as OutOfRange.
    // Every partner with a stock in, stock out or payment before the
    // period's end, names folded by their joins, sorted by name.
    Result<QVector<PartnerBalance>> partnerBalances(const AccountPeriod& period);
    // One partner (or a name joined into it) over the period.
    Result<PartnerStatement> partnerStatement(const QString& partner, const AccountPeriod& period);
    // The partners, folded and sorted, bounded as the names offered.
    Result<QStringList> partnerNames();

    // The newest schema this program knows.
    static int currentSchemaVersion();

    // HistoryReader (history_store_reads.cpp).
    Result<std::unique_ptr<LoadCursor>> listLoads(
        const LoadFilter& filter, LoadColumn sortBy, Qt::SortOrder order) override;
    Result<KindTotals> totals(const LoadFilter& filter) override;
    Result<QVector<ReportRow>> stockReport(
        const LoadFilter& filter, ReportGrouping grouping) override;
    Result<QStringList> recordedSpecies() override;
    Result<QStringList> recordedStations() override;
    Result<QStringList> recentValues(LoadColumn column) override;
    Result<std::optional<LoadRecord>> loadById(qint64 id) override;

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
    Failure failure(const QSqlError& error) const;
    [[noreturn]] void fail(const QSqlError& error) const;

private:
    void applySchemaStep(int version);
    qint64 insert(const LoadRecord& load, bool conflictIgnored, bool* inserted);
    void exec(QSqlQuery& query) const;
    Result<std::optional<LoadRecord>> readLoadWhere(
        const QString& where, const QVariantList& values, qint64 key);
    Result<QStringList> distinctValues(LoadColumn column);
    Failure outOfRange() const;
    qint64 insertPayment(const Payment& payment, bool conflictIgnored, bool* inserted);
    qint64 insertAlias(const PartnerAlias& alias, bool conflictIgnored, bool* inserted);
    // One row of bound values; `onConflict` ends the statement (or is empty).
    qint64 insertRow(const QString& table, const QString& columns, const QVariantList& values,
        const QString& onConflict, bool* inserted);
    void enterOutbox(Outbox outbox, qint64 id);
    // A row recorded here: numbered by its id, and into the outbox.
    void numberHereAndSend(const QString& table, Outbox outbox, qint64 id);
    Result<QVector<Payment>> readPayments(const QString& where, const QVariantList& values);
    Result<QVector<PartnerAlias>> readAliases(const QString& where, const QVariantList& values);
    Result<QVector<AccountEntry>> statementLoads(
        const QStringList& names, const AccountPeriod& period);
    Result<Fen> openingBalance(const QStringList& names, const QDate& from);

    QString m_connectionName;
    QString m_location;
    std::unique_ptr<const HistoryDriver> m_driver;
};
