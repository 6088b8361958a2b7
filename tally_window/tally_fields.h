#pragma once

#include "tally/tally.h"

#include <QComboBox>
#include <QVector>
#include <array>

class TallyField;
class ClickLabel;

// The fields of the tally sheet window, by their control names. The window
// is the data model: every part of the program reads and writes these texts.
struct TallyFields {
    static constexpr int rowCount = 14;
    static constexpr int rowElements = 12; // diameter, count, volume per block
    static constexpr int blockCount = 4;

    // Text1 ... Text14: grid[r - 1][3k + j] is column j of block k in row r.
    std::array<std::array<TallyField*, rowElements>, rowCount> grid {};
    // Text23, Text15, Text26, Text21: the length of blocks 0 to 3.
    std::array<TallyField*, blockCount> lengths {};

    QVector<TallyField*> text29; // piece totals, 8 elements
    QVector<TallyField*> text30; // volume totals, 8 elements
    QVector<TallyField*> text16; // pieces per price group and total
    QVector<TallyField*> text18; // volume per price group and total
    QVector<TallyField*> text19; // unit price per price group
    QVector<TallyField*> text28; // amount per price group and total

    TallyField* text17 = nullptr; // buyer
    TallyField* text22 = nullptr; // truck number
    TallyField* text20 = nullptr; // supplier
    TallyField* text24 = nullptr; // contact
    TallyField* text25 = nullptr; // scaler

    // The fields of a text of the tally each (tallyTexts but the species),
    // in the order they are written back.
    struct BoundText {
        TallyField* field;
        QString Tally::*member;
    };
    QVector<BoundText> texts;

    QComboBox* combo1 = nullptr;
    QComboBox* combo2 = nullptr;
    QComboBox* combo3 = nullptr; // species
    QComboBox* combo4 = nullptr;
    QComboBox* combo5 = nullptr;

    ClickLabel* label19 = nullptr; // shown exactly in the standard layout
    ClickLabel* label20 = nullptr; // shown exactly in the extended-diameter layout
    ClickLabel* label6 = nullptr; // length heading of block 3
    ClickLabel* label10Element0 = nullptr; // length heading of block 1

    bool standardLayoutShown() const;
    bool extendedLayoutShown() const;

    TallyField* cell(int row, int element) const { return grid[row - 1][element]; }
};
