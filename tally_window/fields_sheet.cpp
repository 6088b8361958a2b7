#include "tally_window/fields_sheet.h"

#include "tally_window/entry_behaviour.h"
#include "tally_window/tally_field.h"

FieldsSheet::FieldsSheet(
    const TallyFields& fields, const EntryBehaviour& entry, std::function<QString(int)> unitPrice)
    : m_fields(fields)
    , m_entry(entry)
    , m_unitPrice(std::move(unitPrice))
{
}

QString FieldsSheet::cellText(int row, int element) const
{
    return m_fields.cell(row, element)->text();
}

void FieldsSheet::setCellText(int row, int element, const QString& text)
{
    write(m_fields.cell(row, element), text);
}

QString FieldsSheet::lengthText(int block) const
{
    return m_fields.lengths[block]->text();
}

void FieldsSheet::setLengthText(int block, const QString& text)
{
    write(m_fields.lengths[block], text);
}

QString FieldsSheet::arrayText(TallyArray array, int element) const
{
    return arrayField(array, element)->text();
}

void FieldsSheet::setArrayText(TallyArray array, int element, const QString& text)
{
    write(arrayField(array, element), text);
}

bool FieldsSheet::standardLayoutShown() const
{
    return m_fields.standardLayoutShown();
}

bool FieldsSheet::extendedLayoutShown() const
{
    return m_fields.extendedLayoutShown();
}

QString FieldsSheet::unitPriceText(int group)
{
    return m_unitPrice(group);
}

QLineEdit* FieldsSheet::arrayField(TallyArray array, int element) const
{
    switch (array) {
    case TallyArray::Text29:
        return m_fields.text29[element];
    case TallyArray::Text30:
        return m_fields.text30[element];
    case TallyArray::Text16:
        return m_fields.text16[element];
    case TallyArray::Text18:
        return m_fields.text18[element];
    case TallyArray::Text19:
        return m_fields.text19[element];
    case TallyArray::Text28:
        break;
    }
    return m_fields.text28[element];
}

void FieldsSheet::write(QLineEdit* field, const QString& text)
{
    // Writing a text whose reaction would bring back what is shown changes
    // nothing visible; setText would still reset the selection and repaint.
    if (m_entry.settledText(field, text) != field->text())
        field->setText(text);
}
