#pragma once

// The workbook commands behind the tally window's buttons: the species list
// read at start, stock in, stock out, print bill, view stock and the reprint
// of a past bill. One runs at a time. Each reads the tally once when it runs,
// through the source the window gives it; what the commands have to say
// goes through the prompts.

#include "history/load_record.h"
#include "records/bill_export.h"
#include "records/stock_ledger.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class BackgroundPass;

class WorkbookCommands : public QObject {
    Q_OBJECT

public:
    // The workbooks are in `programFolder`; the spreadsheet and the prompts
    // must outlive the commands.
    WorkbookCommands(Spreadsheet& spreadsheet, const QString& programFolder,
        CommandPrompts& prompts, QObject* parent = nullptr);
    // Waits for the species list, read on another thread.
    ~WorkbookCommands() override;

    // The folder of the workbooks and the bill archive.
    QString folder() const { return m_folder; }

    // The tally as it is, and the count of its edits (equal counts, the
    // same load), read when a command runs.
    void setTallySource(std::function<Tally()> readTally, std::function<quint64()> tallyEdits);

    // The office's cold start takes seconds: the list is read on another
    // thread and arrives (speciesListArrived) while the scaler types.
    void startSpeciesLoad();
    // Whether the species list has arrived (or failed).
    bool speciesListLoaded() const { return m_speciesListLoaded; }

    // The ledger's years are kept in `settingsFile` (quorvane.ini): a new
    // calendar year's first posting asks for a new ledger, a full ledger
    // starts one. A step a power cut left half done is settled here.
    void keepLedgerYears(const QString& settingsFile);
    // The day postings are dated by (today unless set).
    void setToday(const std::function<QDate()>& today);

    // What the window checks before a tally goes into the books; null: none.
    void setTallyChecks(TallyChecks* checks);

    void stockIn();
    void stockOut();
    void printBill();
    void viewStock();
    // The bill's own window; without it the office shows the bill. With it
    // a press of 打印账单 returns once the bill is saved, and the window
    // shows the bill when its archive copy and PDF are made.
    void setBillViewer(BillExport::PdfViewer viewer);
    // Until the last bill's archive copy and PDF are made.
    void waitForBillCopies() { m_bill.waitForArchive(); }
    // The bill of a past load again, with its own date and number; false
    // when it is no bill or was not written.
    bool reprintBill(const LoadRecord& load);

    // Holds every command off while the files are restored (after the last
    // bill's archive copies); false while a command runs.
    bool hold();
    void release();

signals:
    void speciesListArrived(const QStringList& species);
    // A posting or bill saved its workbook, with the tally it took.
    void loadSaved(LoadKind kind, const Tally& tally, const QString& billNumber);

private:
    void post(StockPosting& posting, LoadKind kind);

    Spreadsheet& m_spreadsheet;
    QString m_folder;
    QString m_ledger;
    CommandPrompts& m_prompts;
    StockPosting m_stockIn;
    StockPosting m_stockOut;
    BillExport m_bill;
    std::function<Tally()> m_readTally = [] { return Tally(); };
    std::function<quint64()> m_tallyEdits = [] { return quint64(0); };
    BackgroundPass* m_speciesLoad = nullptr;
    QStringList m_speciesList; // empty until read
    bool m_speciesListLoaded = false;
    bool m_running = false;
};
