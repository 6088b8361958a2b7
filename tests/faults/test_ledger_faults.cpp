#include "fault_fixture.h"

#include <QComboBox>
#include <QProcess>
#include <QThread>
#include <QUrl>

namespace {

// 出库 moved before 入库, as a clerk who drags the sheet tabs leaves it.
QByteArray stockOutFirst(QByteArray flat)
{
    const auto [outStart, outEnd] = sheetSpan(flat, QStringLiteral("出库"));
    const QByteArray stockOutSheet = flat.mid(outStart, outEnd - outStart);
    flat.remove(outStart, outEnd - outStart);
    flat.insert(sheetSpan(flat, QStringLiteral("入库")).first, stockOutSheet);
    return flat;
}

std::function<QByteArray(QByteArray)> protecting(const QString& sheet)
{
    return [sheet](QByteArray flat) {
        const QByteArray tag = "<table:table table:name=\"" + sheet.toUtf8() + '"';
        flat.replace(tag, tag + " table:protected=\"true\"");
        return flat;
    };
}

void setModified(const QString& path, const QDateTime& when)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
}

// Keeps every core of the machine busy while it lives.
class BusyMachine {
public:
    BusyMachine()
    {
        for (int core = 0; core < std::max(2, QThread::idealThreadCount()); ++core) {
            auto spinner = std::make_unique<QProcess>();
            spinner->start(QStringLiteral("sh"),
                { QStringLiteral("-c"), QStringLiteral("while :; do :; done") });
            spinner->waitForStarted();
            m_spinners.push_back(std::move(spinner));
        }
    }
    ~BusyMachine()
    {
        for (auto& spinner : m_spinners) {
            spinner->kill();
            spinner->waitForFinished();
        }
    }

private:
    std::vector<std::unique_ptr<QProcess>> m_spinners;
};

} // namespace

// Ledgers and bills of a shape the program did not make, leftovers of an
// office killed while saving, and a machine with no core to spare.
class TestLedgerFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void reorderedLedgerPostsByName_data();
    void reorderedLedgerPostsByName();
    void protectedSheetIsNamed_data();
    void protectedSheetIsNamed();
    void leftoverTempFilesOfOursAreRemoved();
    void officeOfAKilledProgramIsEndedFirst();
    void postingHoldsUpOnABusyMachine();

private:
    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QStringList m_shown;
    QTemporaryDir m_samples;
    QString m_reordered;
};

void TestLedgerFaults::initTestCase()
{
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("ledger-faults"), &m_shown));
    m_office->warmUp();
    QVERIFY(QDir(m_samples.path()).mkdir(QStringLiteral("reordered")));
    m_reordered = changedWorkbook(shippedWorkbook(QStringLiteral("木材出入库台账.xls")),
        m_samples.filePath(QStringLiteral("reordered")), stockOutFirst);
    QVERIFY(!m_reordered.isEmpty());
    auto book = m_office->open(m_reordered);
    QCOMPARE(book->sheetNames().mid(0, 2), QStringList({ "出库", "入库" }));
}

void TestLedgerFaults::cleanupTestCase()
{
    m_office.reset();
}

void TestLedgerFaults::reorderedLedgerPostsByName_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("postedSheet");
    QTest::addColumn<QString>("otherSheet");
    QTest::newRow("stock in lands in 入库 though it is the second sheet")
        << QByteArray(stockIn) << "入库"
        << "出库";
    QTest::newRow("stock out lands in 出库 though it is the first sheet")
        << QByteArray(stockOut) << "出库"
        << "入库";
}

void TestLedgerFaults::reorderedLedgerPostsByName()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, postedSheet);
    QFETCH(QString, otherSheet);
    FaultTally tally(*m_office);
    QFile::remove(tally.ledger());
    QVERIFY(QFile::copy(m_reordered, tally.ledger()));
    tally.typeLoad();

    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok); // the first press's reminder
    if (button == stockOut)
        answers.setNextAnswer(MessageAnswer::Yes); // out of a stock of nothing
    answers.setNextAnswer(MessageAnswer::Ok);
    tally.click(button.constData());
    QCOMPARE(answers.shown.size(), button == stockOut ? 3 : 2);
    QCOMPARE(lastMessage(answers), QStringLiteral("保存成功"));
    auto book = m_office->open(tally.ledger());
    QCOMPARE(book->sheetNamed(postedSheet).valueText(6, 2), QStringLiteral("红松"));
    QCOMPARE(book->sheetNamed(otherSheet).shownText(6, 2), QString());
}

void TestLedgerFaults::protectedSheetIsNamed_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("workbook");
    QTest::addColumn<QString>("sheet");
    QTest::newRow("stock in on a protected 入库") << QByteArray(stockIn) << "木材出入库台账.xls"
                                                  << "入库";
    QTest::newRow("stock out on a protected 出库") << QByteArray(stockOut) << "木材出入库台账.xls"
                                                   << "出库";
    QTest::newRow("print bill on a protected bill sheet") << QByteArray(printBill) << "木材账单.xls"
                                                          << "原木账单";
}

