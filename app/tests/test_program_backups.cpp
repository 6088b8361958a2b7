#include "app/tally_program.h"
#include "backups/backup_service.h"
#include "history/history_recorder.h"
#include "history_window/history_services.h"
#include "memory_fixture.h"
#include "records/stock_ledger.h"
#include "support/messages.h"
#include "tally_window/form1.h"
#include "tally_window/workbook_commands.h"
#include "test_answers.h"

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

// The program backs up at its first start of the day and after every 20th
// posting, shows it in the tally's foot, and holds the postings while a
// backup is restored.
class TestProgramBackups : public QObject {
    Q_OBJECT

private slots:
    void backsUpAtStartAndEveryTwentiethPosting();
};

void TestProgramBackups::backsUpAtStartAndEveryTwentiethPosting()
{
    QTemporaryDir folder;
    const QString data = folder.filePath(QStringLiteral("data"));
    const QString config = folder.filePath(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(data) && QDir().mkpath(config));
    MemorySpreadsheet spreadsheet;
    prepareMemoryLedger(spreadsheet, ledgerPath(folder.path()), { QStringLiteral("红松") });
    // The one box expected is the restore's report; any other fails the test.
    TestAnswers answers;
    answers.answerEvery(QStringLiteral("已恢复 "), MessageAnswer::Ok);
    TallyProgram program({ folder.path(), config, data, data, config, true }, spreadsheet);
    program.window().show();
    QVERIFY(program.history());
    BackupService& backups = *program.backups();
    auto* foot = program.window().findChild<QLabel*>(QStringLiteral("BackupFoot"));
    QVERIFY(foot);
    QTRY_VERIFY_WITH_TIMEOUT(foot->text().startsWith(QStringLiteral("已备份")), 60000);
    QCOMPARE(listBackups(data, false).size(), 1);
    // Backups on this disk alone are said in the foot until a second place is set.
    QVERIFY2(foot->text().contains(QStringLiteral("备份只在本机，请设置第二备份位置")),
        qPrintable(foot->text()));
    // The longer warning still ends inside the window.
    QVERIFY(program.window().rect().contains(foot->geometry()));
    backups.setSecondPlace(folder.filePath(QStringLiteral("drive")));
    QVERIFY2(!foot->text().contains(QStringLiteral("备份只在本机")), qPrintable(foot->text()));
    backups.setSecondPlace(QString());
#ifdef QUORVANE_SCREENSHOTS
    QDir().mkpath(QStringLiteral(QUORVANE_SCREENSHOTS));
    program.window().grab().save(QStringLiteral(QUORVANE_SCREENSHOTS "/form1-foot.png"));
#endif

    for (int posting = 0; posting < BackupService::postingsPerBackup; ++posting)
        emit program.commands().loadSaved(LoadKind::StockIn, Tally(), QString());
    QVERIFY(backups.busy());
    QTRY_VERIFY_WITH_TIMEOUT(!backups.busy(), 60000);
    QCOMPARE(listBackups(data, false).size(), 2);

    // During the restore no command can start; afterwards the store is open.
    QVERIFY(backups.restore(listBackups(data, true).last()));
    QVERIFY(!program.commands().hold());
    QTRY_VERIFY_WITH_TIMEOUT(!backups.busy(), 60000);
    QVERIFY(program.commands().hold());
    program.commands().release();
    QVERIFY(program.history()->recorder().store());
    const QString said = answers.texts().last();
    QVERIFY2(said.startsWith(QStringLiteral("已恢复 "))
            && said.contains(QStringLiteral("历史记录（"))
            && said.contains(QStringLiteral("恢复前的文件已另存为备份")),
        qPrintable(answers.texts().join('\n')));
}

QTEST_MAIN(TestProgramBackups)
#include "test_program_backups.moc"
