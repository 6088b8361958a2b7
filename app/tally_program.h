#pragma once

// The program's parts put together: the prompts, the workbook commands and
// the history services, built first and handed to the tally window, which
// shows the tally and forwards its buttons to them. main.cpp builds one;
// so does every test that needs the whole window.

#include <QString>
#include <memory>

#include <QStringList>

class Accounts;
struct BackupInfo;
class BackupService;
class Backups;
class ClickLabel;
class BillPreview;
class CupsPrinter;
class Form1;
class HelpWindow;
class HistoryServices;
class QTemporaryDir;
class Spreadsheet;
class WindowPrompts;
class WorkbookCommands;

// Where the program keeps its files.
struct TallyFolders {
    QString program; // the program's own folder, with the workbooks
    QString prices; // the unit price files
    QString journal; // the tally journal; empty: the window keeps none
    QString history; // the history of loads; empty: the program keeps none
    QString config; // the configuration file's folder; empty: no yard server
    bool backUp = false; // backups of all of these in the data (journal) folder
};

class TallyProgram {
public:
    // The spreadsheet serves every workbook command and must outlive the
    // program. The species list starts loading at once.
    TallyProgram(const TallyFolders& folders, Spreadsheet& spreadsheet);
    // The window goes first: its journal is marked clean while the rest is
    // still there.
    ~TallyProgram();

    Form1& window() const { return *m_window; }
    WorkbookCommands& commands() const { return *m_commands; }
    // Null when the program keeps no history.
    HistoryServices* history() const { return m_history.get(); }
    // Null when the program keeps no backups.
    BackupService* backups() const { return m_backups.get(); }
    BillPreview& billPreview() const { return *m_preview; }
    // 往来账, once opened; null before.
    Accounts* accountsWindow() const { return m_accountsWindow.get(); }
    // 帮助, once F1 opened it; null before.
    HelpWindow* helpWindow() const { return m_helpWindow.get(); }

private:
    void startBackups(const TallyFolders& folders);
    void showBackupsWindow();
    // The start found the books of the newest backup gone: restore it?
    void offerRestore(const BackupInfo& newest, const QStringList& missing);
    void showRestoredJournal(const QByteArray& json);
    void showAccountsWindow();
    void showHelpWindow();

    std::unique_ptr<WindowPrompts> m_prompts;
    std::unique_ptr<CupsPrinter> m_printer;
    std::unique_ptr<BillPreview> m_preview;
    std::unique_ptr<WorkbookCommands> m_commands;
    std::unique_ptr<HistoryServices> m_history;
    std::unique_ptr<BackupService> m_backups;
    std::unique_ptr<Form1> m_window;
    std::unique_ptr<Backups> m_backupsWindow;
    std::unique_ptr<HelpWindow> m_helpWindow;
    TallyFolders m_folders;
    // Reads the history services' store: made on first use, gone before it.
    std::unique_ptr<Accounts> m_accountsWindow;
    std::unique_ptr<QTemporaryDir> m_statements; // the statements the preview shows
    Spreadsheet* m_spreadsheet;
};
