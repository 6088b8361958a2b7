#pragma once

#include "tally_window/tally_fields.h"
#include "volume/recalculation.h"

#include <QObject>
#include <array>
#include <functional>
#include <vector>

class EntryBehaviour;
class QLineEdit;

// The recalculation's view of the tally window: reads and writes go
// straight to the fields. A write that would leave the field showing what it
// already shows is skipped, so an idle sheet costs no repaint. The number of
// each field is kept until its text changes, and every change is counted,
// so a tick can be left out when nothing it depends on has changed.
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
    double cellNumber(int row, int element) const override;
    double lengthNumber(int block) const override;
    double arrayNumber(TallyArray array, int element) const override;
    double unitPriceNumber(int group) override;

    // Whether a tick could change anything: false when the last tick changed
    // no text and since it began no field, unit price or layout has changed.
    // A tick is a function of these alone, so it would change nothing again.
    bool needsTick();
    // Called after each tick that needsTick let run.
    void tickDone();

private:
    struct TickStart {
        quint64 changes = 0;
        bool standard = false;
        bool extended = false;
    };

    QLineEdit* arrayField(TallyArray array, int element) const;
    void watch(QLineEdit* field);
    double numberAt(int index, const QLineEdit* field, bool typed) const;
    bool unitPricesAsLastRead() const;
    void write(QLineEdit* field, const QString& text);

    const TallyFields& m_fields;
    const EntryBehaviour& m_entry;
    std::function<QString(int)> m_unitPrice;

    // Every watched field by index: the grid, the lengths, then the arrays.
    struct KeptNumber {
        bool known = false;
        bool typed = false; // read as typed, or as the tick's own text
        double value = 0;
    };
    mutable std::vector<KeptNumber> m_numbers;
    std::array<int, 6> m_arrayStart {};
    std::array<QString, 3> m_priceTexts; // as the last tick read them
    std::array<double, 3> m_priceNumbers {};
    quint64 m_changes = 0;
    TickStart m_tickStart;
    bool m_settled = false;
    QObject m_watcher; // owns the connections, which end with the sheet
};
