#include "history_window/loads_export.h"

#include <QDateTime>

namespace {

enum ExportColumn {
    Date,
    Time,
    Kind,
    BillNumber,
    Species,
    Buyer,
    Supplier,
    Truck,
    Contact,
    Scaler,
    Pieces,
    Volume,
    Amount,
    Station,
    ColumnCount
};

QString stored(const ListedLoad& load, LoadColumn column)
{
    return load.values[std::size_t(column)].toString();
}

qint64 storedNumber(const ListedLoad& load, LoadColumn column)
{
    return load.values[std::size_t(column)].toLongLong();
}

} // namespace

QStringList exportHeadings()
{
    return { QStringLiteral("日期"), QStringLiteral("时间"), QStringLiteral("类别"),
        QStringLiteral("账单编号"), QStringLiteral("树种"), QStringLiteral("购货单位"),
        QStringLiteral("供货单位"), QStringLiteral("车号"), QStringLiteral("联系人"),
        QStringLiteral("检尺员"), QStringLiteral("件数"), QStringLiteral("材积(m³)"),
        QStringLiteral("金额(元)"), QStringLiteral("检尺站") };
}

QSet<int> exportNumberColumns()
{
    return { Pieces, Volume, Amount };
}

QStringList exportRow(const ListedLoad& load)
{
    QStringList row(ColumnCount);
    const QString recorded = stored(load, LoadColumn::RecordedAt);
    const QDateTime at = QDateTime::fromString(recorded, Qt::ISODate);
    // A time that does not read is kept as stored rather than lost.
    row[Date] = at.isValid() ? at.date().toString(Qt::ISODate) : recorded;
    row[Time] = at.isValid() ? at.time().toString(QStringLiteral("HH:mm:ss")) : QString();
    row[Kind] = loadKindText(LoadKind(load.values[std::size_t(LoadColumn::Kind)].toInt()));
    row[BillNumber] = stored(load, LoadColumn::BillNumber);
    row[Species] = stored(load, LoadColumn::Species);
    row[Buyer] = stored(load, LoadColumn::Buyer);
    row[Supplier] = stored(load, LoadColumn::Supplier);
    row[Truck] = stored(load, LoadColumn::Truck);
    row[Contact] = stored(load, LoadColumn::Contact);
    row[Scaler] = stored(load, LoadColumn::Scaler);
    row[Pieces] = piecesText(storedNumber(load, LoadColumn::Pieces));
    row[Volume] = fixedPointText(storedNumber(load, LoadColumn::Volume), 4);
    row[Amount] = fixedPointText(storedNumber(load, LoadColumn::Amount), 2);
    row[Station] = stored(load, LoadColumn::Station);
    return row;
}

QVector<QStringList> exportTotalsRows(const KindTotals& totals, int kindFilter)
{
    QVector<QStringList> rows;
    for (LoadKind kind : loadKinds) {
        if (kindFilter != 0 && kindFilter != int(kind))
            continue;
        const LoadTotals& sums = totals.of(kind);
        QStringList row(ColumnCount);
        row[Date] = QStringLiteral("合计");
        row[Kind] = loadKindText(kind);
        row[BillNumber] = QStringLiteral("共 %1 车").arg(sums.loads);
        row[Pieces] = piecesText(sums.piecesE4);
        row[Volume] = fixedPointText(sums.volumeE4, 4);
        row[Amount] = fixedPointText(sums.amountFen, 2);
        rows << row;
    }
    return rows;
}

QStringList exportTotalsFailureRow(const QString& failure)
{
    QStringList row(ColumnCount);
    row[Date] = QStringLiteral("合计");
    row[Kind] = failure;
    return row;
}
