#pragma once

// How many rows are posted in a stock ledger workbook, read from the Excel
// 97 file itself (the backup's thread has no office): the rows from 6 down
// of the sheets 入库 and 出库 (else the first two sheets, as the postings
// choose them) whose volume column C shows something, as the postings
// find the next free row.

#include <QByteArray>
#include <QString>

// -1 when the file is no readable Excel 97 workbook, or larger than a
// year's ledger could be.
qint64 postedLedgerRows(const QString& path);
// The same of the file's bytes; linear in their size.
qint64 postedLedgerRows(const QByteArray& workbook);
qint64 largestLedger();
