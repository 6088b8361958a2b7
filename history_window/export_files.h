#pragma once

// Writing what the history window exports: a whole file or nothing, and a
// failure named in the clerk's words (the system's own words go to the log).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

class Spreadsheet;

// Writes the bytes through a temporary file that replaces `path` only once
// all of it is on the disk. Empty when written; else the cause in Chinese.
QString writeWholeFile(const QString& path, const QByteArray& bytes);

// A new Excel 97 workbook at `path`: the headings as text in row 1, the rows
// below as typed (numbers become numbers, every other text stays text).
// Throws WorkbookError.
void writeLoadsWorkbook(Spreadsheet& app, const QString& path, const QStringList& headings,
    const QVector<QStringList>& rows);
