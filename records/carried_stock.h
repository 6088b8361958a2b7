#pragma once

// The stock a ledger carries into the next one: stock in minus stock out of
// each species and price group, summed exactly.

#include <QString>
#include <QStringList>
#include <QVector>
#include <array>
#include <optional>

// The species and the three price groups' volumes of a posting sheet's
// rows, as the cells' values read.
struct LedgerColumns {
    QStringList species;
    std::array<QStringList, 3> volumes;
};

struct CarriedStock {
    QString species;
    // Stock in minus stock out of each price group, summed exactly to the
    // last digit the rows hold, as a plain decimal text.
    std::array<QString, 3> volumes;
    bool negative = false; // a group below zero
};

// One row per species whose stock is not zero in some group: the species of
// `order` (the stock sheet's list) first, then the others as they first
// appear. Cells holding no number count for nothing, as the stock sheet's
// sums take them. Nothing when a sum leaves the range of the books.
std::optional<QVector<CarriedStock>> carriedStock(
    const LedgerColumns& in, const LedgerColumns& out, const QStringList& order);
