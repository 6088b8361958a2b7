#include "history/store_sql.h"

#include <QVariant>

QSqlQuery prepared(const QSqlDatabase& db, const QString& sql, const QVariantList& values,
    bool forwardOnly, QSql::NumericalPrecisionPolicy precision)
{
    QSqlQuery query(db);
    query.setForwardOnly(forwardOnly);
    query.setNumericalPrecisionPolicy(precision);
    if (!query.prepare(sql))
        return query;
    for (const QVariant& value : values)
        query.addBindValue(value);
    query.exec();
    return query;
}

std::optional<qint64> exactSum(const QVariant& value)
{
    const QString text = value.toString();
    if (value.isNull() || text.isEmpty())
        return 0;
    bool ok = false;
    const qint64 sum = text.toLongLong(&ok);
    return ok ? std::optional<qint64>(sum) : std::nullopt;
}

std::optional<QVector<qint64>> exactSums(const QSqlQuery& query, int first, int count)
{
    QVector<qint64> sums;
    for (int i = first; i < first + count; ++i) {
        const std::optional<qint64> sum = exactSum(query.value(i));
        if (!sum)
            return std::nullopt;
        sums << *sum;
    }
    return sums;
}
