#include "records/cell_values.h"

#include "field_text/field_text.h"
#include "records/workbook.h"

#include <QRegularExpression>
#include <cmath>

std::optional<double> wholeNumber(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    const QString trimmed = asciiNumberForms(text).trimmed();
    if (!number.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void writeAsTyped(Worksheet& sheet, int row, int column, const QString& text)
{
    if (const auto value = wholeNumber(text))
        sheet.setNumber(row, column, *value);
    else
        sheet.setText(row, column, text);
}

void Worksheet::setBlockAsTyped(int top, int left, const QVector<QStringList>& rows)
{
    const int columns = rows.isEmpty() ? 0 : int(rows.first().size());
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows.size(); ++r)
            writeAsTyped(*this, top + r, left + c, rows[r][c]);
}

void Worksheet::setCellsAsTyped(const QVector<CellText>& cells)
{
    for (const CellText& cell : cells)
        writeAsTyped(*this, cell.row, cell.column, cell.text);
}

int Worksheet::firstRowShowingNoText(int column, int top, int bottom)
{
    for (int row = top; row <= bottom; ++row)
        if (shownText(row, column).isEmpty())
            return row;
    return 0;
}

QStringList Worksheet::columnValueTexts(int column, int top, int bottom)
{
    QStringList values;
    for (int row = top; row <= bottom; ++row)
        values << valueText(row, column);
    return values;
}

int Worksheet::lastRowInUse(int limit)
{
    return limit;
}

double dateSerial(const QDate& day)
{
    return double(QDate(1899, 12, 30).daysTo(day));
}
