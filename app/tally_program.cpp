#include "app/tally_program.h"

#include "app/help_window.h"

#include "accounts_window/accounts.h"
#include "assets/artwork.h"
#include "backups/backup_service.h"
#include "backups/backup_store.h"
#include "backups/backups.h"
#include "bill_preview/bill_preview.h"
#include "bill_preview/cups_printer.h"
#include "history/reading_store.h"
#include "history_window/export_dialog.h"
#include "history_window/history_services.h"
#include "records/bill_archive.h"
#include "support/message_box.h"
#include "tally_window/click_label.h"
#include "tally_window/form1.h"
#include "tally_window/tally_field.h"
#include "tally_window/tally_journal.h"
#include "tally_window/window_prompts.h"
#include "tally_window/workbook_commands.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QShortcut>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

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
    , m_folders(folders)
    , m_spreadsheet(&spreadsheet)
{
    // Every window in the tally's Song family; each keeps its own sizes.
    QFont font = QApplication::font();
    font.setFamilies(songFont(10.5).families());
    QApplication::setFont(font);
    m_printer = std::make_unique<CupsPrinter>();
    m_preview = std::make_unique<BillPreview>(
        *m_printer, printSettingsFile(folders.config), [this, &spreadsheet](const QString& copy) {
            // The bill is on screen from its PDF on; its copy may still be in the making.
            m_commands->waitForBillCopies();
            try {
                spreadsheet.show(copy);
                return true;
            } catch (const Failure&) {
                return false;
            }
        });
    m_commands->keepLedgerYears(printSettingsFile(folders.config));
    m_commands->setBillViewer(
        [this](const QString& pdf, const QString& copy) { return m_preview->showBill(pdf, copy); });
    // Made ready once the tally is up, not at the first bill.
    QTimer::singleShot(0, m_preview.get(), [this] { m_preview->prepare(); });
    if (!folders.history.isEmpty())
        m_history = std::make_unique<HistoryServices>(
            folders.history, folders.config, spreadsheet, *m_prompts);
    m_window = std::make_unique<Form1>(
        folders.prices, folders.journal, *m_commands, m_history.get(), *m_prompts);
    Form1& window = *m_window;
    m_prompts->attach(&window, window.fields().text18[3]);
    window.setHelp([this] { showHelpWindow(); });
    m_commands->setTallySource(
        [&window] { return window.tally(); }, [&window] { return window.tallyEdits(); });
    if (HistoryServices* history = m_history.get()) {
        QObject::connect(
            m_commands.get(), &WorkbookCommands::loadSaved, history, &HistoryServices::record);
        QObject::connect(
            history, &HistoryServices::openLoadRequested, &window, &Form1::openLoadIntoTally);
        QObject::connect(history, &HistoryServices::reprintRequested, m_commands.get(),
            &WorkbookCommands::reprintBill);
        // The report has no workbook behind it: the preview shows and prints its PDF alone.
        QObject::connect(
            history, &HistoryServices::reportSaved, m_preview.get(), [this](const QString& pdf) {
                m_preview->showDocument(pdf, QString(), QStringLiteral("报表预览"));
            });
        QObject::connect(history, &HistoryServices::accountsRequested, &window,
            [this] { showAccountsWindow(); });
        QObject::connect(history, &HistoryServices::storesClosing, &window,
            [this] { m_accountsWindow.reset(); });
        const auto refreshAccounts = [this] {
            if (m_accountsWindow && m_accountsWindow->isVisible())
                m_accountsWindow->refresh();
        };
        QObject::connect(history, &HistoryServices::sentToServer, &window, refreshAccounts);
        QObject::connect(history, &HistoryServices::loadRecorded, &window, refreshAccounts);
        auto* accounts = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_J), &window);
        QObject::connect(
            accounts, &QShortcut::activated, &window, [this] { showAccountsWindow(); });
    }
    if (folders.backUp)
        startBackups(folders);
    m_commands->startSpeciesLoad();
}

void TallyProgram::startBackups(const TallyFolders& folders)
{
    m_backups = std::make_unique<BackupService>(
        BackupSources { folders.journal, folders.program, folders.config, folders.prices },
        QDir(folders.config).filePath(QStringLiteral("quorvane.ini")));
    BackupService& backups = *m_backups;
    QObject::connect(&backups, &BackupService::message, m_commands.get(),
        [this](const QString& text) { m_prompts->showMessage(text); });
    QObject::connect(
        m_commands.get(), &WorkbookCommands::loadSaved, &backups, &BackupService::countPosting);
    backups.setRestoreHooks([this] { return m_commands->hold(); },
        [this] {
            if (m_history)
                m_history->reopenStore();
            m_commands->release();
        });
    backups.setJournalTaker([this](const QByteArray& json) { showRestoredJournal(json); });
    QObject::connect(&backups, &BackupService::booksMissing, m_window.get(),
        [this](const BackupInfo& newest, const QStringList& missing) {
            offerRestore(newest, missing);
        });
    // The foot of the tally, beside the loads waiting for the server: when
    // the last backup was taken, and the way to 备份与恢复; in the warning
    // colour while the backups are on this disk alone.
    auto* foot = new ClickLabel(QString(), m_window.get());
    foot->setObjectName(QStringLiteral("BackupFoot"));
    foot->setCursor(Qt::PointingHandCursor);
    foot->setToolTip(QStringLiteral("备份与恢复"));
    if (const QWidget* waiting = m_window->findChild<QWidget*>(QStringLiteral("Label25")))
        foot->move(waiting->x(), waiting->y() + 18);
    const int footLeft = foot->x();
    const auto showLast = [foot, footLeft, &backups] {
        const QDateTime last = backups.lastBackup();
        QString text = last.isValid()
            ? QStringLiteral("已备份 %1").arg(last.toString(QStringLiteral("MM-dd HH:mm")))
            : QStringLiteral("备份与恢复");
        const bool onlyHere = backups.secondPlace().isEmpty();
        if (onlyHere)
            text += QStringLiteral("（%1）").arg(onlyHereText());
        foot->setText(text);
        foot->setStyleSheet(onlyHere ? QStringLiteral("color: #b00000") : QString());
        foot->adjustSize();
        // The warning is longer than the time alone: it ends at the window's
        // right edge rather than past it.
        const int rightmost = foot->parentWidget()->width() - foot->width() - 6;
        foot->move(qMax(0, qMin(footLeft, rightmost)), foot->y());
    };
    showLast();
    QObject::connect(&backups, &BackupService::backupDone, foot, showLast);
    QObject::connect(&backups, &BackupService::restoreDone, foot, showLast);
    QObject::connect(&backups, &BackupService::secondPlaceChanged, foot, showLast);
    QObject::connect(foot, &ClickLabel::clicked, foot, [this] { showBackupsWindow(); });
    QTimer::singleShot(0, &backups, [&backups] { backups.checkBooksAtStart(); });
}

