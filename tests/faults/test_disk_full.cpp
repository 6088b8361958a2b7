#include "fault_fixture.h"
#include "unit_prices/form4.h"
#include "unit_prices/price_files.h"

#include <QLabel>
#include <QProcess>
#include <QStorageInfo>
#include <unistd.h>

namespace {

// What an office says of itself, which a clerk must never read.
bool soundsLikeTheOffice(const QString& text)
{
    return text.contains(QLatin1String("Sfx")) || text.contains(QLatin1String("0x"))
        || text.contains(QLatin1String(".cxx")) || text.contains(QLatin1String("at ./"));
}

} // namespace

// Saving on a disk with no room left: every file stays as it was, and the
// message says that the disk is full.
class TestDiskFull : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void pricesStayAsTheyWere_data();
    void pricesStayAsTheyWere();
    void workbookStaysAsItWas_data();
    void workbookStaysAsItWas();

private:
    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QStringList m_shown;
};

void TestDiskFull::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("a small disk of its own needs root to mount");
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("disk-full"), &m_shown));
    m_office->warmUp();
}

void TestDiskFull::cleanupTestCase()
{
    m_office.reset();
}

void TestDiskFull::pricesStayAsTheyWere_data()
{
    QTest::addColumn<qint64>("leave");
    QTest::newRow("no room at all") << qint64(0);
    // The first file is written, the second finds no room.
    QTest::newRow("room for one price file only") << qint64(4096);
}

void TestDiskFull::pricesStayAsTheyWere()
{
    QFETCH(qint64, leave);
    SmallDisk disk(256 * 1024);
    QVERIFY(disk.mounted());
    const QString folder = disk.path();
    QVERIFY(writePriceFiles(folder, { "350", "480", "600" }));
    disk.fillLeaving(leave);
    const auto before = folderBytes(folder);

    Form4 window(folder);
    window.show();
    const QStringList typed = { "420", "510", "630" };
    for (int group = 0; group < 3; ++group)
        window.findChild<QLineEdit*>(QStringLiteral("Text1(%1)").arg(group))->setText(typed[group]);
    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok);
    QTest::mouseClick(window.findChild<QLabel*>(QStringLiteral("Label3")), Qt::LeftButton);
    QCOMPARE(answers.shown.size(), 1);
    const QString said = answers.shown[0].text;
    QVERIFY2(said.startsWith(QStringLiteral("无法保存单价文件“"))
            && said.contains(QStringLiteral("：磁盘已满，")),
        qPrintable(said));
    QVERIFY(window.isVisible());
    for (int group = 0; group < 3; ++group)
        QCOMPARE(window.priceText(group), typed[group]);
    QCOMPARE(folderBytes(folder), before);

    // With room again, the same press saves all three.
    disk.makeRoom();
    QTest::mouseClick(window.findChild<QLabel*>(QStringLiteral("Label3")), Qt::LeftButton);
    QCOMPARE(answers.shown.size(), 1);
    QCOMPARE(fileBytes(priceFilePath(folder, 2)), QByteArray("630\r\n"));
}

void TestDiskFull::workbookStaysAsItWas_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<qint64>("leave");
    // A ledger needs about 240 KB, a bill about 10 KB.
    QTest::newRow("stock in, no room at all") << QByteArray("Command5") << qint64(0);
    QTest::newRow("stock in, 100 KB free") << QByteArray("Command5") << qint64(100 * 1024);
    QTest::newRow("print bill, no room at all") << QByteArray("Command3") << qint64(0);
    QTest::newRow("print bill, 4 KB free") << QByteArray("Command3") << qint64(4 * 1024);
}

void TestDiskFull::workbookStaysAsItWas()
{
    QFETCH(QByteArray, button);
    QFETCH(qint64, leave);
    SmallDisk disk(4 * 1024 * 1024);
    QVERIFY(disk.mounted());
    TestAnswers answers;
    FaultTally tally(*m_office, disk.path());
    tally.typeLoad();
    const bool posting = button == "Command5";
    const QString workbook = posting ? tally.ledger() : tally.bill();
    disk.fillLeaving(leave);
    const QByteArray before = fileBytes(workbook);
    const auto screen = tallyOnScreen(tally.window());
    m_shown.clear();

    // the first press's reminder, then why it failed
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
    tally.click(button.constData());
    QCOMPARE(answers.shown.size(), 2);
    const QString said = lastMessage(answers);
    QVERIFY2(
        said.contains(
            QStringLiteral("工作簿“%1”没有保存：磁盘已满").arg(QFileInfo(workbook).fileName())),
        qPrintable(said));
    QVERIFY2(!soundsLikeTheOffice(said), qPrintable(said));
    QCOMPARE(fileBytes(workbook), before);
    QVERIFY(m_shown.isEmpty());
    QVERIFY(tally.previewedBills().isEmpty());
    QCOMPARE(tallyOnScreen(tally.window()), screen);

    // With room again, the same press goes through.
    disk.makeRoom();
    answers.shown.clear();
    if (posting)
        answers.setNextAnswer(MessageAnswer::Ok);
    tally.click(button.constData());
    if (posting) {
        QCOMPARE(answers.texts(), QStringList({ "保存成功" }));
        QCOMPARE(postedSpecies(*m_office, tally.ledger()), QStringList({ "红松" }));
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(tally.previewedBills(), tally.archivedBills(1), 60000);
        QCOMPARE(answers.texts(), QStringList());
    }
}

QTEST_MAIN(TestDiskFull)
#include "test_disk_full.moc"
