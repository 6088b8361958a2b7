#include "history/load_query.h"

#include <QSet>
#include <QSqlError>
#include <QSqlRecord>
#include <QVariant>

LoadFilter LoadFilter::thisMonth(const QDate& today)
{
    LoadFilter filter;
    filter.from = QDate(today.year(), today.month(), 1);
    filter.to = filter.from.addMonths(1).addDays(-1);
    return filter;
}

namespace {

// A LIKE pattern that finds the text itself, wildcards included.
QString containsPattern(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'%', QStringLiteral("\\%"));
    escaped.replace(u'_', QStringLiteral("\\_"));
    return u'%' + escaped + u'%';
}

QSqlQuery prepared(const QSqlDatabase& db, const QString& sql, const QVariantList& values, bool forwardOnly = true)
{
    QSqlQuery query(db);
    query.setForwardOnly(forwardOnly);
    if (!query.prepare(sql))
        return query;
    for (const QVariant& value : values)
        query.addBindValue(value);
    query.exec();
    return query;
}

} // namespace

FilterClause filterClause(const LoadFilter& filter)
{
    QStringList conditions;
    FilterClause clause;
    // The time recorded begins with its day: a period is a range of those
    // texts, along the listing index.
    if (filter.from.isValid()) {
        conditions << QStringLiteral("recorded_at >= ?");
        clause.values << filter.from.toString(Qt::ISODate);
    }
    if (filter.to.isValid()) {
        conditions << QStringLiteral("recorded_at < ?");
        clause.values << filter.to.addDays(1).toString(Qt::ISODate);
    }
    if (filter.kind) {
        conditions << QStringLiteral("kind = ?");
        clause.values << filter.kind;
    }
    if (!filter.species.isEmpty()) {
        conditions << QStringLiteral("species = ?");
        clause.values << filter.species;
    }
    if (!filter.station.isEmpty()) {
        conditions << QStringLiteral("station = ?");
        clause.values << filter.station;
    }
    const QString text = filter.text.trimmed();
    if (!text.isEmpty()) {
        QStringList found;
        for (const char* column : { "buyer", "supplier", "truck", "contact" }) {
            found << QStringLiteral("%1 LIKE ? ESCAPE '\\'").arg(QLatin1String(column));
            clause.values << containsPattern(text);
        }
        conditions << u'(' + found.join(QStringLiteral(" OR ")) + u')';
    }
    if (!conditions.isEmpty())
        clause.sql = QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    return clause;
}

QString loadColumnSql(LoadColumn column)
{
    switch (column) {
    case LoadColumn::RecordedAt:
        return QStringLiteral("recorded_at");
    case LoadColumn::Kind:
        return QStringLiteral("kind");
    case LoadColumn::BillNumber:
        return QStringLiteral("bill_number");
    case LoadColumn::Species:
        return QStringLiteral("species");
    case LoadColumn::Buyer:
        return QStringLiteral("buyer");
    case LoadColumn::Supplier:
        return QStringLiteral("supplier");
    case LoadColumn::Truck:
        return QStringLiteral("truck");
    case LoadColumn::Pieces:
        return QStringLiteral("pieces_e4");
    case LoadColumn::Volume:
        return QStringLiteral("volume_e4");
    case LoadColumn::Amount:
        return QStringLiteral("amount_fen");
    case LoadColumn::Station:
        return QStringLiteral("station");
    case LoadColumn::Contact:
        return QStringLiteral("contact");
    case LoadColumn::Scaler:
        return QStringLiteral("scaler");
    }
    return QStringLiteral("id");
}

QSqlQuery selectLoads(const QSqlDatabase& db, const LoadFilter& filter, LoadColumn sortBy, Qt::SortOrder order)
{
    const FilterClause clause = filterClause(filter);
    const char* direction = order == Qt::AscendingOrder ? "ASC" : "DESC";
    const QString sql = QStringLiteral(
        "SELECT recorded_at, kind, bill_number, species, buyer, supplier, truck, pieces_e4, "
        "volume_e4, amount_fen, station, id FROM loads%1 ORDER BY %2 %3, id %3")
                            .arg(clause.sql, loadColumnSql(sortBy), QLatin1String(direction));
    return prepared(db, sql, clause.values, false);
}

LoadTotals loadTotals(const QSqlDatabase& db, const LoadFilter& filter, bool* ok, QSqlError* error)
{
    const FilterClause clause = filterClause(filter);
    QSqlQuery query = prepared(db,
        QStringLiteral("SELECT COUNT(*), SUM(pieces_e4), SUM(volume_e4), SUM(amount_fen) FROM loads") + clause.sql,
        clause.values);
    LoadTotals totals;
    const bool read = query.isActive() && query.next();
    if (ok)
        *ok = read;
    if (error)
        *error = query.lastError();
    if (read) {
        totals.loads = query.value(0).toLongLong();
        totals.piecesE4 = query.value(1).toLongLong();
        totals.volumeE4 = query.value(2).toLongLong();
        totals.amountFen = query.value(3).toLongLong();
    }
    return totals;
}

