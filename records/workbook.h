#pragma once

// The spreadsheet automation layer the workbook commands are written
// against. A workbook pass opens one workbook hidden, reads or writes cells
// of one worksheet, saves and closes it. Every operation may fail with a
// Failure whose cause the user's message names.

#include "support/failure.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <exception>
#include <memory>

// A text for one cell; rows and columns count from 1.
struct CellText {
    int row;
    int column;
    QString text;
};

// One worksheet; rows and columns count from 1.
class Worksheet {
public:
    virtual ~Worksheet() = default;
    // The text the cell shows; empty for an empty cell.
    virtual QString shownText(int row, int column) = 0;
    // The cell's value as text: its number in plain form, or its string.
    virtual QString valueText(int row, int column) = 0;
    virtual void setNumber(int row, int column, double value) = 0;
    // Stored as a literal string, never as a formula; empty clears the cell.
    virtual void setText(int row, int column, const QString& text) = 0;
    // A real date cell (the day's serial number), shown as YYYY-MM-DD.
    virtual void setDate(int row, int column, const QDate& date) = 0;
    // A block of texts from (top, left), each stored as writeAsTyped does;
    // rows[r][c] goes to (top + r, left + c). Written column by column.
    virtual void setBlockAsTyped(int top, int left, const QVector<QStringList>& rows);
    // Each text stored as writeAsTyped does, in order, so a later text for
    // the same cell wins; the cells between them keep what they hold. As one
    // block where the application allows.
    virtual void setCellsAsTyped(const QVector<CellText>& cells);
    // The first row from `top` to `bottom` whose cell in `column` shows no
    // text; 0 when every one shows text. Read as one block where the
    // application allows, so its cost does not grow with the rows in use.
    virtual int firstRowShowingNoText(int column, int top, int bottom);
    // valueText of each cell of one column from `top` to `bottom`, read as
    // one block where the application allows.
    virtual QStringList columnValueTexts(int column, int top, int bottom);
    // The last row holding anything, at most `limit`; 0 for an empty sheet.
    virtual int lastRowInUse(int limit);
    // A note attached to the cell, as a reader sees when pointing at it.
    virtual void setComment(int row, int column, const QString& text) = 0;
    virtual QString comment(int row, int column) = 0;
};

class Workbook {
public:
    // Closes the workbook without saving if it is still open.
    virtual ~Workbook() = default;
    // By position from 1, or by name; SheetMissing when there is none.
    virtual Worksheet& sheetAt(int position) = 0;
    virtual Worksheet& sheetNamed(const QString& name) = 0;
    virtual QStringList sheetNames() = 0;
    virtual void save() = 0;
    // Stores a copy under another name, its text set in Simplified Chinese
    // type; the workbook stays where it is.
    enum class CopyFormat { Excel97, Pdf };
    virtual void saveCopy(const QString& path, CopyFormat format) = 0;
    virtual void close() = 0;
};

// The office reads and writes wherever a link points, and a FIFO would hold
// the open for ever: a workbook or folder standing at `path` as a link is
// refused (Link), a FIFO or device too (NotAFile); a regular file, a folder
// or a free name pass.
void refuseLinkedEntry(const QString& path);

class Spreadsheet {
public:
    virtual ~Spreadsheet() = default;
    // Opens the workbook hidden for one pass.
    virtual std::unique_ptr<Workbook> open(const QString& path) = 0;
    // A new workbook of one empty sheet, hidden, for one pass. It has no
    // file of its own: saveCopy gives it one.
    virtual std::unique_ptr<Workbook> create() = 0;
    // Shows the workbook to the user in the desktop spreadsheet application,
    // as a separate process that is left running.
    virtual void show(const QString& path) = 0;
};
