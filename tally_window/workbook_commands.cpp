#include "tally_window/workbook_commands.h"

#include "records/workbook_messages.h"
#include "tally_window/running_command.h"

#include <QFutureWatcher>
#include <QtConcurrent>

struct SpeciesLoad {
    QStringList species;
    QString failure;
};

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

void WorkbookCommands::setTallyChecks(TallyChecks* checks)
{
    m_stockIn.setChecks(checks);
    m_stockOut.setChecks(checks);
    m_bill.setChecks(checks);
}

void WorkbookCommands::startSpeciesLoad()
{
    m_speciesLoad = new QFutureWatcher<SpeciesLoad>(this);
    connect(m_speciesLoad, &QFutureWatcher<SpeciesLoad>::finished, this,
        &WorkbookCommands::onSpeciesLoaded);
    Spreadsheet& spreadsheet = m_spreadsheet;
    const QString ledger = m_ledger;
    m_speciesLoad->setFuture(QtConcurrent::run([&spreadsheet, ledger] {
        SpeciesLoad load;
        try {
            load.species = loadSpeciesList(spreadsheet, ledger);
        } catch (const WorkbookError& error) {
            load.failure = failureMessage(error);
        }
        return load;
    }));
}

void WorkbookCommands::onSpeciesLoaded()
{
    m_speciesListLoaded = true;
    const SpeciesLoad load = m_speciesLoad->result();
    if (!load.failure.isEmpty()) {
        m_prompts.showMessage(QStringLiteral("树种列表无法读取：%1").arg(load.failure));
        return;
    }
    m_speciesList = load.species;
    emit speciesListArrived(load.species);
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
        const auto context = [this] { return PostingContext { m_speciesList, m_tallyEdits() }; };
        if (posting.press(m_readTally, context) > 0)
            emit loadSaved(kind, m_readTally(), QString());
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
        if (m_bill.press(m_readTally))
            emit loadSaved(LoadKind::Bill, m_readTally(), m_bill.lastNumber().text());
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

bool WorkbookCommands::hold()
{
    if (m_running)
        return false;
    m_running = true;
    return true;
}

void WorkbookCommands::release()
{
    m_running = false;
}