void TallyProgram::offerRestore(const BackupInfo& newest, const QStringList& missing)
{
    const bool elsewhere = newest.place != backupFolderIn(m_backups->localPlace());
    QString question = QStringLiteral(
        "找不到以前的账本，或账本是空的：%1（可能硬盘坏了或文件夹被误删）。\n\n"
        "要用 %2 的备份（%3）恢复吗？\n是：恢复这个备份，和在“备份与恢复”中恢复一样。\n"
        "否：用新的空白账本开始。")
                           .arg(missing.join(QStringLiteral("、")),
                               newest.time.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                               elsewhere ? QStringLiteral("第二备份位置") : QStringLiteral("本机"));
    if (!sameMachineAndUser(newest.origin, thisOrigin()))
        question += QStringLiteral("\n\n这个备份来自另一台电脑或另一个用户，或没有记录来源。");
    if (Messages::askYesNo(m_window.get(), QStringLiteral("备份与恢复"), question))
        m_backups->restore(newest);
    else
        m_backups->backUpIfFirstToday();
}

void TallyProgram::showRestoredJournal(const QByteArray& json)
{
    m_window->journal().showRestored(json, [this] {
        return Messages::askYesNo(m_window.get(), QStringLiteral("备份与恢复"),
            QStringLiteral(
                "已恢复备份中的检尺单。屏幕上的检尺单有还没有入库、出库或导出的内容。\n\n"
                "是：换成备份中的检尺单。\n否：保留屏幕上的检尺单（备份中的检尺单不显示）。"));
    });
}

void TallyProgram::showBackupsWindow()
{
    if (!m_backupsWindow)
        m_backupsWindow = std::make_unique<Backups>(*m_backups);
    else
        m_backupsWindow->refresh();
    m_backupsWindow->show();
    m_backupsWindow->raise();
    m_backupsWindow->activateWindow();
}

void TallyProgram::showAccountsWindow()
{
    if (!m_accountsWindow) {
        ReadingStore* reading = m_history->readingStore();
        if (!reading)
            return;
        AccountsContext context;
        context.reader = reading->store.get();
        context.recorder = m_history->localStore();
        context.spreadsheet = m_spreadsheet;
        if (!m_statements)
            m_statements = std::make_unique<QTemporaryDir>();
        context.statementFolder = m_statements->isValid() ? m_statements->path() : QString();
        context.settingsFile = m_history->settingsFile();
        context.showDocument = [this](const QString& pdf, const QString& title) {
            return m_preview->showDocument(pdf, QString(), title);
        };
        context.askSavePath
            = [this](const QString& caption, const QString& name, const QString& filter) {
                  return askExportPath(QApplication::activeWindow(), m_history->settingsFile(),
                      caption, name, filter);
              };
        context.recorded = [this] { m_history->sendRecorded(); };
        m_accountsWindow = std::make_unique<Accounts>(std::move(context));
        m_accountsWindow->setWindowIcon(programIcon());
        m_accountsWindow->setNotice(reading->notice);
    } else {
        m_accountsWindow->refresh();
    }
    m_accountsWindow->show();
    m_accountsWindow->raise();
    m_accountsWindow->activateWindow();
}

void TallyProgram::showHelpWindow()
{
    if (!m_helpWindow) {
        HelpFacts facts;
        facts.version = QCoreApplication::applicationVersion();
        facts.workbooks = m_folders.program;
        facts.bills = billArchiveFolder(m_folders.program);
        facts.data = m_folders.journal;
        if (m_backups)
            facts.backups = backupFolderIn(m_backups->localPlace());
        facts.settings = QDir(m_folders.config.isEmpty()
                ? QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
                : m_folders.config)
                             .filePath(QStringLiteral("quorvane.ini"));
        m_helpWindow = std::make_unique<HelpWindow>(std::move(facts));
        m_helpWindow->setWindowIcon(programIcon());
    }
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

TallyProgram::~TallyProgram()
{
    m_helpWindow.reset();
    m_accountsWindow.reset();
    m_backupsWindow.reset();
    m_preview.reset();
    m_window.reset();
    m_backups.reset();
}
