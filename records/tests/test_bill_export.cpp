#include "memory_fixture.h"
#include "memory_workbook.h"
#include "office_fixture.h"
#include "records/bill_export.h"
#include "support/regular_file.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <sys/stat.h>

namespace {

const QString reminder = QStringLiteral("每次导入数据前请先关闭*木材账单*");

// A tally whose every field text names the field it comes from.
Tally namedFields(bool standard)
{
    Tally f;
    f.captions[Tally::Buyer].caption = QStringLiteral("购货单位");
    f.captions[Tally::Buyer].value = QStringLiteral("林业公司");
    f.captions[Tally::Truck].caption = QStringLiteral("车号");
    f.captions[Tally::Truck].value = QStringLiteral("辽A12345");
    f.species = QStringLiteral("落叶松");
    f.scaler = QStringLiteral("王五");
    f.lengths
        = { QStringLiteral("4"), QStringLiteral("6"), QStringLiteral("2.6"), QStringLiteral("8") };
    for (int row = 0; row < 14; ++row)
        for (int element = 0; element < 12; ++element)
            f.grid[row][element] = QStringLiteral("g%1.%2").arg(row + 1).arg(element);
    for (int i = 0; i < 6; ++i) {
        f.blockPieces[i] = QStringLiteral("p%1").arg(i);
        f.blockVolumes[i] = QStringLiteral("v%1").arg(i);
    }
    for (int i = 0; i < 4; ++i) {
        f.groupPieces[i] = QStringLiteral("s16.%1").arg(i);
        f.groupVolumes[i] = QStringLiteral("s18.%1").arg(i);
        f.groupAmounts[i] = QStringLiteral("s28.%1").arg(i);
    }
    f.unitPrices = { QStringLiteral("320.00"), QStringLiteral("480.00"), QStringLiteral("655.50") };
    f.captions[Tally::Supplier].caption = QStringLiteral("供货单位");
    f.captions[Tally::Supplier].value = QStringLiteral("东林场");
    f.captions[Tally::Contact].caption = QStringLiteral("联系人");
    f.captions[Tally::Contact].value = QStringLiteral("张三");
    f.extendedLayout = !standard;
    return f;
}

QStringList places(const QVector<BillCell>& cells, int from, int count)
{
    QStringList all;
    for (int i = from; i < from + count; ++i)
        all << QStringLiteral("%1,%2=%3").arg(cells[i].row).arg(cells[i].column).arg(cells[i].text);
    return all;
}

void prepareBill(MemorySpreadsheet& app, const QString& path)
{
    app.sheet(path, QStringLiteral("说明"));
    app.sheet(path, QStringLiteral("原木账单"));
}

// Puts `kind` ("file", "dangling", "fifo", "folder") at `path`.
bool makeEntry(const QString& path, const QString& kind)
{
    if (kind == QStringLiteral("dangling"))
        return QFile::link(path + QStringLiteral(".gone"), path);
    if (kind == QStringLiteral("fifo"))
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (kind == QStringLiteral("folder"))
        return QDir().mkdir(path);
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

class TestBillExport : public QObject {
    Q_OBJECT

private slots:
    void writes205CellsInItsOrder();
    void row21FollowsTheLayout_data();
    void row21FollowsTheLayout();
    void reminderOnlyOnTheFirstPress();
    void aFailureBeforeTheSaveRestartsOnce();
    void aFailureAfterTheSaveSaysWhereTheBillIs_data();
    void aFailureAfterTheSaveSaysWhereTheBillIs();
    void missingBillSheetIsReportedWithNothingWritten();
    void archiveNumbersSkipEveryTakenName_data();
    void archiveNumbersSkipEveryTakenName();
    void aReprintOverALinkWritesNothingThroughIt();
    void aLinkAtTheArchiveOrTheBillWritesNothingThroughIt_data();
    void aLinkAtTheArchiveOrTheBillWritesNothingThroughIt();

    void exportIsReadBackFromTheSavedFile();
    void realMissingBillSheetLeavesTheFileAsItWas();
    void archiveKeepsEveryBillNumberedByDay();
    void archivedPdfHoldsTheBill();
    void danglingLinksInTheArchiveTakeNoBill();
    void formulasBetweenTheBillCellsStayFormulas();

    void cleanupTestCase() { m_office.reset(); }

private:
    LibreOfficeSpreadsheet& office();
    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QStringList m_shown;
};

void TestBillExport::writes205CellsInItsOrder()
{
    const QVector<BillCell> cells = billCells(namedFields(true));
    QCOMPARE(cells.size(), 205);
    QCOMPARE(places(cells, 0, 10),
        QStringList({ "3,3=林业公司", "27,4=东林场", "3,9=辽A12345", "5,11=8", "4,3=落叶松",
            "4,9=王五", "27,10=张三", "5,2=4", "5,5=6", "5,8=2.6" }));
    // The grid column by column, each from row 7 down to row 20.
    QCOMPARE(places(cells, 10, 2), QStringList({ "7,1=g1.0", "8,1=g2.0" }));
    QCOMPARE(places(cells, 23, 2), QStringList({ "20,1=g14.0", "7,2=g1.1" }));
    QCOMPARE(places(cells, 177, 1), QStringList({ "20,12=g14.11" }));
    QCOMPARE(places(cells, 186, 15),
        QStringList({ "23,4=s16.0", "24,4=s16.1", "25,4=s16.2", "26,4=s16.3", "23,6=s18.0",
            "24,6=s18.1", "25,6=s18.2", "26,6=s18.3", "23,8=320.00", "24,8=480.00", "25,8=655.50",
            "23,10=s28.0", "24,10=s28.1", "25,10=s28.2", "26,10=s28.3" }));
    QCOMPARE(places(cells, 201, 4),
        QStringList({ "27,8=联系人", "3,8=车号", "3,1=购货单位", "27,1=供货单位" }));
}

void TestBillExport::row21FollowsTheLayout_data()
{
    QTest::addColumn<bool>("standard");
    QTest::addColumn<QStringList>("row21");
    QTest::newRow("standard layout: the four block totals")
        << true
        << QStringList({ "21,2=p0", "21,5=p1", "21,8=p2", "21,11=p3", "21,3=v0", "21,6=v1",
               "21,9=v2", "21,12=v3" });
    QTest::newRow("extended layout: the pair totals, the other columns emptied")
        << false
        << QStringList({ "21,5=p4", "21,11=p5", "21,6=v4", "21,12=v5",
               "21,2=", "21,3=", "21,8=", "21,9=" });
}

void TestBillExport::row21FollowsTheLayout()
{
    QFETCH(bool, standard);
    QFETCH(QStringList, row21);
    QCOMPARE(places(billCells(namedFields(standard)), 178, 8), row21);
}

void TestBillExport::reminderOnlyOnTheFirstPress()
{
    QTemporaryDir yard;
    const QString path = billPath(yard.path());
    MemorySpreadsheet app;
    prepareBill(app, path);
    RecordingPrompts prompts;
    BillExport bill(app, path, prompts);
    bill.setToday([] { return QDate(2026, 12, 9); });
    QVERIFY(bill.press([] { return namedFields(true); }));
    QVERIFY(bill.press([] { return namedFields(false); }));
    QCOMPARE(prompts.messages, QStringList({ reminder }));
    // Each export: the 205 cells in their order, then the date and number.
    QCOMPARE(app.writes.size(), 2 * 207);
    const QVector<BillCell> expected = billCells(namedFields(true));
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(app.writes[i].row, expected[i].row);
        QCOMPARE(app.writes[i].column, expected[i].column);
    }
    QCOMPARE(app.writes[205].value.text, QStringLiteral("日期：2026年12月09日"));
    QCOMPARE(app.writes[206].value.text, QStringLiteral("编号：2026-12-09-001"));
    for (const MemoryWrite& write : app.writes)
        QCOMPARE(write.sheet, QStringLiteral("原木账单"));
}

void TestBillExport::aFailureBeforeTheSaveRestartsOnce()
{
    QTemporaryDir yard;
    const QString path = billPath(yard.path());
    MemorySpreadsheet app;
    prepareBill(app, path);
    app.beforeOperation
        = failFirstWith(FailureCause::OfficeNotResponding, QStringLiteral("save"), 1);
    RecordingPrompts prompts;
    BillExport bill(app, path, prompts);
    QVERIFY(bill.press([] { return namedFields(true); }));
    QCOMPARE(prompts.messages, QStringList({ reminder }));
    QCOMPARE(bill.pressCount(), 2);
    QCOMPARE(app.saves, 1);
    QCOMPARE(app.shown.size(), 1);
}

// Once saved, the bill is not written again: the clerk is told where it is.
void TestBillExport::aFailureAfterTheSaveSaysWhereTheBillIs_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("shown");
    QTest::newRow("the view cannot be opened") << "show"
                                               << "但无法打开它来显示" << 0;
    // The user then sees a copy of the saved bill instead.
    QTest::newRow("the archive copy cannot be stored") << "copy"
                                                       << "但没有存入账单文件夹" << 1;
}

