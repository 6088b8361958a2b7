#pragma once

// A new Excel 97 workbook holding one table: lines of title above it, the
// headings, the rows, lines of notes below. Used by the exports of the
// history and of a partner's statement.

#include <QString>
#include <QStringList>
#include <QVector>

class Spreadsheet;

struct TableSheet {
    QStringList titleLines; // one text a row, in column 1, above the headings
    QStringList headings; // always stored as text
    QVector<QStringList> rows; // as typed: numbers become numbers, other texts stay text
    QVector<QStringList> footRows; // as typed, below the rows after an empty row
};

// Writes the sheet to a new workbook saved at `path`; the pass is logged
// under `what`. The office saves through a temporary file of its own in the
// folder, so a failed export leaves a file already at `path` as it was.
// Throws Failure.
void writeTableWorkbook(
    Spreadsheet& app, const QString& what, const QString& path, const TableSheet& table);
// The same store alone, for a pass run elsewhere (BackgroundPass).
void storeTableWorkbook(Spreadsheet& app, const QString& path, const TableSheet& table);
