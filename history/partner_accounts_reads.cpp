// HistoryStore's partner accounts: the sums per name in SQL along the
// account indexes, the names folded into partners here, through the joins.
// A load's day and a payment's day place them in a period.

#include "history/history_store.h"
#include "history/load_query.h"
#include "history/store_sql.h"

#include <QMap>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <tuple>

namespace {

// The period's ends as texts days compare with: an open start is before
// every day, an open end after every one.
QString fromText(const AccountPeriod& period)
{
    return period.from.isValid() ? period.from.toString(Qt::ISODate) : QStringLiteral("");
}

QString toText(const AccountPeriod& period)
{
    return period.to.isValid() ? period.to.toString(Qt::ISODate) : QStringLiteral("9999-99-99");
}

// "?, ?, ?" for a list of names.
QString places(const QStringList& names)
{
    return QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", "));
}

QVariantList valuesOf(const QStringList& names)
{
    QVariantList values;
    for (const QString& name : names)
        values << name;
    return values;
}

// target += units, false when it leaves the 64-bit range.
bool addTo(Fen& target, qint64 units)
{
    const std::optional<Fen> sum = target.plus(Fen::fromUnits(units));
    if (sum)
        target = *sum;
    return sum.has_value();
}

// Per name: stocked in (1), out (2) or paid (3), the balance before the
// period, and within it the stock or the payments made and received.
const char balancesSql[]
    = "SELECT 1, supplier, SUM(CASE WHEN day < ? THEN amount_fen ELSE 0 END), "
      "SUM(CASE WHEN day >= ? THEN amount_fen ELSE 0 END), 0 "
      "FROM loads WHERE kind = 1 AND supplier > '' AND day <= ? GROUP BY supplier "
      "UNION ALL SELECT 2, buyer, SUM(CASE WHEN day < ? THEN amount_fen ELSE 0 END), "
      "SUM(CASE WHEN day >= ? THEN amount_fen ELSE 0 END), 0 "
      "FROM loads WHERE kind = 2 AND buyer > '' AND day <= ? GROUP BY buyer "
      "UNION ALL SELECT 3, partner, "
      "SUM(CASE WHEN day < ? THEN CASE direction WHEN 1 THEN amount_fen ELSE -amount_fen END "
      "ELSE 0 END), SUM(CASE WHEN day >= ? AND direction = 1 THEN amount_fen ELSE 0 END), "
      "SUM(CASE WHEN day >= ? AND direction = 2 THEN amount_fen ELSE 0 END) "
      "FROM payments WHERE day <= ? GROUP BY partner";

// Adds one row of balancesSql to the partner's figures.
bool addSums(PartnerBalance& balance, int source, const QVector<qint64>& sums)
{
    switch (source) {
    case 1:
        return addTo(balance.opening, -sums[0]) && addTo(balance.supplied, sums[1]);
    case 2:
        return addTo(balance.opening, sums[0]) && addTo(balance.sold, sums[1]);
    default:
        return addTo(balance.opening, sums[0]) && addTo(balance.paid, sums[1])
            && addTo(balance.received, sums[2]);
    }
}

AccountEntry paymentEntry(const Payment& payment)
{
    AccountEntry entry;
    entry.kind = AccountEntryKind::Payment;
    entry.day = payment.day;
    entry.recordedAt = payment.recordedAt;
    entry.number = accountLoadNumber(payment.station, payment.stationNumber);
    entry.amount = Fen::fromUnits(payment.amountFen);
    entry.payment = payment;
    entry.effect = Fen::fromUnits(payment.effectFen());
    return entry;
}

} // namespace