void TestBillExport::aFailureAfterTheSaveSaysWhereTheBillIs()
{
    QFETCH(QString, failing);
    QFETCH(QString, said);
    QFETCH(int, shown);
    QTemporaryDir yard;
    const QString path = billPath(yard.path());
    MemorySpreadsheet app;
    prepareBill(app, path);
    app.beforeOperation = failFirst(failing, 1);
    RecordingPrompts prompts;
    BillExport bill(app, path, prompts);
    QVERIFY(bill.press([] { return namedFields(true); }));
    QCOMPARE(bill.pressCount(), 1);
    QCOMPARE(app.saves, 1);
    QCOMPARE(prompts.messages.size(), 2);
    QVERIFY2(prompts.messages[1].startsWith(
                 QStringLiteral("账单已保存到“%1”，").arg(QDir::toNativeSeparators(path))),
        qPrintable(prompts.messages[1]));
    QVERIFY2(prompts.messages[1].contains(said), qPrintable(prompts.messages[1]));
    QCOMPARE(app.shown.size(), shown);
}

void TestBillExport::missingBillSheetIsReportedWithNothingWritten()
{
    MemorySpreadsheet app;
    QTemporaryDir yard;
    app.sheet(billPath(yard.path()), QStringLiteral("Sheet1"));
    RecordingPrompts prompts;
    BillExport bill(app, billPath(yard.path()), prompts);
    QVERIFY(!bill.press([] { return namedFields(true); }));
    QCOMPARE(prompts.messages.size(), 2);
    QVERIFY2(
        prompts.messages[1].contains(QStringLiteral("原木账单")), qPrintable(prompts.messages[1]));
    QVERIFY(app.writes.isEmpty());
    QCOMPARE(app.saves, 0);
    QCOMPARE(bill.pressCount(), 1); // a missing sheet is not tried again
}

