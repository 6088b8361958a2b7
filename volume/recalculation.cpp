#include "volume/recalculation.h"

#include "field_text/field_text.h"
#include "volume/log_volume.h"

#include <array>
#include <cstring>
#include <initializer_list>

namespace {

constexpr int rowCount = 14;
constexpr int blockCount = 4;
constexpr int groupCount = 3;

// Bit for bit, so that a cached text is only reused for the very value it
// was made from (0 and -0, every NaN).
bool sameValue(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The text made from the last value; made again when the value changes.
class KeptText {
public:
    template <typename Make> const QString& of(double value, Make make)
    {
        if (!m_made || !sameValue(value, m_value)) {
            m_text = make(value);
            m_value = value;
            m_made = true;
        }
        return m_text;
    }

private:
    bool m_made = false;
    double m_value = 0;
    QString m_text;
};

// The volume text of one grid cell, kept with the numbers it comes from.
class KeptVolume {
public:
    const QString& of(double diameter, double count, double length)
    {
        if (!m_made || !sameValue(diameter, m_diameter) || !sameValue(count, m_count)
            || !sameValue(length, m_length)) {
            m_text = CaiJiJiSuan(diameter, count, length);
            m_diameter = diameter;
            m_count = count;
            m_length = length;
            m_made = true;
        }
        return m_text;
    }

private:
    bool m_made = false;
    double m_diameter = 0, m_count = 0, m_length = 0;
    QString m_text;
};

QString volumeText(double value)
{
    return patternText(value, 4);
}

QString amountText(double value)
{
    return patternText(value, 2);
}

} // namespace

struct Recalculation::Texts {
    std::array<std::array<KeptVolume, blockCount>, rowCount> volumes;
    std::array<KeptText, blockCount> lengths;
    std::array<KeptText, 8> text29, text30;
    std::array<KeptText, 4> text16, text18, text28;
    std::array<KeptText, groupCount> text19;
};

bool TallySheet::typedCell(int element)
{
    return element % 3 != 2;
}

bool TallySheet::typedLength(int block) const
{
    return block % 2 == 0 || !extendedLayoutShown();
}

double TallySheet::cellNumber(int row, int element) const
{
    const QString text = cellText(row, element);
    return typedCell(element) ? typedNumber(text) : leadingNumber(text);
}

double TallySheet::lengthNumber(int block) const
{
    const QString text = lengthText(block);
    return typedLength(block) ? typedNumber(text) : leadingNumber(text);
}

double TallySheet::arrayNumber(TallyArray array, int element) const
{
    return leadingNumber(arrayText(array, element));
}

double TallySheet::unitPriceNumber(int group)
{
    return typedNumber(unitPriceText(group));
}

namespace {

// One tick over the sheet, making its texts through the kept ones.
class Tick {
public:
    Tick(TallySheet& sheet, Recalculation::Texts& texts)
        : m_sheet(sheet)
        , m_kept(texts)
    {
    }

    void run()
    {
        writeCellVolumes();
        if (m_sheet.extendedLayoutShown())
            writePairTotals();
        if (m_sheet.standardLayoutShown())
            writeBlockTotals();
        copyUnitPrices();
        writeGroupFields();
        writeTotalsAndAmounts();
    }

private:
    void write(TallyArray array, int element, KeptText& kept, double value, QString (*make)(double))
    {
        m_sheet.setArrayText(array, element, kept.of(value, make));
    }

    // Sum over rows 1..14 of the given elements, element by element.
    double columnSum(std::initializer_list<int> elements) const
    {
        double sum = 0;
        for (int element : elements)
            for (int row = 1; row <= rowCount; ++row)
                sum += m_sheet.cellNumber(row, element);
        return sum;
    }

    double sumOfShown(TallyArray array) const
    {
        double sum = 0;
        for (int group = 0; group < groupCount; ++group)
            sum += m_sheet.arrayNumber(array, group);
        return sum;
    }

    void writeCellVolumes()
    {
        for (int block = 0; block < blockCount; ++block) {
            for (int row = 1; row <= rowCount; ++row) {
                const QString& volume
                    = m_kept.volumes[row - 1][block].of(m_sheet.cellNumber(row, 3 * block),
                        m_sheet.cellNumber(row, 3 * block + 1), m_sheet.lengthNumber(block));
                m_sheet.setCellText(row, 3 * block + 2, volume);
            }
        }
    }

