#pragma once

// Reads and writes of many cells in one office call each, so that a pass
// costs the same few calls whatever the number of cells.

#include "records/workbook.h"

#include <com/sun/star/sheet/XSpreadsheet.hpp>

// The first row from `top` to `bottom` whose cell in `column` shows no
// text: an empty cell, or a formula that gives an empty string. 0 when
// every one shows text.
int readFirstRowShowingNoText(
    const css::uno::Reference<css::sheet::XSpreadsheet>& sheet, int column, int top, int bottom);

// Writes the cells as a few blocks, each through one read and one write,
// each text stored as writeAsTyped does; the other cells of a block keep
// their values. A block never takes in a formula or formatted text that is
// not written, which a block write would turn into a plain value: the cells
// of a row that would have to are left over, for writing one by one.
QVector<CellText> writeCellsInBlocks(
    const css::uno::Reference<css::sheet::XSpreadsheet>& sheet, const QVector<CellText>& cells);

// The values of one column from `top` to `bottom` in one read: numbers in
// plain form, texts as they are, empty cells and errors empty.
QStringList readColumnValues(
    const css::uno::Reference<css::sheet::XSpreadsheet>& sheet, int column, int top, int bottom);

// The last row of the used area (1-based), 0 for an empty sheet.
int lastUsedRow(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet);
