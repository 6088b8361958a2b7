#include "office_fixture.h"
#include "records/bill_archive.h"
#include "tally_window/window_prompts.h"
#include "tally_window/workbook_commands.h"
#include "test_answers.h"

#include <QApplication>
#include <QLineEdit>
#include <QProgressDialog>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// The two questions of the workbook commands, answered both ways on a real
// office: on 否 the workbook is left as it was, no bill number is used and
// nothing reaches the history.
class TestWorkbookGuards : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void stockOutBeyondTheStockAsksFirst_data();
    void stockOutBeyondTheStockAsksFirst();
    void aBillWithNoVolumeAsksFirst_data();
    void aBillWithNoVolumeAsksFirst();
    void aNewYearIsAskedOnceWhileTheWindowPaints_data();
    void aNewYearIsAskedOnceWhileTheWindowPaints();

private:
    QString copyShipped(const QString& name);

    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QStringList m_shown;
    std::unique_ptr<QTemporaryDir> m_folder;
};

namespace {

Tally load(const QString& firstGroup, const QString& total)
{
    Tally tally;
    tally.species = QStringLiteral("落叶松");
    tally.groupVolumes = { firstGroup, QString(), QString(), total };
    tally.unitPrices = { QStringLiteral("350.00"), QStringLiteral("0.00"), QStringLiteral("0.00") };
    return tally;
}

} // namespace

void TestWorkbookGuards::initTestCase()
{
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("guards"), &m_shown));
    m_office->warmUp();
}

void TestWorkbookGuards::init()
{
    m_folder = std::make_unique<QTemporaryDir>(chineseFolderTemplate());
    m_shown.clear();
}

void TestWorkbookGuards::cleanupTestCase()
{
    m_office.reset();
}

QString TestWorkbookGuards::copyShipped(const QString& name)
{
    const QString path = m_folder->filePath(name);
    QFile::copy(shippedWorkbook(name), path);
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

void TestWorkbookGuards::stockOutBeyondTheStockAsksFirst_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("answered 否, the ledger stays as it was") << false;
    QTest::newRow("answered 是, the load is posted once") << true;
}

void TestWorkbookGuards::stockOutBeyondTheStockAsksFirst()
{
    QFETCH(bool, answer);
    const QString ledger = copyShipped(QStringLiteral("木材出入库台账.xls"));
    const QByteArray before = fileBytes(ledger);
    RecordingPrompts prompts;
    prompts.answers = { answer };
    WorkbookCommands commands(*m_office, m_folder->path(), prompts);
    QSignalSpy saved(&commands, &WorkbookCommands::loadSaved);
    const Tally tally = load(QStringLiteral("1.5660"), QStringLiteral("1.5660"));
    commands.setTallySource([&] { return tally; }, [] { return quint64(1); });

    // The shipped ledger holds no stock: its sheet shows 0 for every species.
    commands.stockOut();
    QCOMPARE(prompts.questions,
        QStringList(QStringLiteral(
            "树种“落叶松”库存只有 0.0000 立方米，这车出库 1.5660 立方米。仍要出库吗？")));
    QCOMPARE(saved.count(), answer ? 1 : 0);
    if (!answer) {
        QCOMPARE(fileBytes(ledger), before);
        return;
    }
    auto book = m_office->open(ledger);
    Worksheet& out = book->sheetNamed(QStringLiteral("出库"));
    QCOMPARE(out.valueText(6, 3), QStringLiteral("1.566"));
    QCOMPARE(out.shownText(7, 2), QString());
    QCOMPARE(book->sheetNamed(QStringLiteral("库存")).valueText(5, 14), QStringLiteral("-1.566"));
    book->close();
}

void TestWorkbookGuards::aBillWithNoVolumeAsksFirst_data()
{
    QTest::addColumn<QString>("total");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("answer");
    QTest::newRow("an empty sheet answered 否 uses no number") << "" << true << false;
    QTest::newRow("an empty sheet answered 是 takes the day's first number") << "" << true << true;
    QTest::newRow("a volume of 0 is no volume either") << "0.0000" << true << false;
    QTest::newRow("a sheet with a volume asks nothing") << "0.3100" << false << true;
}