// Whatever takes a name in the archive, a dangling link too, the next bill
// gets a number whose .xls and .pdf names are both free.
void TestBillExport::archiveNumbersSkipEveryTakenName_data()
{
    QTest::addColumn<QStringList>("entries"); // "<serial>.<suffix> <kind>"
    QTest::addColumn<int>("next");
    QTest::newRow("An empty archive starts at 1") << QStringList() << 1;
    QTest::newRow("Dangling links take their number")
        << QStringList { "001.xls dangling", "001.pdf dangling" } << 2;
    QTest::newRow("A lone PDF takes its number") << QStringList { "001.pdf file" } << 2;
    QTest::newRow("A FIFO takes its number") << QStringList { "001.xls fifo" } << 2;
    QTest::newRow("A folder takes its number")
        << QStringList { "002.pdf folder", "001.xls file" } << 3;
    QTest::newRow("A gap below the highest is not filled")
        << QStringList { "001.xls file", "003.xls file" } << 4;
}

void TestBillExport::archiveNumbersSkipEveryTakenName()
{
    QFETCH(QStringList, entries);
    QFETCH(int, next);
    QTemporaryDir archive;
    const QDate day(2026, 12, 9);
    for (const QString& entry : entries) {
        const QStringList parts = entry.split(u' ');
        QVERIFY(makeEntry(archive.filePath(QStringLiteral("2026-12-09-") + parts[0]), parts[1]));
    }
    // Another day's bills and other files take no number of this day.
    QVERIFY(
        makeEntry(archive.filePath(QStringLiteral("2026-12-08-007.xls")), QStringLiteral("file")));
    QCOMPARE(nextBillNumber(archive.path(), day).serial, next);
}

