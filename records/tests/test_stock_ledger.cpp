#include "memory_fixture.h"
#include "memory_workbook.h"
#include "office_fixture.h"
#include "records/event_log.h"
#include "records/stock_ledger.h"

#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

Q_DECLARE_METATYPE(MemoryCell)

namespace {

const QString ledger = QStringLiteral("/yard/木材出入库台账.xls");
const QString reminder = QStringLiteral("每次入库前请先关闭*木材出入库台账*！！");

Tally load(const QString& species = QStringLiteral("落叶松"),
    const QString& total = QStringLiteral("1.5660"))
{
    Tally tally;
    tally.species = species;
    tally.groupVolumes = { QStringLiteral("0.3100"), QStringLiteral("1.2560"), QString(), total };
    tally.unitPrices
        = { QStringLiteral("350.00"), QStringLiteral("480.00"), QStringLiteral("0.00") };
    return tally;
}

MemoryCell cellAt(MemorySpreadsheet& app, const QString& sheet, int row, int column)
{
    return app.sheet(ledger, sheet).cells.value({ row, column });
}

QStringList rowTexts(MemorySpreadsheet& app, const QString& sheet, int row)
{
    QStringList texts;
    for (int column = 1; column <= 11; ++column)
        texts << app.sheet(ledger, sheet).shownText(row, column);
    return texts;
}

// Fails the first `count` operations named `operation`.
} // namespace

class TestStockLedger : public QObject {
    Q_OBJECT

private slots:
    void logKeepsEveryPassAndItsCause();
    void logIsRotatedAtItsLimit();
    void speciesListHasEightEntriesInSheetOrder();
    void reminderOnlyOnEachCommandsFirstPress();
    void emptySpeciesStopsBeforeTheWorkbook();
    void totalVolumeMustBeANumber_data();
    void totalVolumeMustBeANumber();
    void postsToTheNextFreeRow_data();
    void postsToTheNextFreeRow();
    void bigLedgersFindTheirFreeRowInOneRead_data();
    void bigLedgersFindTheirFreeRowInOneRead();
    void aFullSheetIsReportedWithNothingWritten();
    void writesItsColumnsInOrder();
    void firstGroupVolumeIsPostedAsItsLeadingNumber_data();
    void firstGroupVolumeIsPostedAsItsLeadingNumber();
    void stockInAndStockOutWriteIdenticalRows();
    void aFailureRestartsOnceWithoutTheReminder();
    void aSecondFailureNamesTheCause();
    void aFailureAfterTheSaveDoesNotPostTwice();
    void viewStockChecksTheDetailSheet();
    void aLedgerThatIsNotAFileIsNeitherPostedNorShown_data();
    void aLedgerThatIsNotAFileIsNeitherPostedNorShown();
    void stockOutAsksWhenTheStockSheetShowsLess_data();
    void stockOutAsksWhenTheStockSheetShowsLess();
    void theStockQuestionIsNotAskedAgainOnTheRestart();
};

void TestStockLedger::speciesListHasEightEntriesInSheetOrder()
{
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    MemorySheet& stock = app.sheet(ledger, QStringLiteral("库存"));
    const QStringList names = { "红松", "落叶松", "樟子松", "杨木" };
    for (int k = 0; k < names.size(); ++k)
        stock.cells[{ 5 + k, 11 }] = { false, 0, names[k] };
    stock.cells[{ 4, 11 }] = { false, 0, QStringLiteral("树种") };
    stock.cells[{ 13, 11 }] = { false, 0, QStringLiteral("不在表内") };
    QCOMPARE(loadSpeciesList(app, ledger), names + QStringList(4, QString()));
    QCOMPARE(app.saves, 0);
}

void TestStockLedger::reminderOnlyOnEachCommandsFirstPress()
{
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    StockPosting stockOut(app, ledger, StockPosting::Sheet::StockOut, prompts);
    stockIn.press([] { return load(); });
    stockIn.press([] { return load(); });
    stockOut.press([] { return load(); });
    stockOut.press([] { return load(); });
    QCOMPARE(prompts.messages,
        QStringList({ reminder, "保存成功", "保存成功", reminder, "保存成功", "保存成功" }));
}

void TestStockLedger::emptySpeciesStopsBeforeTheWorkbook()
{
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return load(QString()); }), 0);
    QCOMPARE(stockIn.press([] { return load(QString()); }), 0);
    QCOMPARE(prompts.messages, QStringList({ reminder, "没有树种。", "没有树种。" }));
    QCOMPARE(app.opens, 0);
}

