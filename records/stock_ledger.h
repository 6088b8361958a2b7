#pragma once

// The stock ledger workbook 木材出入库台账.xls in the program's folder: the
// species list at start, one posting row per stock-in or stock-out press,
// and showing the ledger to the user.

#include "records/command_prompts.h"
#include "records/ledger_year.h"
#include "records/workbook.h"
#include "records/workbook_pass.h"
#include "tally/tally.h"

#include <QDate>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

QString ledgerPath(const QString& programFolder);

// The eight entries of K5:K12 of the sheet "库存", in sheet order, read in
// one pass (runWorkbookPass). Throws Failure.
QStringList loadSpeciesList(Spreadsheet& app, const QString& path);
// The same read alone, for a pass run elsewhere.
QStringList readSpeciesList(Spreadsheet& app, const QString& path);

// The ledger's years: the calendar year the ledger was last asked about
// (0: never), kept by the program between runs.
struct LedgerYears {
    std::function<int()> lastYear;
    std::function<void(int)> rememberYear;
    // For the power cut tests: see LedgerYearStep::passing.
    std::function<void(const QString&)> passing;
};

// What a posting checks beside the tally's texts, read when it runs.
struct PostingContext {
    // The species list of the ledger as the window holds it; empty when it
    // could not be read.
    QStringList speciesList;
    // Rises with every edit of the tally: equal counts, the same tally.
    quint64 tallyEdits = 0;
};

class StockPosting {
public:
    enum class Sheet { StockIn = 1, StockOut = 2 };

    StockPosting(Spreadsheet& app, QString path, Sheet sheet, CommandPrompts& prompts);

    // One press of the button: the species, the volumes of the three price
    // groups and their unit prices go into the next row. Returns the row
    // written, or 0. Without `readContext` nothing is asked about the
    // species list or a load posted twice. A stock out of more than the
    // stock sheet shows for the species is asked about once per press.
    int press(const Tally& tally, const PostingContext& context);
    // The same, with the tally and the context read once.
    int press(const std::function<Tally()>& readTally,
        const std::function<PostingContext()>& readContext = {});

    qint16 pressCount() const { return m_pressCount; }
    // Checked after the first-use reminder; null: none.
    void setChecks(TallyChecks* checks) { m_checks = checks; }
    // The day postings are dated by (today unless set).
    void setToday(std::function<QDate()> today) { m_today = std::move(today); }
    // With the years set, the first posting of a calendar year asks whether
    // to start a new year's ledger, and a full ledger starts a new one
    // without asking; without them a full sheet ends the posting.
    void setLedgerYears(LedgerYears years) { m_years = std::move(years); }

private:
    struct PostedLoad {
        QString species;
        std::array<QString, 3> groupVolumes;
        quint64 tallyEdits;
        bool operator==(const PostedLoad& other) const;
    };

    bool confirmedByTheClerk(const Tally& tally, const PostingContext& context);
    // The question of a new calendar year and its step; false when the
    // step failed and the posting stops.
    bool stepIntoNewYear(const QDate& today);
    LedgerYearStep::Outcome runYearStep(LedgerYearStep::Kind kind, int year, const QDate& today);
    // Posts the tally, or leaves the ledger as it was and says in `shortage`
    // what to ask when a stock out takes more than the stock sheet shows.
    void post(
        const Tally& tally, const QDate& today, int& row, WorkbookPass& pass, QString& shortage);

    Spreadsheet& m_app;
    QString m_path;
    Sheet m_sheet;
    CommandPrompts& m_prompts;
    TallyChecks* m_checks = nullptr;
    qint16 m_pressCount = 0;
    std::optional<PostedLoad> m_lastPosted;
    // The clerk's answers of the current press, never asked twice in it.
    bool m_stockConfirmed = false;
    std::function<QDate()> m_today = [] { return QDate::currentDate(); };
    LedgerYears m_years;
};

// The sheet a posting goes to: 入库 / 出库 by name where the ledger names
// them, else by position.
Worksheet& postingSheet(Workbook& book, StockPosting::Sheet which);
// Whether the sheet's header names column 1 日期, so postings date it.
bool headerNamesDate(Worksheet& sheet);

// Shows the ledger to the user; a message says why when it cannot.
void viewStock(Spreadsheet& app, const QString& path, CommandPrompts& prompts);