// A reprint keeps its own number; a link standing at that name is not
// written through, and the clerk is told.
void TestBillExport::aReprintOverALinkWritesNothingThroughIt()
{
    QTemporaryDir yard;
    QTemporaryDir elsewhere;
    const QString path = billPath(yard.path());
    const QString archive = billArchiveFolder(yard.path());
    const BillNumber number { QDate(2026, 12, 1), 2 };
    QVERIFY(QDir().mkpath(archive));
    const QString target = elsewhere.filePath(QStringLiteral("theirs.xls"));
    QVERIFY(QFile::link(target, archivedBillPath(archive, number, ".xls")));
    MemorySpreadsheet app;
    prepareBill(app, path);
    RecordingPrompts prompts;
    BillExport bill(app, path, prompts);
    QVERIFY(bill.reprint(namedFields(true), number));
    QCOMPARE(app.saves, 1);
    QVERIFY(!app.copies.contains(archivedBillPath(archive, number, ".xls")));
    QVERIFY(!app.copies.contains(archivedBillPath(archive, number, ".pdf")));
    QVERIFY(!QFileInfo::exists(target));
    QCOMPARE(prompts.messages.size(), 2);
    QVERIFY2(prompts.messages[1].contains(QStringLiteral("不是普通文件")),
        qPrintable(prompts.messages[1]));
}

// The office writes wherever a link points: a 账单 or a bill workbook that
// is one is refused, the clerk is told which, and nothing lands elsewhere.
void TestBillExport::aLinkAtTheArchiveOrTheBillWritesNothingThroughIt_data()
{
    QTest::addColumn<bool>("archiveLinked");
    QTest::addColumn<bool>("realOffice");
    QTest::addColumn<QString>("said");
    QTest::newRow("A bill folder that is a link takes no copy, the bill itself is saved")
        << true << false << "但没有存入账单文件夹";
    QTest::newRow("A bill workbook that is a link is not opened")
        << false << false << "账单没有导出";
    QTest::newRow("The office opens no bill workbook that is a link")
        << false << true << "账单没有导出";
}

void TestBillExport::aLinkAtTheArchiveOrTheBillWritesNothingThroughIt()
{
    QFETCH(bool, archiveLinked);
    QFETCH(bool, realOffice);
    QFETCH(QString, said);
    QTemporaryDir yard;
    QTemporaryDir elsewhere;
    const QString path = billPath(yard.path());
    const QString archive = billArchiveFolder(yard.path());
    MemorySpreadsheet memory;
    if (archiveLinked) {
        QVERIFY(QFile::link(elsewhere.path(), archive));
        QVERIFY(makeEntry(path, QStringLiteral("file")));
    } else {
        const QString theirs = copyShippedBill(elsewhere.path());
        QVERIFY(!theirs.isEmpty());
        QVERIFY(QFile::link(theirs, path));
    }
    prepareBill(memory, path);
    const auto everything = [&elsewhere] {
        QStringList entries;
        for (const QFileInfo& entry :
            QDir(elsewhere.path()).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
            entries << entry.fileName() + QString::number(entry.size())
                    + entry.lastModified().toString(Qt::ISODateWithMs);
        return entries;
    };
    const QStringList before = everything();
    Spreadsheet& app = realOffice ? static_cast<Spreadsheet&>(office()) : memory;
    RecordingPrompts prompts;
    BillExport bill(app, path, prompts);

    QCOMPARE(bill.press([] { return namedFields(true); }), archiveLinked);
    QCOMPARE(memory.saves, archiveLinked ? 1 : 0);
    for (const QString& copy : memory.copies.keys())
        QVERIFY2(!copy.startsWith(archive), qPrintable(copy));
    QCOMPARE(everything(), before);
    QCOMPARE(prompts.messages.size(), 2);
    const QString message = prompts.messages[1];
    QVERIFY2(message.contains(said), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("是一个链接")), qPrintable(message));
    QVERIFY2(message.contains(QFileInfo(archiveLinked ? archive : path).fileName()),
        qPrintable(message));
}

