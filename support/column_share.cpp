#include "support/column_share.h"

#include <QTableView>

void shareColumnWidths(QTableView* table, const QVector<int>& naturalWidths)
{
    qint64 natural = 0;
    for (int column = 0; column < naturalWidths.size(); ++column)
        if (!table->isColumnHidden(column))
            natural += naturalWidths[column];
    const int room = table->viewport()->width();
    if (natural <= 0 || room <= 0)
        return;
    const bool share = room > natural;
    int given = 0;
    int last = -1;
    for (int column = 0; column < naturalWidths.size(); ++column) {
        if (table->isColumnHidden(column))
            continue;
        const int width
            = share ? int(naturalWidths[column] * room / natural) : naturalWidths[column];
        table->setColumnWidth(column, width);
        given += width;
        last = column;
    }
    // What rounding left over goes to the last column.
    if (share)
        table->setColumnWidth(last, table->columnWidth(last) + room - given);
}
