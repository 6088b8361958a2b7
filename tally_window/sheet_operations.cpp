#include "tally_window/sheet_operations.h"

#include "tally_window/click_label.h"
#include "tally_window/tally_field.h"

namespace {

// Row r holds 2r + 2 cm in the standard texts, 2r + 30 cm in the extended.
QString standardDiameter(int row)
{
    return QString::number(2 * row + 2);
}

QString extendedDiameter(int row)
{
    return QString::number(2 * row + 30);
}

void writeColumn(const TallyFields& fields, int element, QString (*text)(int row))
{
    for (int row = 1; row <= TallyFields::rowCount; ++row)
        fields.cell(row, element)->setText(text(row));
}

QString emptyText(int)
{
    return {};
}

void setTotalsShown(const TallyFields& fields, std::initializer_list<int> elements, bool shown)
{
    for (int element : elements)
        fields.text29[element]->setVisible(shown);
    for (int element : elements)
        fields.text30[element]->setVisible(shown);
}

// Both switches run the same steps in the same order, each the mirror of
// the other.
void switchLayout(const TallyFields& fields, bool extended)
{
    setTotalsShown(fields, { 0, 1, 2, 3 }, !extended);
    setTotalsShown(fields, { 4, 5 }, extended);
    fields.label6->setVisible(!extended);
    fields.label10Element0->setVisible(!extended);
    (extended ? fields.label20 : fields.label19)->show();
    (extended ? fields.label19 : fields.label20)->hide();
    fields.lengths[1]->setVisible(!extended);
    fields.lengths[3]->setVisible(!extended);
    const auto diameters = extended ? extendedDiameter : standardDiameter;
    writeColumn(fields, 3, diameters);
    writeColumn(fields, 9, diameters);
}

} // namespace

QString layoutDiameter(int row, bool extended)
{
    return extended ? extendedDiameter(row) : standardDiameter(row);
}

void switchToExtendedLayout(const TallyFields& fields)
{
    switchLayout(fields, true);
}

void switchToStandardLayout(const TallyFields& fields)
{
    switchLayout(fields, false);
}

void clearTallySheet(const TallyFields& fields)
{
    writeColumn(fields, 0, standardDiameter);
    writeColumn(fields, 1, emptyText);
    writeColumn(fields, 2, emptyText);
    writeColumn(fields, 5, emptyText);
    writeColumn(fields, 4, emptyText);
    fields.text17->setText(QString());
    writeColumn(fields, 6, standardDiameter);
    writeColumn(fields, 7, emptyText);
    writeColumn(fields, 8, emptyText);
    writeColumn(fields, 10, emptyText);
    writeColumn(fields, 11, emptyText);
    if (fields.standardLayoutShown()) {
        writeColumn(fields, 3, standardDiameter);
        writeColumn(fields, 9, standardDiameter);
    }
    if (fields.extendedLayoutShown()) {
        writeColumn(fields, 3, extendedDiameter);
        writeColumn(fields, 9, extendedDiameter);
    }
}
