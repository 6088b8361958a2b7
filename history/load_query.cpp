#include "history/load_query.h"

LoadFilter LoadFilter::thisMonth(const QDate& today)
{
    LoadFilter filter;
    filter.from = QDate(today.year(), today.month(), 1);
    filter.to = filter.from.addMonths(1).addDays(-1);
    return filter;
}
