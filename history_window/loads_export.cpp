#include "history_window/loads_export.h"

#include <QDateTime>

namespace {

// The columns exported, as loadColumnTable has them; a time takes two
// cells, its day and its time of day.
const QVector<LoadColumn>& exportedColumns()
{
    static const QVector<LoadColumn> columns = [] {
        QVector<LoadColumn> exported;
        for (const LoadColumnSpec& spec : loadColumnTable)
            if (spec.exported)
                exported << spec.column;
        return exported;
    }();
    return columns;
}

int cellsOf(LoadColumn column)
{
    return loadColumnSpec(column).text == ColumnText::Time ? 2 : 1;
}

// The first cell of a column in an export row.
int cellOf(LoadColumn column)
{
    int cell = 0;
    for (LoadColumn exported : exportedColumns()) {
        if (exported == column)
            return cell;
        cell += cellsOf(exported);
    }
    return -1;
}

int cellCount()
{
    int cells = 0;
    for (LoadColumn exported : exportedColumns())
        cells += cellsOf(exported);
    return cells;
}

} // namespace

QStringList exportHeadings()
{
    QStringList headings;
    for (LoadColumn column : exportedColumns()) {
        headings << loadColumnSpec(column).heading.toString();
        if (cellsOf(column) == 2)
            headings << QStringLiteral("时间");
    }
    return headings;
}

QSet<int> exportNumberColumns()
{
    QSet<int> numbers;
    for (LoadColumn column : exportedColumns())
        if (loadColumnSpec(column).figure())
            numbers << cellOf(column);
    return numbers;
}

QStringList exportRow(const ListedLoad& load)
{
    QStringList row;
    for (LoadColumn column : exportedColumns()) {
        const QVariant& value = load.value(column);
        if (loadColumnSpec(column).text != ColumnText::Time) {
            row << columnText(column, value);
            continue;
        }
        // A time that does not read is kept as stored rather than lost.
        const QDateTime at = QDateTime::fromString(value.toString(), Qt::ISODate);
        row << (at.isValid() ? at.date().toString(Qt::ISODate) : value.toString());
        row << (at.isValid() ? at.time().toString(QStringLiteral("HH:mm:ss")) : QString());
    }
    return row;
}

QVector<QStringList> exportTotalsRows(const KindTotals& totals, int kindFilter)
{
    QVector<QStringList> rows;
    for (LoadKind kind : loadKinds) {
        if (kindFilter != 0 && kindFilter != int(kind))
            continue;
        const LoadTotals& sums = totals.of(kind);
        QStringList row(cellCount());
        row[cellOf(LoadColumn::RecordedAt)] = QStringLiteral("合计");
        row[cellOf(LoadColumn::Kind)] = loadKindText(kind);
        row[cellOf(LoadColumn::BillNumber)] = QStringLiteral("共 %1 车").arg(sums.loads);
        row[cellOf(LoadColumn::Pieces)] = sums.pieces.shortText();
        row[cellOf(LoadColumn::Volume)] = sums.volume.text();
        row[cellOf(LoadColumn::Amount)] = sums.amount.text();
        rows << row;
    }
    return rows;
}

QStringList exportTotalsFailureRow(const QString& failure)
{
    QStringList row(cellCount());
    row[cellOf(LoadColumn::RecordedAt)] = QStringLiteral("合计");
    row[cellOf(LoadColumn::Kind)] = failure;
    return row;
}
