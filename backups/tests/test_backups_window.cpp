#include "backup_fixture.h"
#include "backups/backup_service.h"
#include "backups/backups.h"
#include "support/messages.h"

#include "test_answers.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>

namespace {

const QDateTime noon(QDate(2026, 12, 9), QTime(12, 0), Qt::UTC);

} // namespace

class TestBackupsWindow : public QObject {
    Q_OBJECT

private slots:
    void listsBackupsAndRefusesDamagedOnes();
    void restoresOneFileAfterAsking();
    void settingsComeBackOnlyWhenTicked_data();
    void settingsComeBackOnlyWhenTicked();
};

void TestBackupsWindow::listsBackupsAndRefusesDamagedOnes()
{
    TestYard yard;
    QDateTime now = noon;
    YardBackups service(yard, [&now] { return now; });
    QVERIFY(backUpAndWait(service));
    now = noon.addDays(1);
    QVERIFY(backUpAndWait(service));
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
    YardBackups service(yard, [] { return noon; });
    QVERIFY(backUpAndWait(service));
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
    const QStringList& said = service.said();
    QTest::mouseClick(
        window.findChild<QPushButton*>(QStringLiteral("RestoreFile")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(said.size(), 1, 60000);
    QVERIFY2(
        said[0].contains(QStringLiteral("的备份中的账单 2026-12/2.xls。")), qPrintable(said[0]));
    QFile bill(yard.billPath(2));
    QVERIFY(bill.open(QIODevice::ReadOnly));
    QCOMPARE(bill.readAll(), QByteArray("bill 2"));
}

void TestBackupsWindow::settingsComeBackOnlyWhenTicked_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("heading");
    QTest::newRow("the statement's heading offered unticked stays as it is")
        << false << QStringLiteral("乙木业");
    QTest::newRow("ticked, it comes back, never the yard server")
        << true << QStringLiteral("甲木业");
}

void TestBackupsWindow::settingsComeBackOnlyWhenTicked()
{
    QFETCH(bool, ticked);
    QFETCH(QString, heading);
    TestYard yard;
    const QString ini = yard.settingsPath();
    const auto setIni = [&ini](const QString& yardName, const QString& host) {
        QSettings settings(ini, QSettings::IniFormat);
        settings.setValue(QStringLiteral("accounts/yard_name"), yardName);
        settings.setValue(QStringLiteral("history_server/host"), host);
    };
    setIni(QStringLiteral("甲木业"), QStringLiteral("old.example"));
    YardBackups service(yard, [] { return noon; });
    QVERIFY(backUpAndWait(service));
    setIni(QStringLiteral("乙木业"), QStringLiteral("yard.example"));
    Backups window(service);
    window.show();
    auto* table = window.findChild<QTableWidget*>(QStringLiteral("BackupList"));
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 1, 60000);
    table->selectRow(0);
    // Offered by name, unticked; the yard server never.
    QStringList offered;
    QCheckBox* accounts = nullptr;
    for (QCheckBox* box :
        window.findChild<QWidget*>(QStringLiteral("SettingsGroups"))->findChildren<QCheckBox*>()) {
        offered.append(box->text());
        QVERIFY(!box->isChecked());
        if (box->text().startsWith(QStringLiteral("往来账")))
            accounts = box;
    }
    QVERIFY2(accounts && !offered.join(u' ').contains(QStringLiteral("history_server")),
        qPrintable(offered.join(u' ')));
    accounts->setChecked(ticked);
    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Yes);
    QTest::mouseClick(
        window.findChild<QPushButton*>(QStringLiteral("RestoreWhole")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!service.busy() && answers.waitingAnswers() == 0, 60000);
    service.waitForIdle();
    QSettings settings(ini, QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("accounts/yard_name")).toString(), heading);
    QCOMPARE(settings.value(QStringLiteral("history_server/host")).toString(),
        QStringLiteral("yard.example"));
}

QTEST_MAIN(TestBackupsWindow)
#include "test_backups_window.moc"
