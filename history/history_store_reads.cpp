// HistoryStore's reads: plain SQL that the SQLite and the PostgreSQL store
// both understand, with bound values only. A read that fails gives the
// failure as its driver names it.

#include "history/history_store.h"
#include "history/load_columns.h"
#include "history/store_sql.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <functional>

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

// The WHERE clause of a filter ("" for none) and its values in order.
struct FilterClause {
    QString sql;
    QVariantList values;
};

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
        // Never along an index: the accounts' indexes begin with the kind,
        // and SQLite would take one of them (a third of all loads, sorted
        // anew) over the period's range of the listing index.
        conditions << QStringLiteral("+kind = ?");
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
        for (LoadColumn column : searchedLoadColumns()) {
            found << QStringLiteral("%1 LIKE ? ESCAPE '\\'").arg(loadColumnSql(column));
            clause.values << containsPattern(text);
        }
        conditions << u'(' + found.join(QStringLiteral(" OR ")) + u')';
    }
    if (!conditions.isEmpty())
        clause.sql = QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    return clause;
}

// The columns the window lists and exports, then the id.
const QVector<LoadColumn>& listedColumns()
{
    static const QVector<LoadColumn> columns = QVector<LoadColumn>(listedLoadColumns())
        << LoadColumn::Id;
    return columns;
}

// Whether the detail was longer than it is read: SQL counts characters,
// a QString UTF-16 units.
bool detailCut(const QString& detail)
{
    return detail.size() > detailLength && detail.toUcs4().size() > detailLength;
}

class SqlLoadCursor : public LoadCursor {
public:
    SqlLoadCursor(QSqlQuery query, std::function<Failure(const QSqlError&)> failure)
        : m_query(std::move(query))
        , m_failure(std::move(failure))
    {
    }

    Result<QVector<ListedLoad>> next(int count) override
    {
        QVector<ListedLoad> loads;
        loads.reserve(count);
        const int idColumn = listedColumnCount;
        while (loads.size() < count && m_query.next()) {
            ListedLoad load;
            for (int column = 0; column < idColumn; ++column)
                load.values[column] = m_query.value(column);
            load.id = m_query.value(idColumn).toLongLong();
            loads << load;
        }
        if (m_query.lastError().isValid())
            return m_failure(m_query.lastError());
        return loads;
    }

private:
    QSqlQuery m_query;
    std::function<Failure(const QSqlError&)> m_failure;
};

} // namespace

Result<std::unique_ptr<LoadCursor>> HistoryStore::listLoads(
    const LoadFilter& filter, LoadColumn sortBy, Qt::SortOrder order)
{
    const FilterClause clause = filterClause(filter);
    const char* direction = order == Qt::AscendingOrder ? "ASC" : "DESC";
    // Sorted by the texts as read, so a sort never copies more of a text
    // than is shown; the time, as stored, along the listing index.
    const QString sortKey = sortBy == LoadColumn::RecordedAt ? loadColumnSql(sortBy)
                                                             : boundedColumnListSql({ sortBy });
    const QString sql = QStringLiteral("SELECT %1 FROM loads%2 ORDER BY %3 %4, id %4")
                            .arg(boundedColumnListSql(listedColumns()), clause.sql, sortKey,
                                QLatin1String(direction));
    // Scrollable: the PostgreSQL driver reads a forward-only query a row at
    // a time, and would drop its rest at the connection's next statement.
    QSqlQuery query = prepared(database(), sql, clause.values, false);
    if (!query.isActive())
        return failure(query.lastError());
    return std::unique_ptr<LoadCursor>(std::make_unique<SqlLoadCursor>(
        std::move(query), [this](const QSqlError& error) { return failure(error); }));
}

Result<KindTotals> HistoryStore::totals(const LoadFilter& filter)
{
    const FilterClause clause = filterClause(filter);
    QSqlQuery query = prepared(database(),
        QStringLiteral("SELECT kind, COUNT(*), SUM(pieces_e4), SUM(volume_e4), SUM(amount_fen) "
                       "FROM loads%1 GROUP BY kind")
            .arg(clause.sql),
        clause.values, true, QSql::HighPrecision);
    if (!query.isActive())
        return failure(query.lastError());
    KindTotals totals;
    while (query.next()) {
        const int kind = query.value(0).toInt();
        if (kind < int(LoadKind::StockIn) || kind > int(LoadKind::Bill))
            continue;
        const std::optional<QVector<qint64>> sums = exactSums(query, 1, 4);
        if (!sums)
            return outOfRange();
        LoadTotals& kindTotals = totals.of(LoadKind(kind));
        kindTotals.loads = sums->at(0);
        kindTotals.pieces = TenThousandths::fromUnits(sums->at(1));
        kindTotals.volume = TenThousandths::fromUnits(sums->at(2));
        kindTotals.amount = Fen::fromUnits(sums->at(3));
    }
    if (query.lastError().isValid())
        return failure(query.lastError());
    return totals;
}

Failure HistoryStore::outOfRange() const
{
    return Failure(FailureCause::OutOfRange, m_location, QStringLiteral("a sum beyond 64 bits"));
}

