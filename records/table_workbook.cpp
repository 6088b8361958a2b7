#include "records/table_workbook.h"

#include "records/workbook.h"
#include "records/workbook_pass.h"

#include <QRegularExpression>

namespace {

// A figure of more than 15 digits is no longer exact as a double: such a
// text is stored as the text, so the sheet shows every digit the program
// printed.
bool exactOnlyAsText(const QString& text)
{
    static const QRegularExpression figure(QStringLiteral(R"(^\s*[+-]?(\d+)(?:\.(\d+))?\s*$)"));
    const QRegularExpressionMatch match = figure.match(text);
    if (!match.hasMatch())
        return false;
    QString digits = match.captured(1) + match.captured(2);
    while (digits.size() > 1 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    return digits.size() > 15;
}

// The rows as typed, then the long figures again as text.
void writeRows(Worksheet& sheet, int top, const QVector<QStringList>& rows)
{
    QVector<QStringList> block = rows;
    int columns = 0;
    for (const QStringList& row : rows)
        columns = std::max(columns, int(row.size()));
    for (QStringList& row : block)
        while (row.size() < columns)
            row << QString();
    sheet.setBlockAsTyped(top, 1, block);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            if (exactOnlyAsText(rows[r][c]))
                sheet.setText(top + r, c + 1, rows[r][c].trimmed());
}

} // namespace

void storeTableWorkbook(Spreadsheet& app, const QString& path, const TableSheet& table)
{
    // The office writes wherever a link at the chosen name points.
    refuseLinkedEntry(path);
    auto book = app.create();
    Worksheet& sheet = book->sheetAt(1);
    int row = 1;
    for (const QString& line : table.titleLines)
        sheet.setText(row++, 1, line);
    for (int column = 0; column < table.headings.size(); ++column)
        sheet.setText(row, column + 1, table.headings[column]);
    ++row;
    writeRows(sheet, row, table.rows);
    row += int(table.rows.size());
    if (!table.footRows.isEmpty())
        writeRows(sheet, row + 1, table.footRows);
    book->saveCopy(path, Workbook::CopyFormat::Excel97);
    book->close();
}

void writeTableWorkbook(
    Spreadsheet& app, const QString& what, const QString& path, const TableSheet& table)
{
    const PassOutcome outcome
        = runWorkbookPass(what, path, [&](WorkbookPass&) { storeTableWorkbook(app, path, table); });
    if (outcome.failure)
        throw *outcome.failure;
}