    void writePairTotals()
    {
        m_sheet.setLengthText(1, m_kept.lengths[1].of(m_sheet.lengthNumber(0), plainNumberText));
        m_sheet.setLengthText(3, m_kept.lengths[3].of(m_sheet.lengthNumber(2), plainNumberText));
        write(TallyArray::Text29, 4, m_kept.text29[4], columnSum({ 1, 4 }), plainNumberText);
        write(TallyArray::Text29, 5, m_kept.text29[5], columnSum({ 7, 10 }), plainNumberText);
        write(TallyArray::Text30, 4, m_kept.text30[4], columnSum({ 2, 5 }), volumeText);
        write(TallyArray::Text30, 5, m_kept.text30[5], columnSum({ 8, 11 }), volumeText);
    }

    void writeBlockTotals()
    {
        auto pieces = [&](int block) {
            write(TallyArray::Text29, block, m_kept.text29[block], columnSum({ 3 * block + 1 }),
                plainNumberText);
        };
        auto volume = [&](int block) {
            write(TallyArray::Text30, block, m_kept.text30[block], columnSum({ 3 * block + 2 }),
                volumeText);
        };
        pieces(1);
        volume(1);
        pieces(0);
        volume(0);
        pieces(2);
        pieces(3);
        volume(2);
        volume(3);
    }

    void copyUnitPrices()
    {
        for (int group = 0; group < groupCount; ++group)
            write(TallyArray::Text19, group, m_kept.text19[group], m_sheet.unitPriceNumber(group),
                plainNumberText);
    }

    void writeGroupFields()
    {
        // [block][group]
        std::array<std::array<double, groupCount>, blockCount> pieces {};
        std::array<std::array<double, groupCount>, blockCount> volume {};
        for (int row = 1; row <= rowCount; ++row) {
            for (int block = 0; block < blockCount; ++block) {
                const int group = priceGroupOf(m_sheet.cellNumber(row, 3 * block));
                pieces[block][group] += m_sheet.cellNumber(row, 3 * block + 1);
                volume[block][group] += m_sheet.cellNumber(row, 3 * block + 2);
            }
        }
        auto overBlocks = [](const auto& sums, int group) {
            double total = 0;
            for (int block = 0; block < blockCount; ++block)
                total += sums[block][group];
            return total;
        };
        for (int group : { 0, 2, 1 })
            write(TallyArray::Text16, group, m_kept.text16[group], overBlocks(pieces, group),
                plainNumberText);
        for (int group : { 0, 2, 1 })
            write(TallyArray::Text18, group, m_kept.text18[group], overBlocks(volume, group),
                volumeText);
    }

    void writeTotalsAndAmounts()
    {
        write(TallyArray::Text16, 3, m_kept.text16[3], sumOfShown(TallyArray::Text16),
            plainNumberText);
        write(TallyArray::Text18, 3, m_kept.text18[3], sumOfShown(TallyArray::Text18), volumeText);
        for (int group = 0; group < groupCount; ++group) {
            const double price = m_sheet.arrayNumber(TallyArray::Text19, group);
            const double volume = m_sheet.arrayNumber(TallyArray::Text18, group);
            write(TallyArray::Text28, group, m_kept.text28[group], price * volume, amountText);
        }
        write(TallyArray::Text28, 3, m_kept.text28[3], sumOfShown(TallyArray::Text28),
            plainNumberText);
    }

    TallySheet& m_sheet;
    Recalculation::Texts& m_kept;
};

} // namespace

int priceGroupOf(double diameter)
{
    if (diameter <= 13)
        return 0;
    if (diameter > 19)
        return 2;
    return 1;
}

Recalculation::Recalculation()
    : m_texts(std::make_unique<Texts>())
{
}

Recalculation::~Recalculation() = default;

void Recalculation::run(TallySheet& sheet)
{
    Tick(sheet, *m_texts).run();
}

void recalculate(TallySheet& sheet)
{
    Recalculation().run(sheet);
}
