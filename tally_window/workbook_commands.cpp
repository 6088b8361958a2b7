#include "tally_window/workbook_commands.h"

#include "support/failure_text.h"
#include "tally_window/running_command.h"

#include "records/workbook_pass.h"

#include <QSettings>
#include <memory>

WorkbookCommands::WorkbookCommands(Spreadsheet& spreadsheet, const QString& programFolder,
    CommandPrompts& prompts, QObject* parent)
    : QObject(parent)
    , m_spreadsheet(spreadsheet)
    , m_folder(programFolder)
    , m_ledger(ledgerPath(programFolder))
    , m_prompts(prompts)
    , m_stockIn(spreadsheet, m_ledger, StockPosting::Sheet::StockIn, prompts)
    , m_stockOut(spreadsheet, m_ledger, StockPosting::Sheet::StockOut, prompts)
    , m_bill(spreadsheet, billPath(programFolder), prompts)
{
}

WorkbookCommands::~WorkbookCommands()
{
    // The load reads the ledger through the spreadsheet on its own thread.
    if (m_speciesLoad)
        m_speciesLoad->waitForFinished();
}

void WorkbookCommands::setTallySource(
    std::function<Tally()> readTally, std::function<quint64()> tallyEdits)
{
    m_readTally = std::move(readTally);
    m_tallyEdits = std::move(tallyEdits);
}

void WorkbookCommands::keepLedgerYears(const QString& settingsFile)
{
    // The year belongs to the ledger it was asked about: a ledger in
    // another folder has not been asked yet.
    const QString yearKey = QStringLiteral("ledger/year");
    const QString pathKey = QStringLiteral("ledger/path");
    const QString ledger = m_ledger;
    LedgerYears years;
    years.lastYear = [=] {
        const QSettings settings(settingsFile, QSettings::IniFormat);
        return settings.value(pathKey).toString() == ledger ? settings.value(yearKey).toInt() : 0;
    };
    years.rememberYear = [=](int year) {
        QSettings settings(settingsFile, QSettings::IniFormat);
        settings.setValue(pathKey, ledger);
        settings.setValue(yearKey, year);
    };
    if (const int finished = settleLedgerYearStep(m_ledger))
        years.rememberYear(finished);
    m_stockIn.setLedgerYears(years);
    m_stockOut.setLedgerYears(years);
}

void WorkbookCommands::setToday(const std::function<QDate()>& today)
{
    m_stockIn.setToday(today);
    m_stockOut.setToday(today);
}

void WorkbookCommands::setTallyChecks(TallyChecks* checks)
{
    m_stockIn.setChecks(checks);
    m_stockOut.setChecks(checks);
    m_bill.setChecks(checks);
}

void WorkbookCommands::startSpeciesLoad()
{
    m_speciesLoad = new BackgroundPass(this);
    Spreadsheet& spreadsheet = m_spreadsheet;
    const QString ledger = m_ledger;
    auto species = std::make_shared<QStringList>();
    m_speciesLoad->start(
        QStringLiteral("species list"), ledger,
        [&spreadsheet, ledger, species](
            WorkbookPass&) { *species = readSpeciesList(spreadsheet, ledger); },
        [this, species](const PassOutcome& outcome) {
            m_speciesListLoaded = true;
            if (outcome.failure) {
                m_prompts.showMessage(
                    QStringLiteral("树种列表无法读取：%1").arg(failureMessage(*outcome.failure)));
                return;
            }
            m_speciesList = *species;
            emit speciesListArrived(*species);
        });
}

void WorkbookCommands::stockIn()
{
    post(m_stockIn, LoadKind::StockIn);
}

void WorkbookCommands::stockOut()
{
    post(m_stockOut, LoadKind::StockOut);
}

void WorkbookCommands::post(StockPosting& posting, LoadKind kind)
{
    if (RunningCommand running { m_running }) {
        // Read once: the history records the load that was posted, whatever
        // the clerk typed while the questions were open.
        const Tally tally = m_readTally();
        if (posting.press(tally, PostingContext { m_speciesList, m_tallyEdits() }) > 0)
            emit loadSaved(kind, tally, QString());
    }
}

void WorkbookCommands::viewStock()
{
    if (RunningCommand running { m_running })
        ::viewStock(m_spreadsheet, m_ledger, m_prompts);
}

void WorkbookCommands::printBill()
{
    if (RunningCommand running { m_running }) {
        const Tally tally = m_readTally();
        if (m_bill.press(tally))
            emit loadSaved(LoadKind::Bill, tally, m_bill.lastNumber().text());
    }
}

bool WorkbookCommands::reprintBill(const LoadRecord& load)
{
    const std::optional<BillNumber> number = BillNumber::fromText(load.billNumber);
    if (!number) {
        m_prompts.showMessage(QStringLiteral("这条历史记录不是账单，没有账单编号，无法重印。"));
        return false;
    }
    if (RunningCommand running { m_running })
        return m_bill.reprint(load.tally, *number);
    return false;
}

void WorkbookCommands::setBillViewer(BillExport::PdfViewer viewer)
{
    m_bill.setPdfViewer(std::move(viewer));
    m_bill.setArchiveInBackground(true);
}

bool WorkbookCommands::hold()
{
    if (m_running)
        return false;
    m_running = true;
    m_bill.waitForArchive();
    return true;
}

void WorkbookCommands::release()
{
    m_running = false;
}