void TestStockLedger::totalVolumeMustBeANumber_data()
{
    QTest::addColumn<QString>("total");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty total is not a number") << "" << false;
    QTest::newRow("letters are not a number") << "abc" << false;
    QTest::newRow("a number with letters after it is not a number") << "1.5abc" << false;
    QTest::newRow("the overflow text is not a number") << "溢出" << false;
    QTest::newRow("blanks around a number are fine") << " 1.5660 " << true;
    QTest::newRow("a plain volume") << "0.3100" << true;
    QTest::newRow("a full-width volume is a number") << "１．５６６０" << true;
}

void TestStockLedger::totalVolumeMustBeANumber()
{
    QFETCH(QString, total);
    QFETCH(bool, accepted);
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    const int row = stockIn.press([&] { return load(QStringLiteral("红松"), total); });
    QCOMPARE(row, accepted ? 6 : 0);
    QCOMPARE(prompts.messages.last(),
        accepted ? QStringLiteral("保存成功") : QStringLiteral("请输入材积。"));
    QCOMPARE(prompts.focusRequests, accepted ? 0 : 1);
    QCOMPARE(app.opens, accepted ? 1 : 0);
}

void TestStockLedger::postsToTheNextFreeRow_data()
{
    QTest::addColumn<int>("usedRows");
    QTest::addColumn<int>("postingRow");
    QTest::newRow("no used rows: row 6") << 0 << 6;
    QTest::newRow("rows 6 to 9 used: row 10") << 4 << 10;
}

void TestStockLedger::postsToTheNextFreeRow()
{
    QFETCH(int, usedRows);
    QFETCH(int, postingRow);
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    MemorySheet& in = app.sheet(ledger, QStringLiteral("入库"));
    in.cells[{ 3, 3 }] = { false, 0, QStringLiteral("材积") }; // a heading above row 6
    for (int row = 6; row < 6 + usedRows; ++row)
        in.cells[{ row, 3 }] = { true, 0.5, {} };
    in.cells[{ 12, 3 }] = { true, 9, {} }; // beyond a gap: never reached
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return load(); }), postingRow);
    QCOMPARE(app.sheet(ledger, QStringLiteral("入库")).shownText(postingRow, 2),
        QStringLiteral("落叶松"));
}

void TestStockLedger::bigLedgersFindTheirFreeRowInOneRead_data()
{
    QTest::addColumn<int>("filledTo");
    QTest::addColumn<int>("gap");
    QTest::addColumn<int>("postingRow");
    QTest::newRow("60 000 rows in use: the row after them") << 60005 << 0 << 60006;
    QTest::newRow("a gap between filled rows is the next free row") << 60005 << 31000 << 31000;
    QTest::newRow("a gap in row 6 is the next free row") << 60005 << 6 << 6;
    QTest::newRow("every row but the sheet's last in use: row 65536") << 65535 << 0 << 65536;
}

// The ledger's size must not cost more reads: a posting asks for column 3
// once, however many rows are in use, and reads as much as on an empty one.
void TestStockLedger::bigLedgersFindTheirFreeRowInOneRead()
{
    QFETCH(int, filledTo);
    QFETCH(int, gap);
    QFETCH(int, postingRow);
    // The reads of a posting on an empty ledger.
    int emptyLedgerReads = 0;
    {
        MemorySpreadsheet empty;
        prepareMemoryLedger(empty, ledger);
        empty.beforeOperation
            = [&](const QString& operation) { emptyLedgerReads += operation == "read"; };
        RecordingPrompts prompts;
        StockPosting stockIn(empty, ledger, StockPosting::Sheet::StockIn, prompts);
        QCOMPARE(stockIn.press([] { return load(); }), 6);
    }
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    MemorySheet& in = app.sheet(ledger, QStringLiteral("入库"));
    for (int row = 6; row <= filledTo; ++row)
        if (row != gap)
            in.cells[{ row, 3 }] = { true, 0.5, {} };
    int reads = 0;
    app.beforeOperation = [&](const QString& operation) { reads += operation == "read"; };
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return load(); }), postingRow);
    QCOMPARE(reads, emptyLedgerReads);
    QCOMPARE(cellAt(app, QStringLiteral("入库"), postingRow, 2).text, QStringLiteral("落叶松"));
    QCOMPARE(prompts.messages.last(), QStringLiteral("保存成功"));
}

