#pragma once

// Helpers for tests on the in-memory spreadsheet.

#include "memory_workbook.h"

#include <QStringList>
#include <functional>
#include <memory>

// A ledger in memory laid out like the shipped one: its four sheets, and
// species in K5:K12 of "库存" when given.
inline void prepareMemoryLedger(
    MemorySpreadsheet& app, const QString& path, const QStringList& species = {})
{
    for (const char* name : { "入库", "出库", "库存", "入库明细" })
        app.sheet(path, QString::fromUtf8(name));
    MemorySheet& stock = app.sheet(path, QStringLiteral("库存"));
    for (int k = 0; k < species.size(); ++k)
        stock.cells[{ 5 + k, 11 }] = { false, 0, species[k] };
}

// Fails the first `count` operations named `operation`, as a locked file would.
inline std::function<void(const QString&)> failFirst(
    const QString& operation, int count, const QString& path = QStringLiteral("/yard/locked.xls"))
{
    auto left = std::make_shared<int>(count);
    return [operation, left, path](const QString& op) {
        if (op == operation && (*left)-- > 0)
            throw Failure(FailureCause::WorkbookOpenElsewhere, path);
    };
}

// Fails the first `count` operations named `operation` with `cause`: an
// office that dies there is OfficeNotResponding.
inline std::function<void(const QString&)> failFirstWith(FailureCause cause,
    const QString& operation, int count, const QString& path = QStringLiteral("/yard/locked.xls"))
{
    auto left = std::make_shared<int>(count);
    return [cause, operation, left, path](const QString& op) {
        if (op == operation && (*left)-- > 0)
            throw Failure(cause, path);
    };
}
