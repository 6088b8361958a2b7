#include "accounts_window/statement_document.h"
#include "field_text/fixed_point.h"
#include "memory_workbook.h"
#include "statement_samples.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <limits>

namespace {

constexpr qint64 biggest = std::numeric_limits<qint64>::max();
constexpr qint64 smallest = std::numeric_limits<qint64>::min();

// `count` stock outs of 1.00 each, numbered L0001 on.
StatementPage manyEntries(int count)
{
    StatementPage page = fewEntries();
    PartnerStatement& s = page.statement;
    s.entries.clear();
    for (int i = 1; i <= count; ++i)
        s.entries << load(AccountEntryKind::StockOut, 1 + i % 28,
            QStringLiteral("L%1").arg(i, 4, 10, QLatin1Char('0')), 10000, 10000, 100, 100,
            s.opening.units() + 100 * i);
    s.closing = Fen::fromUnits(s.opening.units() + 100 * count);
    return page;
}

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestStatementDocument : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void fewEntriesPrintTheirFigures_data();
    void fewEntriesPrintTheirFigures();
    void periodTotalsAreTheEntriesSums();
    void everyPageHasItsHeadingsAndNumber_data();
    void everyPageHasItsHeadingsAndNumber();
    void extremeAmountsPrintExactly_data();
    void extremeAmountsPrintExactly();
    void chineseIsSetInAnEmbeddedCjkFace();
    void workbookKeepsTheFiguresExact();

private:
    QString writePdf(const StatementPage& page, const QString& name);

    QTemporaryDir m_folder;
    QString m_fewText;
};

QString TestStatementDocument::writePdf(const StatementPage& page, const QString& name)
{
    const QString path = m_folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(statementPdfBytes(page));
    return path;
}

void TestStatementDocument::initTestCase()
{
    QVERIFY(m_folder.isValid());
    const QString pdf = writePdf(fewEntries(), QStringLiteral("few.pdf"));
    m_fewText = run(QStringLiteral("pdftotext"), { pdf, QStringLiteral("-") });
    QVERIFY(!m_fewText.isEmpty());
}

void TestStatementDocument::fewEntriesPrintTheirFigures_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("The title carries the yard's name") << "青山木材场 对账单";
    QTest::newRow("The partner is named") << "对方：张三木业";
    QTest::newRow("The names joined into it are listed") << "含：老张";
    QTest::newRow("The period is printed") << "期间：2026-03-01 至 2026-03-31";
    QTest::newRow("The day printed is printed") << "打印日期：2026-04-02";
    QTest::newRow("The opening balance is the first row") << "期初余额";
    QTest::newRow("The opening balance is printed") << "500.00";
    QTest::newRow("The closing balance is below zero") << "-1134.56";
    QTest::newRow("A stock in takes its amount from the balance") << "-987.65";
    QTest::newRow("A reversal is marked") << "收款 转账 冲销 一号门-3";
    QTest::newRow("A load's volume has four decimals") << "1.2345";
    QTest::newRow("The period's stock in is summed") << "本期入库金额 3534.56";
    QTest::newRow("The period's payments are summed") << "本期付款 100.00";
    QTest::newRow("The sign of a balance is explained") << "余额为正：对方欠本场；为负：本场欠对方";
    QTest::newRow("A single page is numbered") << "第 1 页 共 1 页";
}

void TestStatementDocument::fewEntriesPrintTheirFigures()
{
    QFETCH(QString, text);
    QVERIFY2(m_fewText.contains(text), qPrintable(m_fewText));
}

void TestStatementDocument::periodTotalsAreTheEntriesSums()
{
    const StatementRows rows = statementRows(fewEntries());
    QCOMPARE(rows.rows.size(), 6 + 3);
    QCOMPARE(rows.rows.first()[6], QStringLiteral("期初余额"));
    QCOMPARE(rows.rows.first()[8], QStringLiteral("500.00"));
    const QStringList total = rows.rows[rows.rows.size() - 2];
    QCOMPARE(total, (QStringList { "", "", "", "", "47", "10.5235", "本期合计", "-1634.56", "" }));
    QCOMPARE(rows.rows.last(),
        (QStringList { "2026-03-31", "", "", "", "", "", "期末余额", "", "-1134.56" }));
    // The reversal cancels the receipt: nothing was received in the period.
    QCOMPARE(rows.sums,
        (QVector<QStringList> { { "本期出库金额", "1800.00" }, { "本期入库金额", "3534.56" },
            { "本期收款", "0.00" }, { "本期付款", "100.00" } }));
    for (const QStringList& row : rows.rows)
        QCOMPARE(row.size(), rows.headings.size());
}

void TestStatementDocument::everyPageHasItsHeadingsAndNumber_data()
{
    QTest::addColumn<int>("entries");
    QTest::newRow("A statement with no entries is one page") << 0;
    QTest::newRow("Two hundred entries run over several pages") << 200;
    // Around the first page's room, the sums and note find a place too.
    for (int count = 40; count <= 47; ++count)
        QTest::addRow("%d entries fill the first page about to its end", count) << count;
}