Result<QVector<PartnerBalance>> HistoryStore::partnerBalances(const AccountPeriod& period)
{
    const Result<QVector<PartnerAlias>> joins = partnerAliases();
    if (!joins)
        return joins.error();
    const PartnerNames names(*joins);
    const QString from = fromText(period), to = toText(period);
    QSqlQuery query = prepared(database(), QLatin1String(balancesSql),
        { from, from, to, from, from, to, from, from, from, to }, true, QSql::HighPrecision);
    if (!query.isActive())
        return failure(query.lastError());
    QMap<QString, PartnerBalance> partners;
    QMap<QString, QStringList> used;
    while (query.next()) {
        const std::optional<QVector<qint64>> sums = exactSums(query, 2, 3);
        if (!sums)
            return outOfRange();
        const QString name = query.value(1).toString();
        const QString partner = names.partnerOf(name);
        PartnerBalance& balance = partners[partner];
        balance.partner = partner;
        used[partner] << name;
        if (!addSums(balance, query.value(0).toInt(), *sums))
            return outOfRange();
    }
    if (query.lastError().isValid())
        return failure(query.lastError());
    QVector<PartnerBalance> balances;
    for (PartnerBalance& balance : partners) {
        if (!balance.closing())
            return outOfRange();
        balance.names = names.namesOf(balance.partner, used[balance.partner]);
        balances << balance;
    }
    return balances;
}

Result<Fen> HistoryStore::openingBalance(const QStringList& names, const QDate& from)
{
    if (!from.isValid())
        return Fen();
    const QString in = places(names);
    const QVariantList values = valuesOf(names);
    QSqlQuery query = prepared(database(),
        QStringLiteral(
            "SELECT (SELECT SUM(amount_fen) FROM loads WHERE kind = 2 AND buyer IN (%1) AND day "
            "< ?), (SELECT SUM(amount_fen) FROM loads WHERE kind = 1 AND supplier IN (%1) AND day "
            "< ?), (SELECT SUM(CASE direction WHEN 1 THEN amount_fen ELSE -amount_fen END) FROM "
            "payments WHERE partner IN (%1) AND day < ?)")
            .arg(in),
        QVariantList(values) << from.toString(Qt::ISODate) << values << from.toString(Qt::ISODate)
                             << values << from.toString(Qt::ISODate),
        true, QSql::HighPrecision);
    if (!query.isActive())
        return failure(query.lastError());
    if (!query.next())
        return failure(query.lastError());
    const std::optional<QVector<qint64>> sums = exactSums(query, 0, 3);
    Fen opening;
    if (!sums || !addTo(opening, sums->at(0)) || !addTo(opening, -sums->at(1))
        || !addTo(opening, sums->at(2)))
        return outOfRange();
    return opening;
}

Result<QVector<AccountEntry>> HistoryStore::statementLoads(
    const QStringList& names, const AccountPeriod& period)
{
    const QString in = places(names);
    const QString columns = QStringLiteral(
        "kind, day, recorded_at, SUBSTR(station, 1, %1), station_number, SUBSTR(truck, 1, %1), "
        "SUBSTR(species, 1, %1), pieces_e4, volume_e4, amount_fen, id, (SELECT "
        "MAX(bill.bill_number) FROM loads bill WHERE bill.kind = 3 AND bill.buyer = loads.buyer "
        "AND bill.day = loads.day AND bill.supplier = loads.supplier AND bill.station = "
        "loads.station AND bill.truck = loads.truck AND bill.species = loads.species AND "
        "bill.volume_e4 = loads.volume_e4 AND bill.amount_fen = loads.amount_fen)")
                                .arg(storedTextLength);
    QVariantList values = valuesOf(names);
    values << fromText(period) << toText(period);
    values += values;
    QSqlQuery query = prepared(database(),
        QStringLiteral("SELECT %1 FROM loads WHERE kind = 1 AND supplier IN (%2) AND day >= ? AND "
                       "day <= ? UNION ALL SELECT %1 FROM loads WHERE kind = 2 AND buyer IN (%2) "
                       "AND day >= ? AND day <= ? ORDER BY 2, 3, 11")
            .arg(columns, in),
        values);
    if (!query.isActive())
        return failure(query.lastError());
    QVector<AccountEntry> entries;
    while (query.next()) {
        AccountEntry entry;
        const bool stockIn = query.value(0).toInt() == int(LoadKind::StockIn);
        entry.kind = stockIn ? AccountEntryKind::StockIn : AccountEntryKind::StockOut;
        entry.day = QDate::fromString(query.value(1).toString(), Qt::ISODate);
        entry.recordedAt = QDateTime::fromString(query.value(2).toString(), Qt::ISODate);
        entry.number = accountLoadNumber(query.value(3).toString(), query.value(4).toLongLong());
        entry.truck = query.value(5).toString();
        entry.species = query.value(6).toString();
        entry.pieces = TenThousandths::fromUnits(query.value(7).toLongLong());
        entry.volume = TenThousandths::fromUnits(query.value(8).toLongLong());
        const qint64 amount = query.value(9).toLongLong();
        entry.amount = Fen::fromUnits(amount);
        entry.billNumber = query.value(11).toString().left(storedTextLength);
        entry.effect = Fen::fromUnits(stockIn ? -amount : amount);
        entries << entry;
    }
    if (query.lastError().isValid())
        return failure(query.lastError());
    return entries;
}

