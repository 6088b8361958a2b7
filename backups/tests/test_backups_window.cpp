#include "backup_fixture.h"
#include "backups/backup_service.h"
#include "backups/backups.h"
#include "support/messages.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

namespace {

const QDateTime noon(QDate(2026, 12, 9), QTime(12, 0), Qt::UTC);

} // namespace

class TestBackupsWindow : public QObject {
    Q_OBJECT

private slots:
    void listsBackupsAndRefusesDamagedOnes();
    void restoresOneFileAfterAsking();
};

void TestBackupsWindow::listsBackupsAndRefusesDamagedOnes()
{
    TestYard yard;
    QDateTime now = noon;
    BackupService service(yard.sources(),
        QDir(yard.sources().config).filePath(QStringLiteral("quorvane.ini")),
        [&now] { return now; });
    QVERIFY(service.backUp());
    QTRY_VERIFY_WITH_TIMEOUT(!service.busy(), 60000);
    now = noon.addDays(1);
    QVERIFY(service.backUp());
    QTRY_VERIFY_WITH_TIMEOUT(!service.busy(), 60000);
    const BackupInfo older = listBackups(yard.sources().data, false).last();
    writeBytes(QDir(older.folder).filePath(QStringLiteral("文档/木材账单.xls")), "changed by hand");

    Backups window(service);
    window.show();
    auto* table = window.findChild<QTableWidget*>(QStringLiteral("BackupList"));
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 2, 60000);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("2026-12-10 12:00:00"));
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("3"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("0"));
    QCOMPARE(table->item(0, 4)->text(), QStringLiteral("本机"));
    QCOMPARE(table->item(0, 5)->text(), QStringLiteral("完好"));
    QCOMPARE(table->item(1, 2)->text(), QStringLiteral("—"));
    QCOMPARE(table->item(1, 5)->text(), QStringLiteral("已损坏，不能恢复"));
    auto* whole = window.findChild<QPushButton*>(QStringLiteral("RestoreWhole"));
    table->selectRow(1);
    QVERIFY(!whole->isEnabled());
    table->selectRow(0);
    QVERIFY(whole->isEnabled());
    QVERIFY(window.findChild<QListWidget*>(QStringLiteral("BackupFiles"))->count() >= 9);
#ifdef QUORVANE_SCREENSHOTS
    QDir().mkpath(QStringLiteral(QUORVANE_SCREENSHOTS));
    window.grab().save(QStringLiteral(QUORVANE_SCREENSHOTS "/backups.png"));
#endif
}

void TestBackupsWindow::restoresOneFileAfterAsking()
{
    TestYard yard;
    BackupService service(yard.sources(),
        QDir(yard.sources().config).filePath(QStringLiteral("quorvane.ini")), [] { return noon; });
    QVERIFY(service.backUp());
    QTRY_VERIFY_WITH_TIMEOUT(!service.busy(), 60000);
    writeBytes(yard.billPath(2), "overwritten");
    Backups window(service);
    window.setFolderChooser([&yard] { return yard.path("drive"); });
    window.show();
    QTest::mouseClick(
        window.findChild<QPushButton*>(QStringLiteral("ChooseSecondPlace")), Qt::LeftButton);
    QCOMPARE(service.secondPlace(), yard.path("drive"));
    QCOMPARE(
        window.findChild<QLineEdit*>(QStringLiteral("SecondPlace"))->text(), yard.path("drive"));
    auto* table = window.findChild<QTableWidget*>(QStringLiteral("BackupList"));
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 1, 60000);
    table->selectRow(0);
    auto* files = window.findChild<QListWidget*>(QStringLiteral("BackupFiles"));
    const auto found
        = files->findItems(QStringLiteral("文档/账单/2026-12/2.xls"), Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    files->setCurrentItem(found.first());
    MessageAnswers answers([](const Message& message) { QFAIL(qPrintable(message.text)); });
    answers.setNextAnswer(MessageAnswer::Yes);
    QStringList said;
    connect(&service, &BackupService::message, this,
        [&said](const QString& text) { said.append(text); });
    QTest::mouseClick(
        window.findChild<QPushButton*>(QStringLiteral("RestoreFile")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(said.size(), 1, 60000);
    QVERIFY2(
        said[0].contains(QStringLiteral("的备份中的账单 2026-12/2.xls。")), qPrintable(said[0]));
    QFile bill(yard.billPath(2));
    QVERIFY(bill.open(QIODevice::ReadOnly));
    QCOMPARE(bill.readAll(), QByteArray("bill 2"));
}

QTEST_MAIN(TestBackupsWindow)
#include "test_backups_window.moc"
