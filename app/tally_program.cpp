#include "app/tally_program.h"

#include "history_window/history_services.h"
#include "tally_window/form1.h"
#include "tally_window/tally_field.h"
#include "tally_window/window_prompts.h"
#include "tally_window/workbook_commands.h"

TallyProgram::TallyProgram(const TallyFolders& folders, Spreadsheet& spreadsheet)
    : m_prompts(std::make_unique<WindowPrompts>())
    , m_commands(std::make_unique<WorkbookCommands>(spreadsheet, folders.program, *m_prompts))
{
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
    m_window.reset();
}
