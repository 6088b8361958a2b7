#include "tally_window/fields_sheet.h"

#include "field_text/field_text.h"
#include "tally_window/entry_behaviour.h"
#include "tally_window/tally_field.h"

FieldsSheet::FieldsSheet(
    const TallyFields& fields, const EntryBehaviour& entry, std::function<QString(int)> unitPrice)
    : m_fields(fields)
    , m_entry(entry)
    , m_unitPrice(std::move(unitPrice))
{
    for (const auto& row : m_fields.grid)
        for (QLineEdit* field : row)
            watch(field);
    for (QLineEdit* field : m_fields.lengths)
        watch(field);
    // In the order of TallyArray.
    const QVector<TallyField*>* arrays[] = { &m_fields.text29, &m_fields.text30, &m_fields.text16,
        &m_fields.text18, &m_fields.text19, &m_fields.text28 };
    for (size_t array = 0; array < m_arrayStart.size(); ++array) {
        m_arrayStart[array] = int(m_numbers.size());
        for (QLineEdit* field : *arrays[array])
            watch(field);
    }
}

void FieldsSheet::watch(QLineEdit* field)
{
    const size_t index = m_numbers.size();
    m_numbers.emplace_back();
    QObject::connect(field, &QLineEdit::textChanged, &m_watcher, [this, index] {
        m_numbers[index].known = false;
        ++m_changes;
    });
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

double FieldsSheet::cellNumber(int row, int element) const
{
    return numberAt((row - 1) * TallyFields::rowElements + element, m_fields.cell(row, element),
        typedCell(element));
}

double FieldsSheet::lengthNumber(int block) const
{
    return numberAt(TallyFields::rowCount * TallyFields::rowElements + block,
        m_fields.lengths[block], typedLength(block));
}

double FieldsSheet::arrayNumber(TallyArray array, int element) const
{
    return numberAt(m_arrayStart[int(array)] + element, arrayField(array, element), false);
}

double FieldsSheet::unitPriceNumber(int group)
{
    const QString text = m_unitPrice(group);
    if (text != m_priceTexts[group]) {
        m_priceTexts[group] = text;
        m_priceNumbers[group] = typedNumber(text);
    }
    return m_priceNumbers[group];
}

double FieldsSheet::numberAt(int index, const QLineEdit* field, bool typed) const
{
    KeptNumber& kept = m_numbers[index];
    if (!kept.known || kept.typed != typed) {
        kept.value = typed ? typedNumber(field->text()) : leadingNumber(field->text());
        kept.typed = typed;
        kept.known = true;
    }
    return kept.value;
}

bool FieldsSheet::needsTick()
{
    const bool standard = standardLayoutShown();
    const bool extended = extendedLayoutShown();
    if (m_settled && m_changes == m_tickStart.changes && standard == m_tickStart.standard
        && extended == m_tickStart.extended && unitPricesAsLastRead())
        return false;
    m_tickStart = { m_changes, standard, extended };
    return true;
}

void FieldsSheet::tickDone()
{
    m_settled = m_changes == m_tickStart.changes;
}

// Only asked once a tick has read the prices, so the price window exists.
bool FieldsSheet::unitPricesAsLastRead() const
{
    for (int group = 0; group < int(m_priceTexts.size()); ++group)
        if (m_unitPrice(group) != m_priceTexts[group])
            return false;
    return true;
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
