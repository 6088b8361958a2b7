#pragma once

// The benchmark groups that live in files of their own.

#include "bench_table.h"

#include <functional>

double millisecondsOf(const std::function<void()>& action);
// Median of `runs` runs.
double warmMedian(const std::function<void()>& action, int runs = 7);

// The workbook commands on a real LibreOffice beside their floor, and a
// posting on ledgers of growing size.
void benchWorkbooks(BenchTable& table);
void benchLedgerSizes(BenchTable& table);
void benchLedgerYear(BenchTable& table);

// The bill from 打印账单 to its page in the preview, and from 打印 to the
// job done in a CUPS queue of the benchmark's own.
void benchPreview(BenchTable& table);

// The history window on stores of 1 000 and 200 000 loads, and recording
// into them; then on a store a hand edit has bent (benchBentHistory).
void benchHistory(BenchTable& table);
void benchBentHistory(BenchTable& table);