void TestStockLedger::aFullSheetIsReportedWithNothingWritten()
{
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    MemorySheet& in = app.sheet(ledger, QStringLiteral("入库"));
    for (int row = 6; row <= 65535; ++row)
        in.cells[{ row, 3 }] = { false, 0, QStringLiteral("x") };
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return load(); }), 65536);
    app.writes.clear();
    // Full now: said so at once, not tried again as a failure would be.
    QCOMPARE(stockIn.press([] { return load(); }), 0);
    QCOMPARE(prompts.messages.last(), QStringLiteral("工作表已满"));
    QVERIFY(app.writes.isEmpty());
    QCOMPARE(app.saves, 1);
    QCOMPARE(app.opens, 2);
    QCOMPARE(stockIn.pressCount(), 2);
}

void TestStockLedger::writesItsColumnsInOrder()
{
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    stockIn.press([] { return load(); });
    QList<int> columns;
    for (const MemoryWrite& write : app.writes) {
        QCOMPARE(write.sheet, QStringLiteral("入库"));
        QCOMPARE(write.row, 6);
        columns << write.column;
    }
    QCOMPARE(columns, QList<int>({ 2, 3, 4, 6, 7, 9, 10 }));
    // Texts that read as numbers are stored as numbers, as if typed.
    QVERIFY(app.writes[2].value.isNumber);
    QCOMPARE(app.writes[2].value.number, 350.0);
    QVERIFY(!app.writes[0].value.isNumber);
    QCOMPARE(app.writes[5].value.text, QString()); // an empty group clears its cell
}

void TestStockLedger::firstGroupVolumeIsPostedAsItsLeadingNumber_data()
{
    QTest::addColumn<QString>("volume");
    QTest::addColumn<double>("posted");
    QTest::newRow("letters after the number are dropped") << "0.31abc" << 0.31;
    QTest::newRow("an empty volume posts 0") << "" << 0.0;
    QTest::newRow("letters only post 0") << "abc" << 0.0;
}

void TestStockLedger::firstGroupVolumeIsPostedAsItsLeadingNumber()
{
    QFETCH(QString, volume);
    QFETCH(double, posted);
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    stockIn.press([&] {
        Tally fields = load();
        fields.groupVolumes[0] = volume;
        return fields;
    });
    const MemoryCell cell = cellAt(app, QStringLiteral("入库"), 6, 3);
    QVERIFY(cell.isNumber);
    QCOMPARE(cell.number, posted);
    // So the next posting finds row 6 used.
    QCOMPARE(stockIn.press([] { return load(); }), 7);
}

void TestStockLedger::stockInAndStockOutWriteIdenticalRows()
{
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    StockPosting stockOut(app, ledger, StockPosting::Sheet::StockOut, prompts);
    stockIn.press([] { return load(); });
    stockOut.press([] { return load(); });
    QCOMPARE(rowTexts(app, QStringLiteral("出库"), 6), rowTexts(app, QStringLiteral("入库"), 6));
    QCOMPARE(rowTexts(app, QStringLiteral("入库"), 6),
        QStringList({ "", "落叶松", "0.31", "350", "", "1.256", "480", "", "", "0", "" }));
}

void TestStockLedger::aFailureRestartsOnceWithoutTheReminder()
{
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    app.beforeOperation
        = failFirstWith(FailureCause::OfficeNotResponding, QStringLiteral("write"), 1, ledger);
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return load(); }), 6);
    QCOMPARE(prompts.messages, QStringList({ reminder, "保存成功" }));
    QCOMPARE(stockIn.pressCount(), 2);
    QCOMPARE(app.saves, 1);
}

void TestStockLedger::aSecondFailureNamesTheCause()
{
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    // A locked ledger would be locked again: named at once, not tried twice.
    app.beforeOperation = failFirst(QStringLiteral("open"), 1, ledger);
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return load(); }), 0);
    QCOMPARE(prompts.messages.size(), 2);
    QVERIFY2(prompts.messages[1].contains(QStringLiteral("木材出入库台账.xls")),
        qPrintable(prompts.messages[1]));
    QVERIFY(prompts.messages[1].contains(QStringLiteral("请先将其关闭")));
    QCOMPARE(app.saves, 0);
    // The next press starts afresh and posts.
    QCOMPARE(stockIn.press([] { return load(); }), 6);
}