QVector<ReportRow> stockReport(const QSqlDatabase& db, const LoadFilter& filter, ReportGrouping grouping,
    bool* ok, QSqlError* error)
{
    LoadFilter period;
    period.from = filter.from;
    period.to = filter.to;
    period.station = filter.station;
    FilterClause clause = filterClause(period);
    clause.sql += clause.sql.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ");
    clause.sql += QStringLiteral("kind IN (1, 2)");
    const QString key = grouping == ReportGrouping::BySpecies ? QStringLiteral("species")
        : grouping == ReportGrouping::ByDay                    ? QStringLiteral("day")
                                                               : QStringLiteral("SUBSTR(day, 1, 7)");
    auto sumOf = [](const char* column, int kind) {
        return QStringLiteral("SUM(CASE WHEN kind = %1 THEN %2 ELSE 0 END)").arg(kind).arg(QLatin1String(column));
    };
    const QString sql = QStringLiteral("SELECT %1, %2, %3, %4, %5, %6, %7 FROM loads%8 GROUP BY %1 ORDER BY %1")
                            .arg(key, sumOf("pieces_e4", 1), sumOf("volume_e4", 1), sumOf("amount_fen", 1),
                                sumOf("pieces_e4", 2), sumOf("volume_e4", 2), sumOf("amount_fen", 2), clause.sql);
    QSqlQuery query = prepared(db, sql, clause.values);
    if (ok)
        *ok = query.isActive();
    if (error)
        *error = query.lastError();
    QVector<ReportRow> rows;
    while (query.next()) {
        ReportRow row;
        row.key = query.value(0).toString();
        row.piecesInE4 = query.value(1).toLongLong();
        row.volumeInE4 = query.value(2).toLongLong();
        row.amountInFen = query.value(3).toLongLong();
        row.piecesOutE4 = query.value(4).toLongLong();
        row.volumeOutE4 = query.value(5).toLongLong();
        row.amountOutFen = query.value(6).toLongLong();
        rows << row;
    }
    return rows;
}

namespace {

// From one value to the next along the column's index, so the cost grows
// with the values, not with the loads (a DISTINCT reads the whole index).
QStringList distinctColumn(const QSqlDatabase& db, const char* column)
{
    QSqlQuery query = prepared(db,
        QStringLiteral("WITH RECURSIVE found(value) AS (SELECT MIN(%1) FROM loads WHERE %1 > '' "
                       "UNION ALL SELECT (SELECT MIN(%1) FROM loads WHERE %1 > found.value) FROM found "
                       "WHERE found.value IS NOT NULL) SELECT value FROM found WHERE value IS NOT NULL")
            .arg(QLatin1String(column)),
        {});
    QStringList values;
    while (query.next())
        values << query.value(0).toString();
    return values;
}

} // namespace

QStringList recordedSpecies(const QSqlDatabase& db)
{
    return distinctColumn(db, "species");
}

QStringList recordedStations(const QSqlDatabase& db)
{
    return distinctColumn(db, "station");
}

QStringList recentValues(const QSqlDatabase& db, LoadColumn column, int loads)
{
    QSqlQuery query = prepared(db,
        QStringLiteral("SELECT %1 FROM loads ORDER BY id DESC LIMIT ?").arg(loadColumnSql(column)), { loads });
    QStringList values;
    QSet<QString> seen;
    while (query.next()) {
        const QString value = query.value(0).toString();
        if (!value.isEmpty() && !seen.contains(value)) {
            seen.insert(value);
            values << value;
        }
    }
    return values;
}

namespace {

LoadRead readLoadWhere(const QSqlDatabase& db, const QString& where, const QVariantList& values)
{
    QSqlQuery query = prepared(db,
        QStringLiteral("SELECT id, recorded_at, kind, bill_number, species, buyer, truck, supplier, contact, "
                       "scaler, detail, station, station_number FROM loads WHERE ")
            + where,
        values);
    LoadRead read;
    if (!query.isActive()) {
        read.error = query.lastError();
        return read;
    }
    if (!query.next())
        return read;
    LoadRecord load;
    load.id = query.value(0).toLongLong();
    load.recordedAt = QDateTime::fromString(query.value(1).toString(), Qt::ISODate);
    load.kind = LoadKind(query.value(2).toInt());
    load.billNumber = query.value(3).toString();
    load.tally.species = query.value(4).toString();
    for (int i = 0; i < 4; ++i)
        load.tally.captions[i].value = query.value(5 + i).toString();
    load.tally.scaler = query.value(9).toString();
    load.station = query.value(11).toString();
    load.stationNumber = query.value(12).toLongLong();
    if (!load.readDetailJson(query.value(10).toString().toUtf8()) || !load.recordedAt.isValid()) {
        read.damaged = true;
        return read;
    }
    read.load = load;
    return read;
}

} // namespace

LoadRead readLoad(const QSqlDatabase& db, qint64 id)
{
    return readLoadWhere(db, QStringLiteral("id = ?"), { id });
}

LoadRead readLoadByOrigin(const QSqlDatabase& db, const QString& station, qint64 stationNumber)
{
    // Every text column is NOT NULL: no station is ''.
    return readLoadWhere(db, QStringLiteral("station = ? AND station_number = ?"),
        { station.isNull() ? QStringLiteral("") : station, stationNumber });
}
