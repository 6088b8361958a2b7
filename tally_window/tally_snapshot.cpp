#include "tally_window/tally_snapshot.h"

#include "tally_window/sheet_operations.h"
#include "tally_window/tally_field.h"

namespace {

struct CaptionFields {
    QComboBox* TallyFields::*caption;
    TallyField* TallyFields::*value;
};

// In the order of Tally::Caption.
constexpr CaptionFields captionFields[] = {
    { &TallyFields::combo4, &TallyFields::text17 },
    { &TallyFields::combo2, &TallyFields::text22 },
    { &TallyFields::combo5, &TallyFields::text20 },
    { &TallyFields::combo1, &TallyFields::text24 },
};

template <std::size_t n>
void readTexts(const QVector<TallyField*>& fields, std::array<QString, n>& texts)
{
    for (std::size_t i = 0; i < n; ++i)
        texts[i] = fields[qsizetype(i)]->text();
}

} // namespace

Tally readTally(const TallyFields& fields)
{
    Tally tally;
    for (int row = 0; row < Tally::rowCount; ++row)
        for (int element = 0; element < Tally::rowElements; ++element)
            tally.grid[row][element] = fields.grid[row][element]->text();
    for (int block = 0; block < Tally::blockCount; ++block)
        tally.lengths[block] = fields.lengths[block]->text();
    readTexts(fields.text29, tally.blockPieces);
    readTexts(fields.text30, tally.blockVolumes);
    readTexts(fields.text16, tally.groupPieces);
    readTexts(fields.text18, tally.groupVolumes);
    readTexts(fields.text28, tally.groupAmounts);
    readTexts(fields.text19, tally.unitPrices);
    for (int i = 0; i < 4; ++i)
        tally.captions[i] = { (fields.*captionFields[i].caption)->currentText(),
            (fields.*captionFields[i].value)->text() };
    tally.species = fields.combo3->currentText();
    for (const TallyFields::BoundText& text : fields.texts)
        tally.*text.member = text.field->text();
    tally.extendedLayout = fields.extendedLayoutShown();
    return tally;
}

void showTally(const TallyFields& fields, const Tally& tally)
{
    if (tally.extendedLayout && !fields.extendedLayoutShown())
        switchToExtendedLayout(fields);
    else if (!tally.extendedLayout && !fields.standardLayoutShown())
        switchToStandardLayout(fields);
    for (int row = 0; row < Tally::rowCount; ++row)
        for (int element = 0; element < Tally::rowElements; ++element)
            if (Tally::typedElement(element))
                fields.grid[row][element]->setText(tally.grid[row][element]);
    for (int block = 0; block < Tally::blockCount; ++block)
        fields.lengths[block]->setText(tally.lengths[block]);
    for (int i = 0; i < 4; ++i)
        (fields.*captionFields[i].value)->setText(tally.captions[i].value);
    for (const TallyFields::BoundText& text : fields.texts)
        text.field->setText(tally.*text.member);
    // The boxes in the order the window always wrote them: Combo1 to Combo5.
    fields.combo1->setEditText(tally.captions[Tally::Contact].caption);
    fields.combo2->setEditText(tally.captions[Tally::Truck].caption);
    fields.combo3->setEditText(tally.species);
    fields.combo4->setEditText(tally.captions[Tally::Buyer].caption);
    fields.combo5->setEditText(tally.captions[Tally::Supplier].caption);
}
