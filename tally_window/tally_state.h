#pragma once

// What of the tally window must survive a crash: the texts the scaler types
// and the layout. Volumes, totals and unit prices are left out; the next
// recalculation tick writes them again from these.

#include "tally_window/tally_fields.h"

#include <QString>
#include <array>

struct TallyState {
    static constexpr int inputColumns = 8; // diameter and count of each block
    // The grid elements that are typed into, in the order of `cells` columns.
    static constexpr std::array<int, inputColumns> inputElements { 0, 1, 3, 4, 6, 7, 9, 10 };

    std::array<std::array<QString, inputColumns>, TallyFields::rowCount> cells;
    std::array<QString, TallyFields::blockCount> lengths; // Text23, Text15, Text26, Text21
    QString text17; // buyer
    QString text22; // truck number
    QString text20; // supplier
    QString text24; // contact
    QString text25; // scaler
    QString combo1; // the captions of the bill fields
    QString combo2;
    QString combo3; // species
    QString combo4;
    QString combo5;
    bool extendedLayout = false;

    bool operator==(const TallyState& other) const;
    bool operator!=(const TallyState& other) const { return !(*this == other); }
};

// The window into the struct.
TallyState readTallyState(const TallyFields& fields);
// The struct into the window: the layout first (it rewrites the diameter
// classes of blocks 1 and 3), then every text. Each write raises the field's
// change reaction as typing would.
void showTallyState(const TallyFields& fields, const TallyState& state);
