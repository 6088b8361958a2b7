#pragma once

// An in-memory spreadsheet for tests of the workbook commands: workbooks are
// maps of cells, every write is recorded in order, and failures can be
// planted at any operation.

#include "records/workbook.h"

#include <QHash>
#include <QMap>
#include <QMutex>
#include <QStringList>
#include <QVector>
#include <functional>

struct MemoryCell {
    bool isNumber = false;
    double number = 0;
    QString text; // for a number, the text it shows when it has a format
};

struct MemorySheet {
    QString name;
    QMap<std::pair<int, int>, MemoryCell> cells;
    QMap<std::pair<int, int>, QString> comments;

    QString shownText(int row, int column) const;
};

struct MemoryWrite {
    QString sheet;
    int row;
    int column;
    MemoryCell value;
};

class MemorySpreadsheet : public Spreadsheet {
public:
    // The workbooks, by path; a missing path is a missing file.
    QHash<QString, QVector<MemorySheet>> files;
    QVector<MemoryWrite> writes;
    QStringList shown;
    // The copies saved, by path, with their format.
    QHash<QString, Workbook::CopyFormat> copies;
    int opens = 0;
    int creates = 0;
    int saves = 0;

    // Called before each operation ("open", "create", "sheet", "read",
    // "write", "save", "copy", "close", "show"); may throw a Failure to
    // plant a failure.
    std::function<void(const QString& operation)> beforeOperation;

    std::unique_ptr<Workbook> open(const QString& path) override;
    // A new workbook has one sheet, "Sheet1".
    std::unique_ptr<Workbook> create() override;
    void show(const QString& path) override;

    MemorySheet& sheet(const QString& path, const QString& name);
    void check(const QString& operation);

private:
    QMutex m_mutex;
};