Result<QVector<ReportRow>> HistoryStore::stockReport(
    const LoadFilter& filter, ReportGrouping grouping)
{
    LoadFilter period;
    period.from = filter.from;
    period.to = filter.to;
    period.station = filter.station;
    FilterClause clause = filterClause(period);
    clause.sql += clause.sql.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ");
    // As in the filter: along the period's range, not an accounts' index.
    clause.sql += QStringLiteral("+kind IN (1, 2)");
    // Keys as long as a name in a box, a day or a month at most: a report
    // row's key is shown in the table and under the chart's bars.
    const QString key = grouping == ReportGrouping::BySpecies
        ? QStringLiteral("SUBSTR(species, 1, %1)").arg(listedNameLength)
        : QStringLiteral("SUBSTR(day, 1, %1)").arg(grouping == ReportGrouping::ByDay ? 10 : 7);
    auto sumOf = [](const char* column, int kind) {
        return QStringLiteral("SUM(CASE WHEN kind = %1 THEN %2 ELSE 0 END)")
            .arg(kind)
            .arg(QLatin1String(column));
    };
    const QString sql
        = QStringLiteral("SELECT %1, %2, %3, %4, %5, %6, %7 FROM loads%8 GROUP BY %1 ORDER BY %1")
              .arg(key, sumOf("pieces_e4", 1), sumOf("volume_e4", 1), sumOf("amount_fen", 1),
                  sumOf("pieces_e4", 2), sumOf("volume_e4", 2), sumOf("amount_fen", 2), clause.sql);
    QSqlQuery query = prepared(database(), sql, clause.values, true, QSql::HighPrecision);
    if (!query.isActive())
        return failure(query.lastError());
    QVector<ReportRow> rows;
    while (query.next()) {
        const std::optional<QVector<qint64>> sums = exactSums(query, 1, 6);
        if (!sums)
            return outOfRange();
        ReportRow row;
        row.key = query.value(0).toString();
        row.piecesIn = TenThousandths::fromUnits(sums->at(0));
        row.volumeIn = TenThousandths::fromUnits(sums->at(1));
        row.amountIn = Fen::fromUnits(sums->at(2));
        row.piecesOut = TenThousandths::fromUnits(sums->at(3));
        row.volumeOut = TenThousandths::fromUnits(sums->at(4));
        row.amountOut = Fen::fromUnits(sums->at(5));
        rows << row;
    }
    if (query.lastError().isValid())
        return failure(query.lastError());
    return rows;
}

// From one value to the next along the column's index, so the cost grows
// with the values, not with the loads (a DISTINCT reads the whole index);
// listedNames of them at most, those longer than a name left out.
Result<QStringList> HistoryStore::distinctValues(LoadColumn column)
{
    QSqlQuery query = prepared(database(),
        QStringLiteral(
            "WITH RECURSIVE found(value, n) AS (SELECT MIN(%1), 1 FROM loads WHERE %1 > '' "
            "UNION ALL SELECT (SELECT MIN(%1) FROM loads WHERE %1 > found.value), n + 1 FROM found "
            "WHERE found.value IS NOT NULL AND n < %2) "
            "SELECT SUBSTR(value, 1, %3) FROM found WHERE value IS NOT NULL")
            .arg(loadColumnSql(column))
            .arg(listedNames)
            .arg(listedNameLength + 1),
        {});
    if (!query.isActive())
        return failure(query.lastError());
    QStringList values;
    while (query.next()) {
        const QString value = query.value(0).toString();
        if (value.size() <= listedNameLength)
            values << value;
    }
    if (query.lastError().isValid())
        return failure(query.lastError());
    return values;
}

Result<QStringList> HistoryStore::recordedSpecies()
{
    return distinctValues(LoadColumn::Species);
}

Result<QStringList> HistoryStore::recordedStations()
{
    return distinctValues(LoadColumn::Station);
}

Result<QStringList> HistoryStore::recentValues(LoadColumn column)
{
    QSqlQuery query = prepared(database(),
        QStringLiteral("SELECT SUBSTR(%1, 1, %2) FROM loads ORDER BY id DESC LIMIT ?")
            .arg(loadColumnSql(column))
            .arg(listedNameLength + 1),
        { recentLoads });
    if (!query.isActive())
        return failure(query.lastError());
    QStringList values;
    QSet<QString> seen;
    while (values.size() < listedNames && query.next()) {
        const QString value = query.value(0).toString();
        if (!value.isEmpty() && value.size() <= listedNameLength && !seen.contains(value)) {
            seen.insert(value);
            values << value;
        }
    }
    if (query.lastError().isValid())
        return failure(query.lastError());
    return values;
}

Result<std::optional<LoadRecord>> HistoryStore::loadById(qint64 id)
{
    return readLoadWhere(QStringLiteral("id = ?"), { id }, id);
}

Result<std::optional<LoadRecord>> HistoryStore::loadByOrigin(
    const QString& station, qint64 stationNumber)
{
    // Every text column is NOT NULL: no station is ''.
    return readLoadWhere(QStringLiteral("station = ? AND station_number = ?"),
        { station.isNull() ? QStringLiteral("") : station, stationNumber }, stationNumber);
}

Result<std::optional<LoadRecord>> HistoryStore::readLoadWhere(
    const QString& where, const QVariantList& values, qint64 key)
{
    QVector<LoadColumn> columns { LoadColumn::Id };
    columns += storedColumns();
    QSqlQuery query = prepared(database(),
        QStringLiteral("SELECT %1 FROM loads WHERE %2").arg(boundedColumnListSql(columns), where),
        values);
    if (!query.isActive())
        return failure(query.lastError());
    if (!query.next()) {
        if (query.lastError().isValid())
            return failure(query.lastError());
        return std::optional<LoadRecord>();
    }
    LoadRecord load;
    bool readable = !detailCut(query.value(int(columns.indexOf(LoadColumn::Detail))).toString());
    for (int i = 0; i < columns.size() && readable; ++i)
        readable = readStoredValue(load, columns[i], query.value(i));
    if (!readable)
        return Failure(
            FailureCause::DamagedLoad, m_location, QStringLiteral("load %1 detail").arg(key));
    return std::optional<LoadRecord>(std::move(load));
}
