#include "tally_window/load_records.h"

LoadRecord loadRecordOf(const BillFields& f, LoadKind kind, const QDateTime& recordedAt)
{
    LoadRecord load;
    load.kind = kind;
    load.recordedAt = recordedAt;
    load.species = f.combo3;
    load.captions[LoadRecord::Buyer] = { f.combo4, f.text17 };
    load.captions[LoadRecord::Truck] = { f.combo2, f.text22 };
    load.captions[LoadRecord::Supplier] = { f.combo5, f.text20 };
    load.captions[LoadRecord::Contact] = { f.combo1, f.text24 };
    load.scaler = f.text25;
    load.extendedLayout = f.extendedLayoutShown;
    load.lengths = f.lengths;
    load.grid = f.grid;
    load.blockPieces = f.text29;
    load.blockVolumes = f.text30;
    load.groupPieces = f.text16;
    load.groupVolumes = f.text18;
    load.groupAmounts = f.text28;
    load.unitPrices = f.text19;
    return load;
}

BillFields billFieldsOf(const LoadRecord& load)
{
    BillFields f;
    f.combo3 = load.species;
    f.combo4 = load.captions[LoadRecord::Buyer].caption;
    f.text17 = load.captions[LoadRecord::Buyer].value;
    f.combo2 = load.captions[LoadRecord::Truck].caption;
    f.text22 = load.captions[LoadRecord::Truck].value;
    f.combo5 = load.captions[LoadRecord::Supplier].caption;
    f.text20 = load.captions[LoadRecord::Supplier].value;
    f.combo1 = load.captions[LoadRecord::Contact].caption;
    f.text24 = load.captions[LoadRecord::Contact].value;
    f.text25 = load.scaler;
    f.extendedLayoutShown = load.extendedLayout;
    f.standardLayoutShown = !load.extendedLayout;
    f.lengths = load.lengths;
    f.grid = load.grid;
    f.text29 = load.blockPieces;
    f.text30 = load.blockVolumes;
    f.text16 = load.groupPieces;
    f.text18 = load.groupVolumes;
    f.text28 = load.groupAmounts;
    f.text19 = load.unitPrices;
    return f;
}

TallyState tallyStateOf(const LoadRecord& load)
{
    TallyState state;
    for (int row = 0; row < TallyFields::rowCount; ++row)
        for (int column = 0; column < TallyState::inputColumns; ++column)
            state.cells[row][column] = load.grid[row][TallyState::inputElements[column]];
    state.lengths = load.lengths;
    state.text17 = load.captions[LoadRecord::Buyer].value;
    state.text22 = load.captions[LoadRecord::Truck].value;
    state.text20 = load.captions[LoadRecord::Supplier].value;
    state.text24 = load.captions[LoadRecord::Contact].value;
    state.text25 = load.scaler;
    state.combo4 = load.captions[LoadRecord::Buyer].caption;
    state.combo2 = load.captions[LoadRecord::Truck].caption;
    state.combo5 = load.captions[LoadRecord::Supplier].caption;
    state.combo1 = load.captions[LoadRecord::Contact].caption;
    state.combo3 = load.species;
    state.extendedLayout = load.extendedLayout;
    return state;
}