void TestWorkbookGuards::aBillWithNoVolumeAsksFirst()
{
    QFETCH(QString, total);
    QFETCH(bool, asked);
    QFETCH(bool, answer);
    const QString bill = copyShipped(QStringLiteral("木材账单.xls"));
    const QByteArray before = fileBytes(bill);
    RecordingPrompts prompts;
    prompts.answers = { answer };
    WorkbookCommands commands(*m_office, m_folder->path(), prompts);
    QSignalSpy saved(&commands, &WorkbookCommands::loadSaved);
    commands.setTallySource([&] { return load(total, total); }, [] { return quint64(1); });

    commands.printBill();
    const QString question = QStringLiteral("检尺单上没有材积，仍要打印账单吗？");
    QCOMPARE(prompts.questions, asked ? QStringList(question) : QStringList());
    const QString archive = billArchiveFolder(m_folder->path());
    const int nextSerial = nextBillNumber(archive, QDate::currentDate()).serial;
    if (!answer) {
        QCOMPARE(saved.count(), 0);
        QCOMPARE(prompts.messages, QStringList());
        QCOMPARE(fileBytes(bill), before);
        QCOMPARE(nextSerial, 1);
        return;
    }
    QCOMPARE(saved.count(), 1);
    QCOMPARE(saved[0][2].toString(), (BillNumber { QDate::currentDate(), 1 }).text());
    QCOMPARE(nextSerial, 2);
    QCOMPARE(m_shown.size(), 1);
}

void TestWorkbookGuards::aNewYearIsAskedOnceWhileTheWindowPaints_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("是 archives the ledger under the progress dialog") << true;
    QTest::newRow("否 posts into the same ledger") << false;
}

// Through the window's own prompts and quorvane.ini: asked once, the step
// runs on a worker while the event loop keeps turning under its dialog.
void TestWorkbookGuards::aNewYearIsAskedOnceWhileTheWindowPaints()
{
    QFETCH(bool, answer);
    const QString ledger = copyShipped(QStringLiteral("木材出入库台账.xls"));
    const QString ini = m_folder->filePath(QStringLiteral("quorvane.ini"));
    {
        QSettings settings(ini, QSettings::IniFormat);
        settings.setValue(QStringLiteral("ledger/path"), ledger);
        settings.setValue(QStringLiteral("ledger/year"), 2026);
    }
    QWidget window;
    QLineEdit total(&window);
    WindowPrompts prompts;
    prompts.attach(&window, &total);
    TestAnswers answers;
    answers.setNextAnswers({ MessageAnswer::Ok, answer ? MessageAnswer::Yes : MessageAnswer::No,
        MessageAnswer::Ok, MessageAnswer::Ok });
    WorkbookCommands commands(*m_office, m_folder->path(), prompts);
    commands.keepLedgerYears(ini);
    commands.setToday([] { return QDate(2027, 1, 1); });
    const Tally tally = load(QStringLiteral("1.5660"), QStringLiteral("1.5660"));
    quint64 edits = 0;
    commands.setTallySource([&] { return tally; }, [&] { return ++edits; });

    int turnsUnderDialog = 0;
    QTimer turns;
    connect(&turns, &QTimer::timeout, this, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QStringLiteral("BusyProgress") && widget->isVisible())
                ++turnsUnderDialog;
    });
    turns.start(5);
    commands.stockIn();
    commands.stockIn();
    turns.stop();

    QCOMPARE(answers.texts(),
        QStringList({ "每次入库前请先关闭*木材出入库台账*！！",
            "新的一年：把 2026 年的台账存档，并把各树种的库存结转到新台账吗？", "保存成功",
            "保存成功" }));
    QCOMPARE(
        QSettings(ini, QSettings::IniFormat).value(QStringLiteral("ledger/year")).toInt(), 2027);
    const QString archive = m_folder->filePath(QStringLiteral("台账存档/木材出入库台账 2026.xls"));
    QCOMPARE(QFileInfo::exists(archive), answer);
    if (answer)
        QVERIFY(turnsUnderDialog > 0);
}

QTEST_MAIN(TestWorkbookGuards)
#include "test_workbook_guards.moc"
