#pragma once

// The recalculation tick: every 100 ms it recomputes every derived field of
// the tally sheet from the field texts and writes the results back as texts.
// It sees the sheet only through TallySheet, so this library needs no
// widgets; the tally window implements the interface over its fields.

#include <QString>
#include <memory>

enum class TallyArray { Text29, Text30, Text16, Text18, Text19, Text28 };

class TallySheet {
public:
    virtual ~TallySheet() = default;

    // Grid rows 1..14, elements 0..11 (3k + j: diameter, count, volume).
    virtual QString cellText(int row, int element) const = 0;
    virtual void setCellText(int row, int element, const QString& text) = 0;
    // Length fields of blocks 0..3.
    virtual QString lengthText(int block) const = 0;
    virtual void setLengthText(int block, const QString& text) = 0;
    // Block totals and price summary.
    virtual QString arrayText(TallyArray array, int element) const = 0;
    virtual void setArrayText(TallyArray array, int element, const QString& text) = 0;

    // The layout flag: which of the two layout links is shown.
    virtual bool standardLayoutShown() const = 0;
    virtual bool extendedLayoutShown() const = 0;

    // The unit price of group 0..2 as typed in the unit price window.
    virtual QString unitPriceText(int group) = 0;

    // The leading numbers of the same texts. By default each read parses
    // the text; a sheet may keep the numbers until the text changes.
    // Typed texts read with typedNumber, the tick's own with leadingNumber.
    virtual double cellNumber(int row, int element) const;
    virtual double lengthNumber(int block) const;
    virtual double arrayNumber(TallyArray array, int element) const;
    virtual double unitPriceNumber(int group);

    // Diameters and counts are typed; volumes are the tick's.
    static bool typedCell(int element);
    // Blocks 1 and 3 copy their pair's length in the extended layout.
    bool typedLength(int block) const;
};

// The recalculation tick, in the fixed order of its writes. A write raises
// the written field's change reaction before the next step reads it. Each
// text it writes is made again only when the numbers it comes from change.
class Recalculation {
public:
    Recalculation();
    ~Recalculation();

    void run(TallySheet& sheet);

    struct Texts;

private:
    std::unique_ptr<Texts> m_texts;
};

// One tick with nothing kept from an earlier one.
void recalculate(TallySheet& sheet);

// The price group of a diameter: 0 up to 13 cm, 1 up to 19 cm, 2 above.
int priceGroupOf(double diameter);