LibreOfficeSpreadsheet& TestBillExport::office()
{
    if (!m_office)
        m_office = std::make_unique<LibreOfficeSpreadsheet>(
            testOfficeSettings(QStringLiteral("bill"), &m_shown));
    return *m_office;
}

void TestBillExport::exportIsReadBackFromTheSavedFile()
{
    QTemporaryDir folder(chineseFolderTemplate());
    const QString path = copyShippedBill(folder.path());
    QVERIFY(!path.isEmpty());
    RecordingPrompts prompts;
    BillExport bill(office(), path, prompts);

    Tally fields = namedFields(true);
    fields.grid[2][1] = QStringLiteral("3根"); // letters in a count field
    fields.grid[4][2] = QStringLiteral("0.3100");
    fields.grid[0][0] = QStringLiteral("=1+1"); // the grid goes as one block: still literal
    fields.grid[1][0] = QStringLiteral("1/2");
    fields.captions[Tally::Buyer].value = QStringLiteral("=HYPERLINK(\"http://x\")");
    QVERIFY(bill.press([&] { return fields; }));
    const QString archive = billArchiveFolder(folder.path());
    QCOMPARE(m_shown,
        QStringList({ archivedBillPath(archive, BillNumber { QDate::currentDate(), 1 }, ".xls") }));

    {
        auto book = office().open(path);
        Worksheet& sheet = book->sheetNamed(QStringLiteral("原木账单"));
        for (int row = 7; row <= 20; ++row)
            for (int column = 1; column <= 12; ++column) {
                QString expected = fields.grid[row - 7][column - 1];
                if (expected == QStringLiteral("0.3100"))
                    expected = QStringLiteral("0.31");
                QCOMPARE(sheet.valueText(row, column), expected);
            }
        QCOMPARE(sheet.valueText(9, 2), QStringLiteral("3根"));
        QCOMPARE(sheet.shownText(11, 3), QStringLiteral("0.3100")); // the bill's own format
        QCOMPARE(sheet.valueText(3, 3), QStringLiteral("=HYPERLINK(\"http://x\")"));
        QCOMPARE(sheet.valueText(5, 8), QStringLiteral("2.6"));
        QCOMPARE(sheet.valueText(23, 8), QStringLiteral("320"));
        QCOMPARE(sheet.valueText(27, 10), QStringLiteral("张三"));
        // The workbook's own rows stay.
        QCOMPARE(sheet.shownText(1, 1), QStringLiteral("原木销售账单"));
        QVERIFY(sheet.shownText(2, 1).startsWith(QStringLiteral("日期")));
        QCOMPARE(sheet.shownText(6, 1), QStringLiteral("径级"));
        QCOMPARE(sheet.shownText(22, 1), QStringLiteral("径级分组"));
        QCOMPARE(sheet.shownText(26, 8), QStringLiteral("——"));
    }

    // A second export with emptied fields leaves their cells empty.
    Tally emptied = namedFields(false);
    emptied.grid[0][1].clear();
    emptied.captions[Tally::Buyer].value.clear();
    QVERIFY(bill.press([&] { return emptied; }));
    auto book = office().open(path);
    Worksheet& sheet = book->sheetNamed(QStringLiteral("原木账单"));
    QCOMPARE(sheet.shownText(7, 2), QString());
    QCOMPARE(sheet.shownText(3, 3), QString());
    QCOMPARE(sheet.shownText(21, 2), QString());
    QCOMPARE(sheet.shownText(21, 5), QStringLiteral("p4"));
    QCOMPARE(prompts.messages, QStringList({ reminder }));
}

