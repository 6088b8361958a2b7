#pragma once

// The bill archive: the folder 账单 beside the workbooks keeps a copy of
// every bill exported, as YYYY-MM-DD-NNN.xls with its one-page PDF, NNN the
// running number of that day. The numbers live in the file names, so they
// go on across restarts.

#include <QDate>
#include <QString>
#include <optional>

struct BillNumber {
    QDate date;
    int serial = 0; // from 1 each day

    // "2026-12-09-001"
    QString text() const;
    // The number that text() gave; nothing for another text.
    static std::optional<BillNumber> fromText(const QString& text);
    // The texts of the bill's own labelled cells A2 and G2.
    QString dateCellText() const;
    QString numberCellText() const;
};

QString billArchiveFolder(const QString& workbookFolder);

// The number after the highest of that day in the archive folder whose
// .xls and .pdf names are both free. Any entry takes a name: a dangling
// link, a FIFO or a folder as much as a bill.
BillNumber nextBillNumber(const QString& archiveFolder, const QDate& day);

// Whether the office may write a copy at `path`: nothing is there, or a
// regular file (a reprint replaces its own copy), never a link.
bool archiveNameWritable(const QString& path);

QString archivedBillPath(
    const QString& archiveFolder, const BillNumber& number, const char* suffix);
