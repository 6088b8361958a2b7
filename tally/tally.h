#pragma once

// One tally as the tally window shows it: every text of its fields and the
// layout in force. A snapshot taken when a command runs; the window stays
// the live model. The bill, the postings, the journal and the history all
// take this one value.

#include <QJsonObject>
#include <QString>
#include <array>
#include <optional>

// A caption box with its value field, e.g. 购货单位 / the buyer's name.
struct CaptionedValue {
    QString caption;
    QString value;
    bool operator==(const CaptionedValue& other) const
    {
        return caption == other.caption && value == other.value;
    }
};

struct Tally {
    static constexpr int rowCount = 14;
    static constexpr int rowElements = 12; // diameter, count, volume per block
    static constexpr int blockCount = 4;
    enum Caption { Buyer, Truck, Supplier, Contact }; // Combo4, Combo2, Combo5, Combo1

    // Text1 ... Text14: grid[r][3k + j] is column j of block k in row r + 1.
    std::array<std::array<QString, rowElements>, rowCount> grid;
    std::array<QString, blockCount> lengths; // Text23, Text15, Text26, Text21
    std::array<QString, 8> blockPieces, blockVolumes; // Text29, Text30
    // Per price group, element 3 the total: Text16, Text18, Text28.
    std::array<QString, 4> groupPieces, groupVolumes, groupAmounts;
    std::array<QString, 3> unitPrices; // Text19
    // Combo4 / Text17, Combo2 / Text22, Combo5 / Text20, Combo1 / Text24.
    std::array<CaptionedValue, 4> captions;
    QString species; // Combo3
    QString scaler; // Text25
    bool extendedLayout = false; // Label20 shown, Label19 hidden

    bool operator==(const Tally& other) const;
    bool operator!=(const Tally& other) const { return !(*this == other); }

    // Whether a grid element is typed (diameter or count) rather than a
    // volume the recalculation writes.
    static bool typedElement(int element) { return element % 3 != 2; }
};

// The texts of one field each, by their key in the JSON form. A new typed
// field of the tally is a member of Tally and a row here; the JSON form,
// the comparison, the journal and the history's detail follow from it.
struct TallyText {
    const char* key;
    QString Tally::*member;
};
inline constexpr TallyText tallyTexts[] = {
    { "species", &Tally::species },
    { "scaler", &Tally::scaler },
};

// What the scaler types: the same tally with the volumes, totals and unit
// prices left empty. The recalculation writes those again from the rest.
Tally typedPart(const Tally& tally);

// The one JSON form of a tally, and back. Reading refuses, as a whole, an
// object that lacks a key or holds one of the wrong kind or length; a text
// of tallyTexts that is absent (written before it was added) reads empty.
QJsonObject tallyJson(const Tally& tally);
std::optional<Tally> tallyFromJson(const QJsonObject& json);
