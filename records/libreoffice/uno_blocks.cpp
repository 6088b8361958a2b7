#include "records/libreoffice/uno_blocks.h"

#include "field_text/field_text.h"
#include "records/cell_values.h"
#include "records/libreoffice/uno_text.h"

#include <QSet>
#include <algorithm>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <map>

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

namespace {

// A number as a number, any other text as a literal string; the office
// empties a cell given an empty string.
Any typedValue(const QString& text)
{
    if (const auto value = wholeNumber(text))
        return Any(*value);
    return Any(toOUString(text));
}

// The cells from top to bottom, left to right, that the cells are written into.
struct Box {
    int top, left, bottom, right;

    static Box of(const CellText& cell) { return { cell.row, cell.column, cell.row, cell.column }; }
    Box joined(const CellText& cell) const { return joined(of(cell)); }
    Box joined(const Box& other) const
    {
        return { std::min(top, other.top), std::min(left, other.left),
            std::max(bottom, other.bottom), std::max(right, other.right) };
    }
    bool contains(int row, int column) const
    {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
    Reference<css::table::XCellRange> range(const Reference<css::sheet::XSpreadsheet>& sheet) const
    {
        return sheet->getCellRangeByPosition(left - 1, top - 1, right - 1, bottom - 1);
    }
};

// The formulas and formatted texts in the box that are not written: a block
// write would turn them into plain values.
QVector<QPair<int, int>> keptCells(const Reference<css::sheet::XSpreadsheet>& sheet, const Box& box,
    const QSet<QPair<int, int>>& written)
{
    const auto found = Reference<css::sheet::XCellRangesQuery>(box.range(sheet), UNO_QUERY_THROW)
                           ->queryContentCells(
                               css::sheet::CellFlags::FORMULA | css::sheet::CellFlags::FORMATTED);
    QVector<QPair<int, int>> kept;
    for (const auto& address : found->getRangeAddresses())
        for (int row = address.StartRow + 1; row <= address.EndRow + 1; ++row)
            for (int column = address.StartColumn + 1; column <= address.EndColumn + 1; ++column)
                if (!written.contains({ row, column }))
                    kept.append({ row, column });
    return kept;
}

// One read and one write of the box: the cells not given keep their values.
void writeBlock(const Reference<css::sheet::XSpreadsheet>& sheet, const Box& box,
    const QVector<CellText>& cells)
{
    if (cells.isEmpty())
        return;
    Reference<css::sheet::XCellRangeData> data(box.range(sheet), UNO_QUERY_THROW);
    Sequence<Sequence<Any>> rows = data->getDataArray();
    auto* block = rows.getArray();
    for (const CellText& cell : cells)
        block[cell.row - box.top].getArray()[cell.column - box.left] = typedValue(cell.text);
    data->setDataArray(rows);
}

} // namespace

int lastUsedRow(const Reference<css::sheet::XSpreadsheet>& sheet)
{
    const Reference<css::sheet::XSheetCellCursor> cursor = sheet->createCursor();
    Reference<css::sheet::XUsedAreaCursor>(cursor, UNO_QUERY_THROW)->gotoEndOfUsedArea(false);
    return Reference<css::sheet::XCellRangeAddressable>(cursor, UNO_QUERY_THROW)
               ->getRangeAddress()
               .EndRow
        + 1;
}

QStringList readColumnValues(
    const Reference<css::sheet::XSpreadsheet>& sheet, int column, int top, int bottom)
{
    QStringList values;
    if (bottom < top)
        return values;
    const auto range = sheet->getCellRangeByPosition(column - 1, top - 1, column - 1, bottom - 1);
    const Sequence<Sequence<Any>> rows
        = Reference<css::sheet::XCellRangeData>(range, UNO_QUERY_THROW)->getDataArray();
    values.reserve(rows.getLength());
    for (sal_Int32 r = 0; r < rows.getLength(); ++r) {
        const Any& value = rows[r][0];
        double number = 0;
        rtl::OUString text;
        if (value >>= number)
            values << plainNumberText(number);
        else if (value >>= text)
            values << toQString(text);
        else
            values << QString();
    }
    return values;
}

int readFirstRowShowingNoText(
    const Reference<css::sheet::XSpreadsheet>& sheet, int column, int top, int bottom)
{
    // Below the used area every cell is empty: only the rows down to it and
    // the one after it need reading.
    const int usedBottom = lastUsedRow(sheet);
    if (usedBottom < top)
        return top;
    bottom = std::min(bottom, usedBottom + 1);
    const auto range = sheet->getCellRangeByPosition(column - 1, top - 1, column - 1, bottom - 1);
    const Sequence<Sequence<Any>> rows
        = Reference<css::sheet::XCellRangeData>(range, UNO_QUERY_THROW)->getDataArray();
    // Numbers come as doubles and errors as void: both show text.
    for (sal_Int32 r = 0; r < rows.getLength(); ++r) {
        const Any& value = rows[r][0];
        if (value.getValueTypeClass() == css::uno::TypeClass_STRING
            && value.get<rtl::OUString>().isEmpty())
            return top + int(r);
    }
    return 0;
}

QVector<CellText> writeCellsInBlocks(
    const Reference<css::sheet::XSpreadsheet>& sheet, const QVector<CellText>& cells)
{
    if (cells.isEmpty())
        return {};
    Box all = Box::of(cells.first());
    QSet<QPair<int, int>> written;
    std::map<int, QVector<CellText>> rows; // ascending, each in the given order
    for (const CellText& cell : cells) {
        all = all.joined(cell);
        written.insert({ cell.row, cell.column });
        rows[cell.row].append(cell);
    }
    const QVector<QPair<int, int>> kept = keptCells(sheet, all, written);
    auto holdsKept = [&](const Box& box) {
        return std::any_of(kept.begin(), kept.end(),
            [&](const QPair<int, int>& cell) { return box.contains(cell.first, cell.second); });
    };

    QVector<CellText> leftOver;
    QVector<CellText> band;
    Box bandBox {};
    for (const auto& [row, rowCells] : rows) {
        Box rowBox = Box::of(rowCells.first());
        for (const CellText& cell : rowCells)
            rowBox = rowBox.joined(cell);
        if (holdsKept(rowBox)) {
            leftOver += rowCells;
            continue;
        }
        if (!band.isEmpty() && !holdsKept(bandBox.joined(rowBox))) {
            band += rowCells;
            bandBox = bandBox.joined(rowBox);
            continue;
        }
        writeBlock(sheet, bandBox, band);
        band = rowCells;
        bandBox = rowBox;
    }
    writeBlock(sheet, bandBox, band);
    return leftOver;
}