Result<PartnerStatement> HistoryStore::partnerStatement(
    const QString& partner, const AccountPeriod& period)
{
    const Result<QVector<PartnerAlias>> joins = partnerAliases();
    if (!joins)
        return joins.error();
    const PartnerNames names(*joins);
    PartnerStatement statement;
    statement.partner = names.partnerOf(partner);
    statement.names = names.namesOf(statement.partner);
    statement.period = period;
    if (statement.partner.isEmpty())
        return statement; // an empty name is no partner's
    const Result<Fen> opening = openingBalance(statement.names, period.from);
    if (!opening)
        return opening.error();
    Result<QVector<AccountEntry>> loads = statementLoads(statement.names, period);
    if (!loads)
        return loads.error();
    const Result<QVector<Payment>> payments = readPayments(
        QStringLiteral("partner IN (%1) AND day >= ? AND day <= ? ORDER BY day, recorded_at, id")
            .arg(places(statement.names)),
        valuesOf(statement.names) << fromText(period) << toText(period));
    if (!payments)
        return payments.error();
    statement.entries = std::move(loads).value();
    for (const Payment& payment : *payments)
        statement.entries << paymentEntry(payment);
    // Loads before payments recorded at the same second, each in its order.
    std::stable_sort(statement.entries.begin(), statement.entries.end(),
        [](const AccountEntry& a, const AccountEntry& b) {
            return std::tie(a.day, a.recordedAt) < std::tie(b.day, b.recordedAt);
        });
    Fen balance = *opening;
    statement.opening = balance;
    for (AccountEntry& entry : statement.entries) {
        if (!addTo(balance, entry.effect.units()))
            return outOfRange();
        entry.balance = balance;
    }
    statement.closing = balance;
    return statement;
}

Result<QStringList> HistoryStore::partnerNames()
{
    const Result<QVector<PartnerAlias>> joins = partnerAliases();
    if (!joins)
        return joins.error();
    const PartnerNames names(*joins);
    QSqlQuery query = prepared(database(),
        QStringLiteral("SELECT SUBSTR(supplier, 1, %1) FROM loads WHERE kind = 1 AND supplier > '' "
                       "GROUP BY supplier UNION SELECT SUBSTR(buyer, 1, %1) FROM loads WHERE kind "
                       "= 2 AND buyer > '' GROUP BY buyer UNION SELECT SUBSTR(partner, 1, %1) "
                       "FROM payments GROUP BY partner")
            .arg(listedNameLength + 1),
        {});
    if (!query.isActive())
        return failure(query.lastError());
    QSet<QString> partners;
    while (query.next()) {
        const QString name = query.value(0).toString();
        const QString partner = names.partnerOf(name);
        if (name.size() <= listedNameLength && partner.size() <= listedNameLength)
            partners.insert(partner);
    }
    if (query.lastError().isValid())
        return failure(query.lastError());
    QStringList sorted(partners.begin(), partners.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted.mid(0, listedNames);
}
