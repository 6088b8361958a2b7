// The windows the tally opens: 帮助 on F1, and every one of them closing on
// Esc and Ctrl+W as the desktop's own windows do.

#include "app/help_window.h"
#include "app/tally_program.h"
#include "backups/backup_service.h"
#include "memory_fixture.h"
#include "records/bill_archive.h"
#include "records/stock_ledger.h"
#include "tally_window/form1.h"
#include "test_answers.h"

#include <QDir>
#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

class TestProgramWindows : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void helpOpensOnF1AndSaysWhereTheFilesAre();
    void windowsCloseOnEscAndCtrlW_data();
    void windowsCloseOnEscAndCtrlW();
    void pinkLinksLookLikeLinks();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<MemorySpreadsheet> m_spreadsheet;
    std::unique_ptr<TestAnswers> m_answers;
    std::unique_ptr<TallyProgram> m_program;
};

void TestProgramWindows::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    const QString data = m_folder->filePath(QStringLiteral("data"));
    const QString config = m_folder->filePath(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(data) && QDir().mkpath(config));
    m_spreadsheet = std::make_unique<MemorySpreadsheet>();
    prepareMemoryLedger(*m_spreadsheet, ledgerPath(m_folder->path()), { QStringLiteral("红松") });
    m_answers = std::make_unique<TestAnswers>();
    m_program = std::make_unique<TallyProgram>(
        TallyFolders { m_folder->path(), config, data, data, config, true }, *m_spreadsheet);
    m_program->window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_program->window()));
}

void TestProgramWindows::cleanup()
{
    if (m_program && m_program->backups())
        m_program->backups()->waitForIdle();
    m_program.reset();
    m_answers.reset();
    m_spreadsheet.reset();
    m_folder.reset();
}

void TestProgramWindows::helpOpensOnF1AndSaysWhereTheFilesAre()
{
    QTest::keyClick(&m_program->window(), Qt::Key_F1);
    HelpWindow* help = m_program->helpWindow();
    QVERIFY(help && help->isVisible());
    QCOMPARE(help->objectName(), QStringLiteral("Help"));
    QCOMPARE(help->windowTitle(), QStringLiteral("帮助"));
    const QString text = help->findChild<QTextBrowser*>(QStringLiteral("HelpText"))->toPlainText();
    for (const char* named : { "Ctrl+J", "Ctrl+H", "Ctrl+1 … Ctrl+4", "Esc", "Ctrl+W", "计算器",
             "单价设置", "增加径级规格", "已备份", "第二备份位置", "检尺站设置", "对出库同样适用" })
        QVERIFY2(text.contains(QString::fromUtf8(named)), named);
    const QString about = help->findChild<QLabel*>(QStringLiteral("HelpAbout"))->text();
    QVERIFY2(about.contains(QStringLiteral("版本 ")), qPrintable(about));
    // The bills' folder: opened where a file manager answers, else its path
    // is shown (this machine has none).
    QTest::mouseClick(help->findChild<QPushButton*>(QStringLiteral("OpenBills")), Qt::LeftButton);
    const QString bills = QDir::toNativeSeparators(billArchiveFolder(m_folder->path()));
    QVERIFY2(help->folderStatus().contains(bills), qPrintable(help->folderStatus()));
#ifdef QUORVANE_SCREENSHOTS
    QDir().mkpath(QStringLiteral(QUORVANE_SCREENSHOTS));
    help->grab().save(QStringLiteral(QUORVANE_SCREENSHOTS "/help.png"));
#endif
}

void TestProgramWindows::windowsCloseOnEscAndCtrlW_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    const int esc = Qt::Key_Escape, w = Qt::Key_W, none = Qt::NoModifier,
              ctrl = Qt::ControlModifier;
    QTest::newRow("备份与恢复 closes on Esc") << "Backups" << esc << none;
    QTest::newRow("备份与恢复 closes on Ctrl+W") << "Backups" << w << ctrl;
    QTest::newRow("帮助 closes on Esc") << "Help" << esc << none;
    QTest::newRow("帮助 closes on Ctrl+W") << "Help" << w << ctrl;
}

void TestProgramWindows::windowsCloseOnEscAndCtrlW()
{
    QFETCH(QString, window);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    if (window == QLatin1String("Help")) {
        QTest::keyClick(&m_program->window(), Qt::Key_F1);
    } else {
        auto* foot = m_program->window().findChild<QLabel*>(QStringLiteral("BackupFoot"));
        QVERIFY(foot);
        QCOMPARE(foot->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(foot, Qt::LeftButton);
    }
    QWidget* shown = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == window && top->isVisible())
            shown = top;
    QVERIFY2(shown, qPrintable(window));
    shown->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shown));
    QWidget* focused = QApplication::focusWidget() ? QApplication::focusWidget() : shown;
    QTest::keyClick(focused, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_VERIFY_WITH_TIMEOUT(!shown->isVisible(), 5000);
}

// 计算器, 单价设置, 增加径级规格, 历史 and 已备份: the pointing hand, and
// underlined while the mouse is over them.
void TestProgramWindows::pinkLinksLookLikeLinks()
{
    for (const char* name : { "Label23", "Label5", "Label19", "Label24", "BackupFoot" }) {
        auto* link = m_program->window().findChild<QLabel*>(QLatin1String(name));
        QVERIFY2(link, name);
        QVERIFY2(link->cursor().shape() == Qt::PointingHandCursor, name);
        QVERIFY2(!link->font().underline(), name);
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(link, &enter);
        QVERIFY2(link->font().underline(), name);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        QVERIFY2(!link->font().underline(), name);
    }
}

QTEST_MAIN(TestProgramWindows)
#include "test_program_windows.moc"
