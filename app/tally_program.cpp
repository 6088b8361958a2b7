#include "app/tally_program.h"

#include "bill_preview/bill_preview.h"
#include "bill_preview/cups_printer.h"
#include "history_window/history_services.h"
#include "tally_window/form1.h"
#include "tally_window/tally_field.h"
#include "tally_window/window_prompts.h"
#include "tally_window/workbook_commands.h"

#include <QDir>
#include <QStandardPaths>

namespace {

QString printSettingsFile(const QString& configFolder)
{
    const QString folder = configFolder.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
        : configFolder;
    QDir().mkpath(folder);
    return QDir(folder).filePath(QStringLiteral("quorvane.ini"));
}

} // namespace

TallyProgram::TallyProgram(const TallyFolders& folders, Spreadsheet& spreadsheet)
    : m_prompts(std::make_unique<WindowPrompts>())
    , m_commands(std::make_unique<WorkbookCommands>(spreadsheet, folders.program, *m_prompts))
{
    m_printer = std::make_unique<CupsPrinter>();
    m_preview = std::make_unique<BillPreview>(
        *m_printer, printSettingsFile(folders.config), [&spreadsheet](const QString& copy) {
            try {
                spreadsheet.show(copy);
                return true;
            } catch (const WorkbookError&) {
                return false;
            }
        });
    m_commands->setBillViewer(
        [this](const QString& pdf, const QString& copy) { return m_preview->showBill(pdf, copy); });
    if (!folders.history.isEmpty())
        m_history = std::make_unique<HistoryServices>(
            folders.history, folders.config, spreadsheet, *m_prompts);
    m_window = std::make_unique<Form1>(
        folders.prices, folders.journal, *m_commands, m_history.get(), *m_prompts);
    Form1& window = *m_window;
    m_prompts->attach(&window, window.fields().text18[3]);
    m_commands->setTallySource(
        [&window] { return window.tally(); }, [&window] { return window.tallyEdits(); });
    if (HistoryServices* history = m_history.get()) {
        QObject::connect(
            m_commands.get(), &WorkbookCommands::loadSaved, history, &HistoryServices::record);
        QObject::connect(
            history, &HistoryServices::openLoadRequested, &window, &Form1::openLoadIntoTally);
        QObject::connect(history, &HistoryServices::reprintRequested, m_commands.get(),
            &WorkbookCommands::reprintBill);
    }
    m_commands->startSpeciesLoad();
}

TallyProgram::~TallyProgram()
{
    m_preview.reset();
    m_window.reset();
}