void TestStatementDocument::everyPageHasItsHeadingsAndNumber()
{
    QFETCH(int, entries);
    const QString pdf = writePdf(manyEntries(entries), QStringLiteral("many.pdf"));
    const QString info = run(QStringLiteral("pdfinfo"), { pdf });
    QVERIFY2(
        info.contains(QRegularExpression(QStringLiteral("Page size:\\s+595(\\.\\d+)? x 84[12]"))),
        qPrintable(info));
    const int pages
        = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info).captured(1).toInt();
    QVERIFY(pages >= 1);
    if (entries >= 200)
        QVERIFY2(pages >= 4, qPrintable(info));
    QString whole;
    for (int page = 1; page <= pages; ++page) {
        const QString text = run(QStringLiteral("pdftotext"),
            { QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-") });
        for (const char* heading : { "日期", "编号", "车号", "树种", "件数", "材积(m³)", "摘要" })
            QVERIFY2(text.contains(QString::fromUtf8(heading)), heading);
        const QString number = QStringLiteral("第 %1 页 共 %2 页").arg(page).arg(pages);
        QVERIFY2(text.contains(number), qPrintable(text));
        // Nothing runs into the page number at the foot.
        QVERIFY2(text.trimmed().endsWith(number), qPrintable(text));
        whole += text;
    }
    // No row is lost or printed twice where a page ends.
    for (int i = 1; i <= entries; ++i)
        QCOMPARE(whole.count(QStringLiteral("L%1").arg(i, 4, 10, QLatin1Char('0'))), 2);
    QCOMPARE(whole.count(QStringLiteral("期初余额")), 1);
    QCOMPARE(whole.count(QStringLiteral("期末余额")), 1);
    QCOMPARE(whole.count(QStringLiteral("余额为正")), 1);
    QVERIFY(whole.contains(Fen::fromUnits(50000 + 100 * entries).text()));
}

void TestStatementDocument::extremeAmountsPrintExactly_data()
{
    QTest::addColumn<qint64>("opening");
    QTest::addColumn<qint64>("amount");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("The most negative balance prints every digit")
        << smallest << qint64(0) << QStringList { "-92233720368547758.08" };
    QTest::newRow("The largest amount prints every digit")
        << qint64(0) << biggest << QStringList { "92233720368547758.07" };
    QTest::newRow("A sum beyond the range says so rather than wrapping")
        << qint64(0) << biggest / 2 + 1 << QStringList { "46116860184273879.04", "超出范围" };
    QTest::newRow("A single fen below zero keeps its sign")
        << qint64(-1) << qint64(0) << QStringList { "-0.01" };
}

void TestStatementDocument::extremeAmountsPrintExactly()
{
    QFETCH(qint64, opening);
    QFETCH(qint64, amount);
    QFETCH(QStringList, texts);
    StatementPage page = fewEntries();
    PartnerStatement& s = page.statement;
    s.opening = Fen::fromUnits(opening);
    s.entries = { load(AccountEntryKind::StockOut, 2, "9", 10000, 10000, amount, amount, amount),
        load(AccountEntryKind::StockOut, 3, "10", 10000, 10000, amount, amount, amount) };
    s.closing = Fen::fromUnits(opening);
    const QString pdf = writePdf(page, QStringLiteral("extreme.pdf"));
    const QString text = run(QStringLiteral("pdftotext"), { pdf, QStringLiteral("-") });
    for (const QString& expected : texts)
        QVERIFY2(text.contains(expected), qPrintable(expected + "\n" + text));
}

void TestStatementDocument::chineseIsSetInAnEmbeddedCjkFace()
{
    const QString fonts
        = run(QStringLiteral("pdffonts"), { m_folder.filePath(QStringLiteral("few.pdf")) });
    const QStringList lines = fonts.split(u'\n');
    const bool embeddedCjk = std::any_of(lines.begin(), lines.end(), [](const QString& line) {
        return (line.contains(QStringLiteral("UMing")) || line.contains(QStringLiteral("CJK")))
            && line.contains(
                QRegularExpression(QStringLiteral("\\byes\\s+(yes|no)\\s+(yes|no)\\s+\\d")));
    });
    QVERIFY2(embeddedCjk, qPrintable(fonts));
}

void TestStatementDocument::workbookKeepsTheFiguresExact()
{
    StatementPage page = fewEntries();
    page.statement.opening = Fen::fromUnits(smallest);
    MemorySpreadsheet office;
    const QString path = QStringLiteral("/statements/张三木业.xls");
    writeStatementWorkbook(office, path, page);
    QVERIFY(office.files.contains(path));
    const MemorySheet& sheet = office.files[path].first();
    QCOMPARE(sheet.shownText(1, 1), QStringLiteral("青山木材场 对账单"));
    // Five lines of title, the headings, then 期初余额.
    QCOMPARE(sheet.shownText(6, 1), QStringLiteral("日期"));
    const MemoryCell opening = sheet.cells.value({ 7, 9 });
    QVERIFY(!opening.isNumber);
    QCOMPARE(opening.text, QStringLiteral("-92233720368547758.08"));
    const MemoryCell amount = sheet.cells.value({ 8, 8 });
    QVERIFY(amount.isNumber);
    QCOMPARE(amount.number, 1800.0);
}

QTEST_MAIN(TestStatementDocument)
#include "test_statement_document.moc"
