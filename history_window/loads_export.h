#pragma once

// The loads as the history's CSV and Excel exports carry them: every field
// recorded, one row a load, then one totals row per kind shown.

#include "history/history_reader.h"

#include <QSet>
#include <QStringList>
#include <QVector>

QStringList exportHeadings();
// The columns of the program's own numbers: pieces, m³ and amount.
QSet<int> exportNumberColumns();
QStringList exportRow(const ListedLoad& load);
// One "合计" row for the kind filtered on, or for each kind under 0 (全部).
QVector<QStringList> exportTotalsRows(const KindTotals& totals, int kindFilter);
// The "合计" row when the totals do not read, saying why.
QStringList exportTotalsFailureRow(const QString& failure);
