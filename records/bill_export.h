#pragma once

// The bill workbook 木材账单.xls in the program's folder: each export
// writes the tally into the fixed cells of its sheet "原木账单" with the
// bill's date and number, saves it, keeps a copy and a PDF in the bill
// archive and shows the copy to the user for printing.

#include "records/bill_archive.h"
#include "records/command_prompts.h"
#include "records/workbook.h"
#include "tally/tally.h"

#include <QVector>
#include <array>
#include <memory>
#include <optional>
#include <thread>

class QObject;
struct BillPass;

QString billPath(const QString& programFolder);

using BillCell = CellText;

QString billSheetName();

// Every cell an export writes, in the order it writes them.
QVector<BillCell> billCells(const Tally& tally);
// Writes those cells and the bill's date and number into the bill sheet.
void writeBill(Worksheet& sheet, const Tally& tally, const BillNumber& number);

class BillExport {
public:
    BillExport(Spreadsheet& app, QString path, CommandPrompts& prompts);
    // Waits for the archive copies still being made.
    ~BillExport();

    // One press of print bill. Returns true when the bill was written.
    bool press(const Tally& tally);
    // The same, with the tally read once.
    bool press(const std::function<Tally()>& readTally);
    // Writes a bill of the past again, with its own date and number.
    bool reprint(const Tally& tally, const BillNumber& number);
    // The number of the last bill written; its date is null before the first.
    BillNumber lastNumber() const { return m_lastNumber; }

    qint16 pressCount() const { return m_pressCount; }
    // Checked before a press takes a number; null: none.
    void setChecks(TallyChecks* checks) { m_checks = checks; }
    // The day the bills are dated and numbered by (today unless set).
    void setToday(std::function<QDate()> today);
    // Shows the archived PDF (with the archive copy beside it) instead of the
    // office; false when it could not, and the office shows the copy.
    using PdfViewer = std::function<bool(const QString& pdf, const QString& copy)>;
    void setPdfViewer(PdfViewer viewer) { m_pdfViewer = std::move(viewer); }
    // A window's presses return once the bill is saved: its pass runs on a
    // worker thread, which goes on with the archive copy and PDF; what they
    // come to (the view, a failure's message) follows on this thread's
    // event loop. Without it a press returns when all is done.
    void setArchiveInBackground(bool background) { m_background = background; }
    // Until the copies of every press so far are made (or failed).
    void waitForArchive();

private:
    bool write(const Tally& tally, const std::optional<BillNumber>& reprinted);
    // Called on the pass's thread as the copies come.
    struct BillStages {
        std::function<void()> pdfMade;
        std::function<void()> copiesMade; // or failed, before the office closes the bill
    };
    // The pass itself, on whichever thread runs it.
    static void runPass(Spreadsheet& app, const QString& path, const Tally& tally,
        const std::function<BillNumber()>& number, BillPass& press, const BillStages& stages);
    // The PDF is made: the clerk's window shows it.
    void showArchived(BillPass& press);
    // After the copies: the clerk is told of a failure and shown the bill
    // when the window did not show it.
    void reportArchive(const BillPass& press);
    void showBill(const QString& copy);

    Spreadsheet& m_app;
    QString m_path;
    CommandPrompts& m_prompts;
    TallyChecks* m_checks = nullptr;
    qint16 m_pressCount = 0;
    BillNumber m_lastNumber;
    std::function<QDate()> m_today = [] { return QDate::currentDate(); };
    PdfViewer m_pdfViewer;
    bool m_background = false;
    std::thread m_archiving;
    std::unique_ptr<QObject> m_receiver; // of the archive's outcome, on this thread
};