void TestStockLedger::aFailureAfterTheSaveDoesNotPostTwice()
{
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    app.beforeOperation = failFirst(QStringLiteral("close"), 1, ledger);
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return load(); }), 6);
    QCOMPARE(prompts.messages, QStringList({ reminder, "保存成功" }));
    QCOMPARE(app.saves, 1);
    QCOMPARE(app.sheet(ledger, QStringLiteral("入库")).shownText(7, 2), QString());
    QCOMPARE(stockIn.pressCount(), 1);
}

void TestStockLedger::viewStockChecksTheDetailSheet()
{
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    RecordingPrompts prompts;
    viewStock(app, ledger, prompts);
    // A copy of its own is shown, never the live ledger.
    QCOMPARE(app.shown.size(), 1);
    QVERIFY(app.shown[0] != ledger);
    QVERIFY(QFileInfo(app.shown[0]).fileName().startsWith(QStringLiteral("木材出入库台账-")));
    QCOMPARE(app.copies.value(app.shown[0]), Workbook::CopyFormat::Excel97);
    QVERIFY(prompts.messages.isEmpty());

    app.files[ledger].removeLast(); // no 入库明细
    viewStock(app, ledger, prompts);
    QCOMPARE(app.shown.size(), 1);
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(prompts.messages[0].contains(QStringLiteral("入库明细")));
}

// The office would write wherever a link points, and wait on a FIFO for ever.
void TestStockLedger::aLedgerThatIsNotAFileIsNeitherPostedNorShown_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::addColumn<QString>("said");
    QTest::newRow("A ledger that is a link is refused") << false << "是一个链接";
    QTest::newRow("A FIFO at the ledger's name is refused") << true << "不是普通文件";
}

void TestStockLedger::aLedgerThatIsNotAFileIsNeitherPostedNorShown()
{
    QFETCH(bool, fifo);
    QFETCH(QString, said);
    QTemporaryDir yard;
    QTemporaryDir elsewhere;
    const QString path = ledgerPath(yard.path());
    const QString theirs = elsewhere.filePath(QStringLiteral("theirs.xls"));
    if (fifo) {
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    } else {
        QFile file(theirs);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(theirs, path));
    }
    MemorySpreadsheet app;
    prepareMemoryLedger(app, path);
    RecordingPrompts prompts;
    StockPosting stockIn(app, path, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return load(); }), 0);
    viewStock(app, path, prompts);

    QCOMPARE(app.saves, 0);
    QVERIFY(app.shown.isEmpty());
    QVERIFY(app.copies.isEmpty());
    QCOMPARE(prompts.messages.size(), 3);
    for (const QString& message : prompts.messages.mid(1))
        QVERIFY2(message.contains(said) && message.contains(QStringLiteral("木材出入库台账.xls")),
            qPrintable(message));
}

// What a clerk reports can be traced: each pass with its result, and the
// cause of a failure with the office's own words.
void TestStockLedger::logKeepsEveryPassAndItsCause()
{
    QTemporaryDir data;
    const QString log = QDir(data.path()).filePath(QStringLiteral("quorvane.log"));
    openEventLog(log);
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    app.beforeOperation = [](const QString& operation) {
        if (operation == QLatin1String("save"))
            throw Failure(
                FailureCause::Other, ledger, QStringLiteral("SfxBaseModel::storeSelf: 0x909"));
    };
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return load(); }), 0);
    QVERIFY(!prompts.messages.last().contains(QStringLiteral("Sfx")));
    app.beforeOperation = nullptr;
    QCOMPARE(stockIn.press([] { return load(); }), 6);
    openEventLog(QString());

    const QStringList lines = QString::fromUtf8(fileBytes(log)).split(u'\n', Qt::SkipEmptyParts);
    // The failed press (an office error is not tried again), then the posting.
    QCOMPARE(lines.size(), 2);
    for (int i = 0; i < 1; ++i) {
        QVERIFY2(lines[i].contains(QStringLiteral("stock in 木材出入库台账.xls: ")),
            qPrintable(lines[i]));
        QVERIFY2(lines[i].contains(QStringLiteral("failed: error")), qPrintable(lines[i]));
        QVERIFY2(lines[i].contains(QStringLiteral("SfxBaseModel::storeSelf: 0x909")),
            qPrintable(lines[i]));
    }
    QVERIFY2(lines[1].endsWith(QStringLiteral(" ms, ok")), qPrintable(lines[1]));
}

