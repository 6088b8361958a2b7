#pragma once

// What a restore put back, in a clerk's words: the kinds of files (库存账本,
// 木材账单, 历史记录 with its loads, 单价, 设置, the number of bills ...),
// short enough for a message box; one file is named.

#include <QStringList>

// `paths` are inside the backup; `loads` is the restored history's count
// of loads, -1 when unknown.
QString restoredSummary(const QStringList& paths, qint64 loads);

// A count as the clerk reads it: "12 345".
QString groupedNumber(qint64 number);
