#pragma once

#include "tally_window/tally_fields.h"
#include "volume/recalculation.h"

#include <functional>

class EntryBehaviour;
class QLineEdit;

// The recalculation's view of the tally window: reads and writes go
// straight to the fields. A write that would leave the field showing what it
// already shows is skipped, so an idle sheet costs no repaint.
class FieldsSheet : public TallySheet {
public:
    FieldsSheet(const TallyFields& fields, const EntryBehaviour& entry,
        std::function<QString(int)> unitPrice);

    QString cellText(int row, int element) const override;
    void setCellText(int row, int element, const QString& text) override;
    QString lengthText(int block) const override;
    void setLengthText(int block, const QString& text) override;
    QString arrayText(TallyArray array, int element) const override;
    void setArrayText(TallyArray array, int element, const QString& text) override;
    bool standardLayoutShown() const override;
    bool extendedLayoutShown() const override;
    QString unitPriceText(int group) override;

private:
    QLineEdit* arrayField(TallyArray array, int element) const;
    void write(QLineEdit* field, const QString& text);

    const TallyFields& m_fields;
    const EntryBehaviour& m_entry;
    std::function<QString(int)> m_unitPrice;
};