void TestStockLedger::logIsRotatedAtItsLimit()
{
    QTemporaryDir data;
    const QString log = QDir(data.path()).filePath(QStringLiteral("quorvane.log"));
    openEventLog(log);
    const QString line(1000, u'x');
    for (int i = 0; i < 2 * eventLogLimit / 1000 + 10; ++i)
        logEvent(line);
    logEvent(QStringLiteral("the newest"));
    openEventLog(QString());
    QVERIFY(QFileInfo(log).size() <= eventLogLimit + 2000);
    QVERIFY(QFileInfo(log + QStringLiteral(".1")).size() >= eventLogLimit);
    QVERIFY(fileBytes(log).endsWith("the newest\n"));
    QCOMPARE(QDir(data.path()).entryList(QDir::Files).size(), 2);
}

void TestStockLedger::stockOutAsksWhenTheStockSheetShowsLess_data()
{
    QTest::addColumn<bool>("stockOut");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<MemoryCell>("stock"); // N5 of 库存, beside 落叶松
    QTest::addColumn<QString>("shownStock"); // in the question; none when not asked
    const MemoryCell none;
    auto number = [](double value) { return MemoryCell { true, value, {} }; };
    QTest::newRow("stock out of more than the stock asks")
        << true << true << number(1.5) << "1.5000";
    QTest::newRow("stock out of a species with no stock asks")
        << true << true << number(0) << "0.0000";
    QTest::newRow("stock already negative asks") << true << true << number(-2) << "-2.0000";
    QTest::newRow("stock out of exactly the stock asks nothing")
        << true << true << number(1.566) << "";
    QTest::newRow("less than half a ten-thousandth short asks nothing")
        << true << true << number(1.56596) << "";
    QTest::newRow("stock in never asks") << false << true << number(0) << "";
    QTest::newRow("a species the stock sheet does not list asks nothing here")
        << true << false << number(0) << "";
    QTest::newRow("an empty stock cell asks nothing") << true << true << none << "";
    QTest::newRow("a text in the stock cell asks nothing")
        << true << true << MemoryCell { false, 0, QStringLiteral("#VALUE!") } << "";
}

// Read in the pass that would post: one open, and on 否 nothing saved.
void TestStockLedger::stockOutAsksWhenTheStockSheetShowsLess()
{
    QFETCH(bool, stockOut);
    QFETCH(bool, listed);
    QFETCH(MemoryCell, stock);
    QFETCH(QString, shownStock);
    MemorySpreadsheet app;
    prepareMemoryLedger(
        app, ledger, { listed ? QStringLiteral("落叶松") : QStringLiteral("红松") });
    app.sheet(ledger, QStringLiteral("库存")).cells[{ 5, 14 }] = stock;
    RecordingPrompts prompts;
    prompts.answers = { false };
    StockPosting posting(app, ledger,
        stockOut ? StockPosting::Sheet::StockOut : StockPosting::Sheet::StockIn, prompts);
    const int row = posting.press([] { return load(); });
    const bool asked = !shownStock.isEmpty();
    const QString question
        = QStringLiteral("树种“落叶松”库存只有 %1 立方米，这车出库 1.5660 立方米。仍要出库吗？")
              .arg(shownStock);
    QCOMPARE(prompts.questions, asked ? QStringList(question) : QStringList());
    QCOMPARE(row, asked ? 0 : 6);
    QCOMPARE(app.saves, asked ? 0 : 1);
    QCOMPARE(app.opens, 1);
}

void TestStockLedger::theStockQuestionIsNotAskedAgainOnTheRestart()
{
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger, { QStringLiteral("落叶松") });
    app.sheet(ledger, QStringLiteral("库存")).cells[{ 5, 14 }] = { true, 0, {} };
    app.beforeOperation
        = failFirstWith(FailureCause::OfficeNotResponding, QStringLiteral("write"), 1, ledger);
    RecordingPrompts prompts;
    prompts.answers = { true };
    StockPosting stockOut(app, ledger, StockPosting::Sheet::StockOut, prompts);
    QCOMPARE(stockOut.press([] { return load(); }), 6);
    QCOMPARE(prompts.questions.size(), 1);
    QCOMPARE(prompts.messages, QStringList({ reminder, "保存成功" }));
    QCOMPARE(app.saves, 1);
}

QTEST_GUILESS_MAIN(TestStockLedger)
#include "test_stock_ledger.moc"