void TestBillExport::realMissingBillSheetLeavesTheFileAsItWas()
{
    m_shown.clear();
    QTemporaryDir folder(chineseFolderTemplate());
    const QString path = oneSheetWorkbook(folder.path(), QStringLiteral("木材账单.xls"));
    QVERIFY(!path.isEmpty());
    const QByteArray before = fileBytes(path);
    RecordingPrompts prompts;
    BillExport bill(office(), path, prompts);
    QVERIFY(!bill.press([] { return namedFields(true); }));
    QVERIFY2(prompts.messages.last().contains(QStringLiteral("没有工作表“原木账单”")),
        qPrintable(prompts.messages.last()));
    QCOMPARE(fileBytes(path), before);
    QVERIFY(m_shown.isEmpty());
}

// Dangling links at the day's first names, as another user could leave
// them: the bill is archived under the next number, nothing through them.
void TestBillExport::danglingLinksInTheArchiveTakeNoBill()
{
    m_shown.clear();
    QTemporaryDir folder(chineseFolderTemplate());
    QTemporaryDir elsewhere;
    const QString path = copyShippedBill(folder.path());
    QVERIFY(!path.isEmpty());
    const QString archive = billArchiveFolder(folder.path());
    QVERIFY(QDir().mkpath(archive));
    const QDate day = QDate::currentDate();
    for (const char* suffix : { ".xls", ".pdf" })
        QVERIFY(QFile::link(elsewhere.filePath(QStringLiteral("taken") + QLatin1String(suffix)),
            archivedBillPath(archive, BillNumber { day, 1 }, suffix)));
    RecordingPrompts prompts;
    BillExport bill(office(), path, prompts);
    QVERIFY(bill.press([] { return namedFields(true); }));

    QCOMPARE(prompts.messages, QStringList({ reminder }));
    const BillNumber second { day, 2 };
    QCOMPARE(m_shown, QStringList({ archivedBillPath(archive, second, ".xls") }));
    for (const char* suffix : { ".xls", ".pdf" }) {
        QCOMPARE(entryAt(archivedBillPath(archive, second, suffix)), EntryKind::RegularFile);
        QVERIFY(QFileInfo(archivedBillPath(archive, BillNumber { day, 1 }, suffix)).isSymLink());
    }
    QCOMPARE(
        QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

// The bill goes as a few blocks; a formula the yard put between its cells
// must not become the value it showed.
void TestBillExport::formulasBetweenTheBillCellsStayFormulas()
{
    QTemporaryDir folder;
    const QString fods = folder.filePath(QStringLiteral("木材账单.fods"));
    QFile file(fods);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray rows;
    for (int row = 1; row <= 5; ++row)
        rows += "<table:table-row><table:table-cell/></table:table-row>";
    rows += "<table:table-row><table:table-cell table:number-columns-repeated=\"11\"/>"
            "<table:table-cell table:formula=\"of:=[.D23]*2\"/></table:table-row>";
    file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet><table:table table:name="原木账单">)"
        + rows + "</table:table></office:spreadsheet></office:body></office:document>\n");
    file.close();
    QVERIFY(convertToXls(fods, folder.path()));
    const QString path = billPath(folder.path());
    RecordingPrompts prompts;
    BillExport bill(office(), path, prompts);
    Tally fields = namedFields(true);
    fields.groupPieces[0] = QStringLiteral("7");
    QVERIFY(bill.press([&] { return fields; }));
    fields.groupPieces[0] = QStringLiteral("8");
    QVERIFY(bill.press([&] { return fields; }));

    auto book = office().open(path);
    Worksheet& sheet = book->sheetNamed(QStringLiteral("原木账单"));
    QCOMPARE(sheet.valueText(6, 12), QStringLiteral("16"));
    QCOMPARE(sheet.valueText(23, 4), QStringLiteral("8"));
    QCOMPARE(sheet.valueText(3, 3), QStringLiteral("林业公司"));
}

