#include "tally_window/tally_state.h"

#include "tally_window/sheet_operations.h"
#include "tally_window/tally_field.h"

#include <tuple>

namespace {

auto comparable(const TallyState& s)
{
    return std::tie(s.cells, s.lengths, s.text17, s.text22, s.text20, s.text24, s.text25,
        s.combo1, s.combo2, s.combo3, s.combo4, s.combo5, s.extendedLayout);
}

} // namespace

bool TallyState::operator==(const TallyState& other) const
{
    return comparable(*this) == comparable(other);
}

TallyState readTallyState(const TallyFields& fields)
{
    TallyState state;
    for (int row = 1; row <= TallyFields::rowCount; ++row)
        for (int column = 0; column < TallyState::inputColumns; ++column)
            state.cells[row - 1][column]
                = fields.cell(row, TallyState::inputElements[column])->text();
    for (int block = 0; block < TallyFields::blockCount; ++block)
        state.lengths[block] = fields.lengths[block]->text();
    state.text17 = fields.text17->text();
    state.text22 = fields.text22->text();
    state.text20 = fields.text20->text();
    state.text24 = fields.text24->text();
    state.text25 = fields.text25->text();
    state.combo1 = fields.combo1->currentText();
    state.combo2 = fields.combo2->currentText();
    state.combo3 = fields.combo3->currentText();
    state.combo4 = fields.combo4->currentText();
    state.combo5 = fields.combo5->currentText();
    state.extendedLayout = fields.extendedLayoutShown();
    return state;
}

void showTallyState(const TallyFields& fields, const TallyState& state)
{
    if (state.extendedLayout && !fields.extendedLayoutShown())
        switchToExtendedLayout(fields);
    else if (!state.extendedLayout && !fields.standardLayoutShown())
        switchToStandardLayout(fields);
    for (int row = 1; row <= TallyFields::rowCount; ++row)
        for (int column = 0; column < TallyState::inputColumns; ++column)
            fields.cell(row, TallyState::inputElements[column])
                ->setText(state.cells[row - 1][column]);
    for (int block = 0; block < TallyFields::blockCount; ++block)
        fields.lengths[block]->setText(state.lengths[block]);
    fields.text17->setText(state.text17);
    fields.text22->setText(state.text22);
    fields.text20->setText(state.text20);
    fields.text24->setText(state.text24);
    fields.text25->setText(state.text25);
    fields.combo1->setEditText(state.combo1);
    fields.combo2->setEditText(state.combo2);
    fields.combo3->setEditText(state.combo3);
    fields.combo4->setEditText(state.combo4);
    fields.combo5->setEditText(state.combo5);
}