void TestLedgerFaults::protectedSheetIsNamed()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, workbook);
    QFETCH(QString, sheet);
    QTemporaryDir samples;
    const QString changed
        = changedWorkbook(shippedWorkbook(workbook), samples.path(), protecting(sheet));
    QVERIFY(!changed.isEmpty());
    FaultTally tally(*m_office);
    const QString target = QDir(tally.folder()).filePath(workbook);
    QFile::remove(target);
    QVERIFY(QFile::copy(changed, target));
    const QByteArray before = fileBytes(target);
    tally.typeLoad();
    const auto screen = tallyOnScreen(tally.window());
    m_shown.clear();

    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok); // the first press's reminder
    if (button == stockOut)
        answers.setNextAnswer(MessageAnswer::Yes); // out of a stock of nothing
    answers.setNextAnswer(MessageAnswer::Ok);
    tally.click(button.constData());
    QCOMPARE(answers.shown.size(), button == stockOut ? 3 : 2);
    const QString said = lastMessage(answers);
    const QString expected
        = QStringLiteral("工作簿“%1”中的工作表“%2”受保护，无法写入；没有写入任何内容。")
              .arg(workbook, sheet);
    QCOMPARE(said, button == printBill ? QStringLiteral("账单没有导出：") + expected : expected);
    QCOMPARE(fileBytes(target), before);
    QVERIFY(m_shown.isEmpty());
    QCOMPARE(tallyOnScreen(tally.window()), screen);
}

void TestLedgerFaults::leftoverTempFilesOfOursAreRemoved()
{
    QTemporaryDir folder;
    const QDateTime earlier = QDateTime::currentDateTime().addSecs(-3600);
    const QStringList leftovers = { "lu2a1b3c.tmp", "lu12345ABC.tmp" };
    const QStringList others = { "lunch.txt", "lu.tmp", "notes.tmp", "lu9f9f.tmp.bak" };
    for (const QString& name : leftovers + others) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        setModified(file.fileName(), earlier);
    }
    // One made after this program started: a save that is going on now.
    LibreOfficeSpreadsheet office(testOfficeSettings(QStringLiteral("leftovers"), nullptr));
    QFile fresh(folder.filePath(QStringLiteral("lu77aa.tmp")));
    QVERIFY(fresh.open(QIODevice::WriteOnly));
    fresh.close();
    setModified(fresh.fileName(), QDateTime::currentDateTime().addSecs(5));

    // While another user's office holds a lock in the folder, nothing goes.
    QFile lock(folder.filePath(QStringLiteral(".~lock.木材账单.xls#")));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(",李四,office-pc,09.12.2026 08:00,file:///home/lisi/.config/libreoffice/4;");
    lock.close();
    QCOMPARE(office.removeLeftoverTempFiles(folder.path()), 0);

    QVERIFY(lock.remove());
    QCOMPARE(office.removeLeftoverTempFiles(folder.path()), int(leftovers.size()));
    for (const QString& name : leftovers)
        QVERIFY2(!QFile::exists(folder.filePath(name)), qPrintable(name));
    for (const QString& name : others + QStringList { "lu77aa.tmp" })
        QVERIFY2(QFile::exists(folder.filePath(name)), qPrintable(name));
}

// A program killed outright leaves its office running on the profile; the
// next start ends it and waits until it is gone before starting its own.
void TestLedgerFaults::officeOfAKilledProgramIsEndedFirst()
{
    const OfficeSettings settings = testOfficeSettings(QStringLiteral("killed-program"), nullptr);
    QProcess left;
    for (int start = 0; start < 3 && left.state() != QProcess::Running; ++start) {
        left.start(QStringLiteral("/usr/lib/libreoffice/program/soffice.bin"),
            { QStringLiteral("--headless"), QStringLiteral("--norestore"),
                QStringLiteral("--nologo"),
                QStringLiteral("-env:UserInstallation=")
                    + QUrl::fromLocalFile(settings.profileFolder).toString(QUrl::FullyEncoded),
                QStringLiteral("--accept=pipe,name=quorvane-killed-program;urp;") });
        QVERIFY(left.waitForStarted());
        // A fresh profile makes the first start end with code 81.
        left.waitForFinished(5000);
    }
    QCOMPARE(left.state(), QProcess::Running);
    QCOMPARE(LibreOfficeSpreadsheet::officeProcessesOn(settings.profileFolder), 1);

    LibreOfficeSpreadsheet office(settings);
    FaultTally tally(office); // a box about the species list fails the test
    QCOMPARE(tally.window()->findChild<QComboBox*>(QStringLiteral("Combo3"))->count(), 8);
    QTRY_COMPARE_WITH_TIMEOUT(left.state(), QProcess::NotRunning, 10000);
    QCOMPARE(office.officeProcessCount(), 1);
}

// A cold office, the species list, a posting and a bill with both cores
// kept busy by other work, under the program's own deadlines.
void TestLedgerFaults::postingHoldsUpOnABusyMachine()
{
    OfficeSettings settings = testOfficeSettings(QStringLiteral("busy"), &m_shown);
    settings.startSeconds = OfficeSettings().startSeconds;
    settings.passSeconds = OfficeSettings().passSeconds;
    BusyMachine busy;
    LibreOfficeSpreadsheet office(settings);
    FaultTally tally(office);
    QCOMPARE(tally.window()->findChild<QComboBox*>(QStringLiteral("Combo3"))->count(), 8);
    tally.typeLoad();

    TestAnswers answers;
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok });
    tally.click(stockIn);
    tally.click(printBill);
    QCOMPARE(answers.texts(), QStringList({ postingReminder, "保存成功", billReminder }));
    QCOMPARE(postedSpecies(office, tally.ledger()), QStringList({ "红松" }));
    QCOMPARE(office.officeProcessCount(), 1);
}

QTEST_MAIN(TestLedgerFaults)
#include "test_ledger_faults.moc"
