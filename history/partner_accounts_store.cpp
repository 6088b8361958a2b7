// HistoryStore's payments and joins of names: written like the loads, once
// and for good, each with its outbox entry in the one transaction.

#include "history/history_store.h"
#include "history/load_query.h"
#include "history/store_sql.h"
#include "history/store_transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString paymentColumns = QStringLiteral(
    "station, station_number, recorded_at, day, partner, direction, amount_fen, way, note, "
    "reverses_station, reverses_number");
const QString aliasColumns = QStringLiteral("station, station_number, recorded_at, alias, partner");

// Every text column is NOT NULL; none holds more than a field does.
QString stored(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text.left(storedTextLength);
}

// Read back under its own name.
QString bounded(const char* column)
{
    return QStringLiteral("SUBSTR(%1, 1, %2) AS %1")
        .arg(QLatin1String(column))
        .arg(storedTextLength);
}

// Times as the loads keep theirs: to the second, so one read back compares equal.
QDateTime toTheSecond(const QDateTime& time)
{
    const QDateTime when = time.isValid() ? time : QDateTime::currentDateTime();
    return QDateTime::fromString(when.toString(Qt::ISODate), Qt::ISODate);
}

QString placesFor(const QString& columns)
{
    return QStringList(columns.count(u',') + 1, QStringLiteral("?")).join(u',');
}

} // namespace

qint64 HistoryStore::insertPayment(const Payment& payment, bool conflictIgnored, bool* inserted)
{
    // Only a payment stored already is left out: a second reversal of one
    // payment fails, and its sender keeps it aside.
    return insertRow(QStringLiteral("payments"), paymentColumns,
        { stored(payment.station), payment.stationNumber, payment.recordedAt.toString(Qt::ISODate),
            payment.day.toString(Qt::ISODate), stored(payment.partner), int(payment.direction),
            payment.amountFen, stored(payment.way), stored(payment.note),
            stored(payment.reversesStation), payment.reversesNumber },
        conflictIgnored ? QStringLiteral(" ON CONFLICT (station, station_number) DO NOTHING")
                        : QString(),
        inserted);
}

qint64 HistoryStore::insertAlias(const PartnerAlias& alias, bool conflictIgnored, bool* inserted)
{
    return insertRow(QStringLiteral("partner_aliases"), aliasColumns,
        { stored(alias.station), alias.stationNumber, alias.recordedAt.toString(Qt::ISODate),
            stored(alias.alias), stored(alias.partner) },
        conflictIgnored ? QStringLiteral(" ON CONFLICT (station, station_number) DO NOTHING")
                        : QString(),
        inserted);
}

qint64 HistoryStore::insertRow(const QString& table, const QString& columns,
    const QVariantList& values, const QString& onConflict, bool* inserted)
{
    const QString sql
        = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)%4%5")
              .arg(table, columns, placesFor(columns), onConflict, m_driver->insertedIdClause());
    QSqlQuery query(database());
    if (!query.prepare(sql))
        fail(query.lastError());
    for (const QVariant& value : values)
        query.addBindValue(value);
    exec(query);
    if (inserted)
        *inserted = query.numRowsAffected() > 0;
    return m_driver->insertedId(query);
}

qint64 HistoryStore::recordPayment(Payment& payment)
{
    Payment entered = payment;
    entered.partner = entered.partner.trimmed();
    if (entered.partner.isEmpty() || !entered.day.isValid() || entered.amountFen <= 0
        || entered.isReversal())
        throw Failure(FailureCause::PaymentIncomplete, m_location,
            QStringLiteral("payment of %1 fen to \"%2\" on %3")
                .arg(entered.amountFen)
                .arg(entered.partner, entered.day.toString(Qt::ISODate)));
    entered.station.clear();
    entered.stationNumber = 0; // numbered by its id below
    entered.recordedAt = toTheSecond(entered.recordedAt);
    StoreTransaction transaction(database(), *m_driver, m_location);
    const qint64 id = insertPayment(entered, false, nullptr);
    numberHereAndSend(QStringLiteral("payments"), Outbox::Payments, id);
    transaction.commit();
    payment = entered;
    payment.id = id;
    payment.stationNumber = id;
    return id;
}

qint64 HistoryStore::reversePayment(const Payment& original, const QString& note)
{
    const QString origin
        = QStringLiteral("%1 %2").arg(original.station).arg(original.stationNumber);
    if (original.isReversal())
        throw Failure(FailureCause::ReversalNotReversible, m_location, origin);
    if (original.amountFen <= 0 || original.stationNumber == 0)
        throw Failure(FailureCause::PaymentIncomplete, m_location, origin);
    Payment reversal = original;
    reversal.id = 0;
    reversal.station.clear();
    reversal.stationNumber = 0;
    reversal.recordedAt = toTheSecond({});
    // On the day of the payment it cancels, so that no period's balance
    // keeps the mistake.
    reversal.day = original.day;
    reversal.amountFen = -original.amountFen;
    reversal.note = note;
    reversal.reversesStation = stored(original.station);
    reversal.reversesNumber = original.stationNumber;
    StoreTransaction transaction(database(), *m_driver, m_location);
    QSqlQuery reversed(database());
    reversed.prepare(QStringLiteral(
        "SELECT COUNT(*) FROM payments WHERE reverses_station = ? AND reverses_number = ?"));
    reversed.addBindValue(reversal.reversesStation);
    reversed.addBindValue(reversal.reversesNumber);
    exec(reversed);
    if (!reversed.next() || reversed.value(0).toLongLong() > 0)
        throw Failure(FailureCause::AlreadyReversed, m_location, origin);
    const qint64 id = insertPayment(reversal, false, nullptr);
    numberHereAndSend(QStringLiteral("payments"), Outbox::Payments, id);
    transaction.commit();
    return id;
}

