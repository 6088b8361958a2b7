#include "history/load_query.h"

LoadFilter LoadFilter::thisMonth(const QDate& today)
{
    LoadFilter filter;
    filter.from = QDate(today.year(), today.month(), 1);
    filter.to = filter.from.addMonths(1).addDays(-1);
    return filter;
}

std::optional<qint64> addedExactly(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return std::nullopt;
    return sum;
}

std::optional<qint64> ReportRow::netVolumeE4() const
{
    qint64 net = 0;
    if (__builtin_sub_overflow(volumeInE4, volumeOutE4, &net))
        return std::nullopt;
    return net;
}
