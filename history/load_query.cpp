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
    case LoadColumn::Id:
        return QStringLiteral("id");
    case LoadColumn::Day:
        return QStringLiteral("day");
    case LoadColumn::Detail:
        return QStringLiteral("detail");
    case LoadColumn::StationNumber:
        return QStringLiteral("station_number");
    }
    return QStringLiteral("id");
}