qint64 HistoryStore::recordAlias(PartnerAlias& alias)
{
    PartnerAlias entered = alias;
    entered.station.clear();
    entered.stationNumber = 0;
    entered.recordedAt = toTheSecond(entered.recordedAt);
    StoreTransaction transaction(database(), *m_driver, m_location);
    const Result<QVector<PartnerAlias>> joins = partnerAliases();
    if (!joins)
        throw joins.error();
    const JoinRefusal refusal = PartnerNames(*joins).refusalOf(entered.alias, entered.partner);
    if (refusal)
        throw Failure(refusal.cause, m_location, refusal.reason);
    const qint64 id = insertAlias(entered, false, nullptr);
    numberHereAndSend(QStringLiteral("partner_aliases"), Outbox::Aliases, id);
    transaction.commit();
    alias = entered;
    alias.id = id;
    alias.stationNumber = id;
    return id;
}

bool HistoryStore::receivePayment(const Payment& payment)
{
    bool inserted = false;
    insertPayment(payment, true, &inserted);
    return inserted;
}

bool HistoryStore::receiveAlias(const PartnerAlias& alias)
{
    bool inserted = false;
    insertAlias(alias, true, &inserted);
    return inserted;
}

Result<QVector<Payment>> HistoryStore::readPayments(
    const QString& where, const QVariantList& values)
{
    QSqlQuery query = prepared(database(),
        QStringLiteral("SELECT id, %1, station_number, recorded_at, day, %2, direction, "
                       "amount_fen, %3, %4, %5, reverses_number FROM payments WHERE %6")
            .arg(bounded("station"), bounded("partner"), bounded("way"), bounded("note"),
                bounded("reverses_station"), where),
        values);
    if (!query.isActive())
        return failure(query.lastError());
    // By name, each column found once.
    const QSqlRecord columns = query.record();
    const auto value = [&query, &columns](const char* column) {
        return query.value(columns.indexOf(QLatin1String(column)));
    };
    QVector<Payment> payments;
    while (query.next()) {
        Payment payment;
        payment.id = value("id").toLongLong();
        payment.station = value("station").toString();
        payment.stationNumber = value("station_number").toLongLong();
        payment.recordedAt = QDateTime::fromString(value("recorded_at").toString(), Qt::ISODate);
        payment.day = QDate::fromString(value("day").toString(), Qt::ISODate);
        payment.partner = value("partner").toString();
        payment.direction = value("direction").toInt() == int(PaymentDirection::Paid)
            ? PaymentDirection::Paid
            : PaymentDirection::Received;
        payment.amountFen = value("amount_fen").toLongLong();
        payment.way = value("way").toString();
        payment.note = value("note").toString();
        payment.reversesStation = value("reverses_station").toString();
        payment.reversesNumber = value("reverses_number").toLongLong();
        payments << payment;
    }
    if (query.lastError().isValid())
        return failure(query.lastError());
    return payments;
}

Result<QVector<PartnerAlias>> HistoryStore::readAliases(
    const QString& where, const QVariantList& values)
{
    QSqlQuery query = prepared(database(),
        QStringLiteral("SELECT id, %1, station_number, recorded_at, %2, %3 FROM partner_aliases "
                       "WHERE %4")
            .arg(bounded("station"), bounded("alias"), bounded("partner"), where),
        values);
    if (!query.isActive())
        return failure(query.lastError());
    const QSqlRecord columns = query.record();
    const auto value = [&query, &columns](const char* column) {
        return query.value(columns.indexOf(QLatin1String(column)));
    };
    QVector<PartnerAlias> aliases;
    while (query.next()) {
        PartnerAlias alias;
        alias.id = value("id").toLongLong();
        alias.station = value("station").toString();
        alias.stationNumber = value("station_number").toLongLong();
        alias.recordedAt = QDateTime::fromString(value("recorded_at").toString(), Qt::ISODate);
        alias.alias = value("alias").toString();
        alias.partner = value("partner").toString();
        aliases << alias;
    }
    if (query.lastError().isValid())
        return failure(query.lastError());
    return aliases;
}

Result<std::optional<Payment>> HistoryStore::paymentByOrigin(
    const QString& station, qint64 stationNumber)
{
    const Result<QVector<Payment>> found = readPayments(
        QStringLiteral("station = ? AND station_number = ?"), { stored(station), stationNumber });
    if (!found)
        return found.error();
    return found->isEmpty() ? std::optional<Payment>() : std::optional<Payment>(found->first());
}

Result<std::optional<PartnerAlias>> HistoryStore::aliasByOrigin(
    const QString& station, qint64 stationNumber)
{
    const Result<QVector<PartnerAlias>> found = readAliases(
        QStringLiteral("station = ? AND station_number = ?"), { stored(station), stationNumber });
    if (!found)
        return found.error();
    return found->isEmpty() ? std::optional<PartnerAlias>()
                            : std::optional<PartnerAlias>(found->first());
}

Result<QVector<PartnerAlias>> HistoryStore::partnerAliases()
{
    return readAliases(QStringLiteral("1 = 1 ORDER BY id"), {});
}
