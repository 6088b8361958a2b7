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
