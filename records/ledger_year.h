#pragma once

// The stock ledger's step into a new book: the live ledger is archived
// unchanged in 台账存档 beside it, and a new one made from the shipped
// template takes its place, with the old species list and one stock-in row
// per species carrying its stock forward. The step is one unit: a failure
// leaves the old ledger live and unchanged, and a power cut leaves either
// the old ledger live or the new one complete.

#include "records/carried_stock.h"
#include "records/workbook.h"

#include <QDate>
#include <QStringList>
#include <QVector>
#include <functional>

// The folder of the archived ledgers beside the live one.
QString ledgerArchiveFolder(const QString& ledgerPath);

struct ArchivedLedger {
    QString path;
    QString name; // what the file's name says after the ledger's: "2026", "2027-1 (2)"
};
// The archived ledgers, newest first.
QVector<ArchivedLedger> archivedLedgers(const QString& ledgerPath);

// The ledger the program ships, as a new one starts.
QByteArray ledgerTemplate();

class LedgerYearStep {
public:
    // A new calendar year, asked; or a ledger with no free row, mid-year.
    enum class Kind { NewYear, FullLedger };

    struct Outcome {
        bool done = false;
        QString archive; // where the old ledger went
        QStringList negative; // "species (volume)" of stock below zero
        QString failure; // Chinese, for the clerk, when not done
    };

    LedgerYearStep(Spreadsheet& app, QString ledgerPath);

    // `year` names the archive of a new year's step; `today` dates the
    // carried rows and names a full ledger's archive.
    Outcome run(Kind kind, int year, const QDate& today);

    // Called as the step passes "building" (the new ledger open in the
    // office, written, not stored), "built", "archived" and "renamed": the
    // power cut tests end the process there.
    std::function<void(const QString& point)> passing;

private:
    void pass(const char* point) const;

    Spreadsheet& m_app;
    QString m_path;
};

// Settles a step a crash or power cut left half done: when the new ledger
// had not taken the live name, what the step made is removed and the old
// ledger stays; when it had, the step is finished. Returns the year a
// finished new year's step was for, 0 otherwise.
int settleLedgerYearStep(const QString& ledgerPath);
