#include "volume/recalculation.h"

#include "field_text/field_text.h"
#include "volume/log_volume.h"

#include <array>
#include <initializer_list>

namespace {

constexpr int rowCount = 14;
constexpr int blockCount = 4;
constexpr int groupCount = 3;

QString volumeText(double value)
{
    return patternText(value, 4);
}

// Sum over rows 1..14 of the given elements, element by element.
double columnSum(const TallySheet& sheet, std::initializer_list<int> elements)
{
    double sum = 0;
    for (int element : elements)
        for (int row = 1; row <= rowCount; ++row)
            sum += leadingNumber(sheet.cellText(row, element));
    return sum;
}

void writeCellVolumes(TallySheet& sheet)
{
    for (int block = 0; block < blockCount; ++block) {
        for (int row = 1; row <= rowCount; ++row) {
            const QString volume = CaiJiJiSuan(sheet.cellText(row, 3 * block),
                sheet.cellText(row, 3 * block + 1), sheet.lengthText(block));
            sheet.setCellText(row, 3 * block + 2, volume);
        }
    }
}

void writePairTotals(TallySheet& sheet)
{
    sheet.setLengthText(1, plainNumberText(leadingNumber(sheet.lengthText(0))));
    sheet.setLengthText(3, plainNumberText(leadingNumber(sheet.lengthText(2))));
    sheet.setArrayText(TallyArray::Text29, 4, plainNumberText(columnSum(sheet, { 1, 4 })));
    sheet.setArrayText(TallyArray::Text29, 5, plainNumberText(columnSum(sheet, { 7, 10 })));
    sheet.setArrayText(TallyArray::Text30, 4, volumeText(columnSum(sheet, { 2, 5 })));
    sheet.setArrayText(TallyArray::Text30, 5, volumeText(columnSum(sheet, { 8, 11 })));
}

void writeBlockTotals(TallySheet& sheet)
{
    auto pieces = [&](int block) {
        sheet.setArrayText(
            TallyArray::Text29, block, plainNumberText(columnSum(sheet, { 3 * block + 1 })));
    };
    auto volume = [&](int block) {
        sheet.setArrayText(
            TallyArray::Text30, block, volumeText(columnSum(sheet, { 3 * block + 2 })));
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

void copyUnitPrices(TallySheet& sheet)
{
    for (int group = 0; group < groupCount; ++group)
        sheet.setArrayText(
            TallyArray::Text19, group, plainNumberText(leadingNumber(sheet.unitPriceText(group))));
}

struct GroupSums {
    // [block][group]
    std::array<std::array<double, groupCount>, blockCount> pieces {};
    std::array<std::array<double, groupCount>, blockCount> volume {};

    double totalPieces(int group) const { return overBlocks(pieces, group); }
    double totalVolume(int group) const { return overBlocks(volume, group); }

private:
    static double overBlocks(
        const std::array<std::array<double, groupCount>, blockCount>& sums, int group)
    {
        double total = 0;
        for (int block = 0; block < blockCount; ++block)
            total += sums[block][group];
        return total;
    }
};

GroupSums sumPriceGroups(const TallySheet& sheet)
{
    GroupSums sums;
    for (int row = 1; row <= rowCount; ++row) {
        for (int block = 0; block < blockCount; ++block) {
            const int group = priceGroupOf(leadingNumber(sheet.cellText(row, 3 * block)));
            sums.pieces[block][group] += leadingNumber(sheet.cellText(row, 3 * block + 1));
            sums.volume[block][group] += leadingNumber(sheet.cellText(row, 3 * block + 2));
        }
    }
    return sums;
}

void writeGroupFields(TallySheet& sheet, const GroupSums& sums)
{
    for (int group : { 0, 2, 1 })
        sheet.setArrayText(TallyArray::Text16, group, plainNumberText(sums.totalPieces(group)));
    for (int group : { 0, 2, 1 })
        sheet.setArrayText(TallyArray::Text18, group, volumeText(sums.totalVolume(group)));
}

double sumOfShown(const TallySheet& sheet, TallyArray array)
{
    double sum = 0;
    for (int group = 0; group < groupCount; ++group)
        sum += leadingNumber(sheet.arrayText(array, group));
    return sum;
}

void writeTotalsAndAmounts(TallySheet& sheet)
{
    sheet.setArrayText(
        TallyArray::Text16, 3, plainNumberText(sumOfShown(sheet, TallyArray::Text16)));
    sheet.setArrayText(TallyArray::Text18, 3, volumeText(sumOfShown(sheet, TallyArray::Text18)));
    for (int group = 0; group < groupCount; ++group) {
        const double price = leadingNumber(sheet.arrayText(TallyArray::Text19, group));
        const double volume = leadingNumber(sheet.arrayText(TallyArray::Text18, group));
        sheet.setArrayText(TallyArray::Text28, group, patternText(price * volume, 2));
    }
    sheet.setArrayText(
        TallyArray::Text28, 3, plainNumberText(sumOfShown(sheet, TallyArray::Text28)));
}

} // namespace

int priceGroupOf(double diameter)
{
    if (diameter <= 13)
        return 0;
    if (diameter > 19)
        return 2;
    return 1;
}

void recalculate(TallySheet& sheet)
{
    writeCellVolumes(sheet);
    if (sheet.extendedLayoutShown())
        writePairTotals(sheet);
    if (sheet.standardLayoutShown())
        writeBlockTotals(sheet);
    copyUnitPrices(sheet);
    writeGroupFields(sheet, sumPriceGroups(sheet));
    writeTotalsAndAmounts(sheet);
}
