#pragma once

// The columns of a table share its width: each shown column gets its
// natural width and a share of the room left in proportion to it, so the
// columns end at the table's right edge. A table narrower than the natural
// widths keeps them and scrolls.

#include <QVector>

class QTableView;

void shareColumnWidths(QTableView* table, const QVector<int>& naturalWidths);