// Two exports in a row while the first is still on screen, a restart and
// the next day: every bill has a copy and a PDF of its own.
void TestBillExport::archiveKeepsEveryBillNumberedByDay()
{
    m_shown.clear();
    QTemporaryDir folder(chineseFolderTemplate());
    const QString path = copyShippedBill(folder.path());
    QVERIFY(!path.isEmpty());
    const QString archive = billArchiveFolder(folder.path());
    QDate day(2026, 12, 9);
    RecordingPrompts prompts;
    auto bill = std::make_unique<BillExport>(office(), path, prompts);
    bill->setToday([&] { return day; });
    auto fieldsWithSpecies = [](const QString& species) {
        Tally fields = namedFields(true);
        fields.species = species;
        return fields;
    };

    QVERIFY(bill->press([&] { return fieldsWithSpecies(QStringLiteral("红松")); }));
    // The first view still open: its copy is held by the viewer's lock.
    QFile viewerLock(QDir(archive).filePath(QStringLiteral(".~lock.2026-12-09-001.xls#")));
    QVERIFY(viewerLock.open(QIODevice::WriteOnly));
    viewerLock.write(",李四,office-pc,09.12.2026 08:00,file:///home/lisi/.config/libreoffice/4;");
    viewerLock.close();
    QVERIFY(bill->press([&] { return fieldsWithSpecies(QStringLiteral("白松")); }));
    // After a restart the day's numbers go on; the next day starts anew.
    bill = std::make_unique<BillExport>(office(), path, prompts);
    bill->setToday([&] { return day; });
    QVERIFY(bill->press([&] { return fieldsWithSpecies(QStringLiteral("杨木")); }));
    day = day.addDays(1);
    QVERIFY(bill->press([&] { return fieldsWithSpecies(QStringLiteral("桦木")); }));

    const QStringList numbers
        = { "2026-12-09-001", "2026-12-09-002", "2026-12-09-003", "2026-12-10-001" };
    const QStringList species = { "红松", "白松", "杨木", "桦木" };
    QStringList expectedShown;
    for (const QString& number : numbers)
        expectedShown << QDir(archive).filePath(number + QStringLiteral(".xls"));
    QCOMPARE(m_shown, expectedShown);
    QVERIFY(viewerLock.remove()); // the viewer closed
    for (int i = 0; i < numbers.size(); ++i) {
        QVERIFY2(QFileInfo(QDir(archive).filePath(numbers[i] + ".pdf")).size() > 0,
            qPrintable(numbers[i]));
        auto book = office().open(expectedShown[i]);
        Worksheet& sheet = book->sheetNamed(QStringLiteral("原木账单"));
        QCOMPARE(sheet.valueText(4, 3), species[i]);
        QCOMPARE(sheet.valueText(2, 7), QStringLiteral("编号：") + numbers[i]);
    }
    // The live bill holds the last one, with its date and number.
    auto book = office().open(path);
    Worksheet& sheet = book->sheetNamed(QStringLiteral("原木账单"));
    QCOMPARE(sheet.valueText(2, 1), QStringLiteral("日期：2026年12月10日"));
    QCOMPARE(sheet.valueText(2, 7), QStringLiteral("编号：2026-12-10-001"));
    QCOMPARE(sheet.valueText(4, 3), QStringLiteral("桦木"));
}

// The PDF is the bill as printed: its text holds the values of the tally.
void TestBillExport::archivedPdfHoldsTheBill()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QFAIL("pdftotext (poppler-utils) is not installed");
    m_shown.clear();
    QTemporaryDir folder(chineseFolderTemplate());
    const QString path = copyShippedBill(folder.path());
    QVERIFY(!path.isEmpty());
    RecordingPrompts prompts;
    BillExport bill(office(), path, prompts);
    bill.setToday([] { return QDate(2026, 12, 9); });
    Tally fields = namedFields(true);
    fields.blockVolumes[0] = QStringLiteral("12.8410");
    QVERIFY(bill.press([&] { return fields; }));

    const QString pdf = archivedBillPath(
        billArchiveFolder(folder.path()), BillNumber { QDate(2026, 12, 9), 1 }, ".pdf");
    QProcess pdftotext;
    pdftotext.start(
        QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
    QVERIFY(pdftotext.waitForFinished(60000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    for (const char* expected :
        { "12.8410", "林业公司", "辽A12345", "2026-12-09-001", "2026年12月09日" })
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    QVERIFY(!text.contains(QStringLiteral("###")));
}

QTEST_GUILESS_MAIN(TestBillExport)
#include "test_bill_export.moc"
