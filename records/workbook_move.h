#pragma once

// The yard's files (the workbooks and the bill archive 账单) of an earlier
// version move from the data folder to their own folder once. Every file is
// copied, synced and read back before any old file is removed; a file
// already there with the same content counts as copied, one with other
// content stops the move before anything is copied. Any failure removes
// the copies this move made and leaves every old file where it was.

#include <QString>
#include <QStringList>

struct WorkbookMove {
    enum class Outcome { NothingToMove, Moved, Failed };
    Outcome outcome = Outcome::NothingToMove;
    QStringList moved; // paths relative to the folders
    QString cause; // Chinese, for the clerk, when it failed
};

// The workbooks (*.xls) and the bill archive in `from`, relative to it.
QStringList yardFilesIn(const QString& from);

WorkbookMove moveYardFiles(const QString& from, const QString& to);
