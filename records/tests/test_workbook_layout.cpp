// The shipped workbooks as a yard prints and reads them: the bill filled
// with the largest values a load can give, printed to PDF by the office and
// read back with poppler's tools; the ledger's date column after postings.

#include "office_fixture.h"
#include "records/bill_export.h"
#include "records/stock_ledger.h"

#include <QDate>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

namespace {

const QString billSheet = QStringLiteral("原木账单");
const QString dateText = QStringLiteral("日期：2026年12月09日");
const QString numberText = QStringLiteral("编号：2026-12-09-001");
const QDate postingDate(2026, 12, 9);

struct Run {
    bool ok = false;
    QByteArray out;
    QByteArray err;
};

Run run(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run result;
    // A cold office on a busy machine: a generous deadline, no fixed wait.
    result.ok = process.waitForFinished(180000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// The office's own print of a workbook, into `folder`.
QString printToPdf(const QString& workbook, const QString& folder)
{
    const Run soffice = run(QStringLiteral("soffice"),
        { QStringLiteral("--headless"), QStringLiteral("--norestore"),
            QStringLiteral("-env:UserInstallation=")
                + QUrl::fromLocalFile(QDir(folder).filePath(QStringLiteral("print-profile")))
                      .toString(QUrl::FullyEncoded),
            QStringLiteral("--convert-to"), QStringLiteral("pdf"), QStringLiteral("--outdir"),
            folder, workbook },
        headlessOfficeEnvironment());
    const QString pdf
        = QDir(folder).filePath(QFileInfo(workbook).completeBaseName() + QStringLiteral(".pdf"));
    return soffice.ok && QFileInfo(pdf).size() > 0 ? pdf : QString();
}

// A load at the limits of every field: five-digit counts, volumes of
// 999.9999, prices of 99999.00, amounts of 9999999.99, the longest captions
// the window offers.
Tally largestLoad()
{
    Tally f;
    f.captions[Tally::Buyer].caption = QStringLiteral("购货单位:");
    f.captions[Tally::Buyer].value = QStringLiteral("哈尔滨市东方林业产品有限公司");
    f.captions[Tally::Truck].caption = QStringLiteral("联系电话:");
    f.captions[Tally::Truck].value = QStringLiteral("0451-88886666");
    f.species = QStringLiteral("水曲柳");
    f.scaler = QStringLiteral("欧阳明远");
    f.lengths = { QStringLiteral("2.6"), QStringLiteral("4"), QStringLiteral("6"),
        QStringLiteral("10.5") };
    for (int row = 0; row < 14; ++row)
        for (int block = 0; block < 4; ++block) {
            f.grid[row][3 * block] = QString::number(100 + 2 * row);
            f.grid[row][3 * block + 1] = QStringLiteral("99999");
            f.grid[row][3 * block + 2] = QStringLiteral("999.9999");
        }
    for (int block = 0; block < 4; ++block) {
        f.blockPieces[block] = QStringLiteral("99999");
        f.blockVolumes[block] = QStringLiteral("999.9999");
    }
    f.blockVolumes[1] = QStringLiteral("12.8410"); // two whole digits: "###" once
    for (int group = 0; group < 4; ++group) {
        f.groupPieces[group] = QStringLiteral("99999");
        f.groupVolumes[group] = QStringLiteral("999.9999");
        f.groupAmounts[group] = QStringLiteral("9999999.99");
    }
    // The total keeps its two decimals even where the last one is 0.
    f.groupAmounts[3] = QStringLiteral("9999999.90");
    f.unitPrices
        = { QStringLiteral("99999.00"), QStringLiteral("99999.00"), QStringLiteral("99999.00") };
    f.captions[Tally::Supplier].caption = QStringLiteral("供货单位;");
    f.captions[Tally::Supplier].value = QStringLiteral("伊春市红星林场");
    f.captions[Tally::Contact].caption = QStringLiteral("银行账号;");
    f.captions[Tally::Contact].value = QStringLiteral("6222 0212 3456 7890 123");
    return f;
}

// One word of pdftotext's box listing, in points from the page's top left.
struct PrintedWord {
    QString text;
    double left, top, right, bottom;
};

QVector<PrintedWord> printedWords(const QByteArray& bboxHtml)
{
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    QVector<PrintedWord> words;
    auto matches = word.globalMatch(QString::fromUtf8(bboxHtml));
    while (matches.hasNext()) {
        const auto m = matches.next();
        words.append({ m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
            m.captured(3).toDouble(), m.captured(4).toDouble() });
    }
    return words;
}

int wholeTokens(const QString& text, const QString& token)
{
    const QRegularExpression whole(
        QStringLiteral("(?<!\\S)%1(?!\\S)").arg(QRegularExpression::escape(token)));
    int count = 0;
    for (auto m = whole.globalMatch(text); m.hasNext(); m.next())
        ++count;
    return count;
}

// The rectangles a printed page clips its drawing to, other than the page
// itself. The office clips a cell's text only where it does not fit, and
// then still prints a character cut in half.
QStringList clippedAreas(const QByteArray& pdf)
{
    static const QRegularExpression clip(
        QStringLiteral(R"re(([-\d.]+) ([-\d.]+) ([-\d.]+) ([-\d.]+) re\s+W\*? n)re"));
    QStringList areas;
    qsizetype at = 0;
    while ((at = pdf.indexOf("stream", at)) >= 0) {
        qsizetype start = at + 6;
        if (pdf.mid(start, 2) == "\r\n")
            start += 2;
        else if (pdf.mid(start, 1) == "\n")
            start += 1;
        else {
            at = start;
            continue;
        }
        const qsizetype end = pdf.indexOf("endstream", start);
        if (end < 0)
            break;
        const QByteArray dictionary = pdf.mid(std::max<qsizetype>(0, at - 200), 200);
        if (dictionary.contains("FlateDecode")) {
            // qUncompress wants a size hint in front; it grows past a short one.
            QByteArray packed(4, '\0');
            qToBigEndian<quint32>(quint32(end - start) * 8, packed.data());
            const QByteArray content = qUncompress(packed + pdf.mid(start, end - start));
            if (content.contains("BT")) {
                auto matches = clip.globalMatch(QString::fromLatin1(content));
                while (matches.hasNext()) {
                    const auto m = matches.next();
                    if (m.captured(3).toDouble() < 590 || m.captured(4).toDouble() < 835)
                        areas << m.captured(0).simplified();
                }
            }
        }
        at = end + 9;
    }
    return areas;
}

QString withoutSpaces(QString text)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return text.remove(space);
}

Tally posting()
{
    Tally tally;
    tally.species = QStringLiteral("落叶松");
    tally.groupVolumes = { QStringLiteral("999.9999"), QStringLiteral("100.0000"),
        QStringLiteral("0.3100"), QStringLiteral("1100.3099") };
    tally.unitPrices
        = { QStringLiteral("9999.99"), QStringLiteral("99999.00"), QStringLiteral("350.00") };
    return tally;
}

double dateSerial(const QDate& date)
{
    return double(QDate(1899, 12, 30).daysTo(date));
}

} // namespace

class TestWorkbookLayout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void billIsOneA4PortraitPage();
    void billValuesPrintWhole_data();
    void billValuesPrintWhole();
    void billCaptionsPrintWhole_data();
    void billCaptionsPrintWhole();
    void billPrintsNoHashMarks();
    void billCutsNoTextAtACellEdge();
    void billPrintsNoTextOverAnother();

    void postingDatesShowAsYearMonthDay_data();
    void postingDatesShowAsYearMonthDay();
    void stockInDetailShowsThePostingDateOrNothing_data();
    void stockInDetailShowsThePostingDateOrNothing();
    void ledgerPrintsItsLargestValuesWhole();

    void cleanupTestCase() { m_office.reset(); }

private:
    LibreOfficeSpreadsheet& office();
    void printFilledBill();
    QString preparedLedger();

    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QTemporaryDir m_billFolder;
    QTemporaryDir m_ledgerFolder;
    QString m_ledger;
    QByteArray m_pdfInfo;
    QString m_layoutText;
    QVector<PrintedWord> m_words;
    QStringList m_clippedAreas;
};

void TestWorkbookLayout::initTestCase()
{
    QStringList missing;
    for (const char* tool : { "pdftotext", "pdfinfo", "pdftoppm" })
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            missing << QString::fromLatin1(tool);
    if (!missing.isEmpty())
        QFAIL(qPrintable(QStringLiteral("%1 not found: the printed bill is read back with "
                                        "poppler-utils (listed in packages.txt); install it")
                             .arg(missing.join(QStringLiteral(", ")))));
    QVERIFY(m_billFolder.isValid());
    QVERIFY(m_ledgerFolder.isValid());
    printFilledBill();
}

LibreOfficeSpreadsheet& TestWorkbookLayout::office()
{
    if (!m_office)
        m_office = std::make_unique<LibreOfficeSpreadsheet>(
            testOfficeSettings(QStringLiteral("layout"), nullptr));
    return *m_office;
}

// Fills the shipped bill through the export, adds the date and number the
// program writes in row 2, and prints it once for every bill test.
void TestWorkbookLayout::printFilledBill()
{
    const QString path = billPath(m_billFolder.path());
    QVERIFY(QFile::copy(shippedWorkbook(QStringLiteral("木材账单.xls")), path));
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    RecordingPrompts prompts;
    BillExport bill(office(), path, prompts);
    QVERIFY(bill.press([] { return largestLoad(); }));
    {
        auto book = office().open(path);
        Worksheet& sheet = book->sheetNamed(billSheet);
        sheet.setText(2, 1, dateText);
        sheet.setText(2, 7, numberText);
        book->save();
        book->close();
    }

    const QString pdf = printToPdf(path, m_billFolder.path());
    QVERIFY2(!pdf.isEmpty(), "the office printed no PDF of the bill");
    const Run info = run(QStringLiteral("pdfinfo"), { pdf });
    QVERIFY2(info.ok, info.err.constData());
    m_pdfInfo = info.out;
    const Run layout = run(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, "-" });
    QVERIFY2(layout.ok, layout.err.constData());
    m_layoutText = QString::fromUtf8(layout.out);
    const Run boxes = run(QStringLiteral("pdftotext"), { QStringLiteral("-bbox"), pdf, "-" });
    QVERIFY2(boxes.ok, boxes.err.constData());
    m_words = printedWords(boxes.out);
    m_clippedAreas = clippedAreas(fileBytes(pdf));

    // A picture of the print beside the other pictures of the build, to look at.
    const QDir pictures(QStringLiteral(QUORVANE_LAYOUT_PICTURES));
    if (pictures.mkpath(QStringLiteral("."))) {
        QFile::remove(pictures.filePath(QStringLiteral("bill.pdf")));
        copyFileOrFail(pdf, pictures.filePath(QStringLiteral("bill.pdf")));
        run(QStringLiteral("pdftoppm"),
            { QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                QStringLiteral("-singlefile"), pdf, pictures.filePath(QStringLiteral("bill")) });
    }
}

void TestWorkbookLayout::billIsOneA4PortraitPage()
{
    const QString info = QString::fromUtf8(m_pdfInfo);
    QVERIFY2(info.contains(QRegularExpression(
                 QStringLiteral("^Pages:\\s+1$"), QRegularExpression::MultilineOption)),
        qPrintable(info));
    // 595 x 842 points.
    QVERIFY2(
        info.contains(QRegularExpression(QStringLiteral("Page size:\\s+595\\.\\d+ x 841\\.\\d+"))),
        qPrintable(info));
}

void TestWorkbookLayout::billValuesPrintWhole_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("count");
    QTest::newRow(
        "every piece count of the grid, the block totals and the price summary prints whole")
        << QStringLiteral("99999") << 14 * 4 + 4 + 4;
    QTest::newRow("every volume of the grid, three block totals and the price summary prints whole")
        << QStringLiteral("999.9999") << 14 * 4 + 3 + 4;
    QTest::newRow("a block volume total over ten cubic metres prints whole")
        << QStringLiteral("12.8410") << 1;
    QTest::newRow("the three unit prices print whole") << QStringLiteral("99999.00") << 3;
    QTest::newRow("the three group amounts print whole") << QStringLiteral("9999999.99") << 3;
    QTest::newRow("the total amount prints with both decimals")
        << QStringLiteral("9999999.90") << 1;
    QTest::newRow("the three-digit diameter of each block's last grid row prints whole")
        << QStringLiteral("126") << 4;
    QTest::newRow("the longest length prints whole") << QStringLiteral("10.5") << 1;
}

void TestWorkbookLayout::billValuesPrintWhole()
{
    QFETCH(QString, shown);
    QFETCH(int, count);
    QVERIFY2(wholeTokens(m_layoutText, shown) == count,
        qPrintable(QStringLiteral("%1 printed %2 times, not %3:\n%4")
                       .arg(shown)
                       .arg(wholeTokens(m_layoutText, shown))
                       .arg(count)
                       .arg(m_layoutText)));
}

void TestWorkbookLayout::billCaptionsPrintWhole_data()
{
    QTest::addColumn<QString>("caption");
    const auto row
        = [](const char* name, const QString& caption) { QTest::newRow(name) << caption; };
    row("the date the program writes in row 2 prints whole", dateText);
    row("the bill number the program writes in row 2 prints whole", numberText);
    row("the buyer caption in A3 prints whole", QStringLiteral("购货单位:"));
    row("a long buyer name prints whole", QStringLiteral("哈尔滨市东方林业产品有限公司"));
    row("the longest caption of the narrow cell H3 prints whole", QStringLiteral("联系电话:"));
    row("the species caption prints whole", QStringLiteral("树种："));
    row("the scaler caption in H4 prints whole", QStringLiteral("检尺员："));
    row("the scaler prints whole", QStringLiteral("欧阳明远"));
    row("the length caption prints whole", QStringLiteral("材长"));
    row("the diameter group caption prints whole", QStringLiteral("径级分组"));
    row("the volume caption of the price summary prints whole", QStringLiteral("材积（立方米）"));
    row("the unit price caption of the price summary prints whole",
        QStringLiteral("单价（元/立方米）"));
    row("the amount caption of the price summary prints whole", QStringLiteral("金额（元）"));
    row("the small diameter group prints whole", QStringLiteral("直径12CM以下"));
    row("the middle diameter group prints whole", QStringLiteral("直径14-18CM"));
    row("the large diameter group prints whole", QStringLiteral("直径20CM以上"));
    row("the supplier caption in A27 prints whole", QStringLiteral("供货单位;"));
    row("the supplier prints whole", QStringLiteral("伊春市红星林场"));
    row("the bank account caption in H27 prints whole", QStringLiteral("银行账号;"));
    row("a nineteen-digit bank account prints whole", QStringLiteral("6222021234567890123"));
    row("the payee line prints whole", QStringLiteral("收款人："));
    row("the copies note prints whole", QStringLiteral("（本账单一式两联）"));
}

// Text the office cannot fit is cut at its cell's edge, and the PDF then
// holds only the characters still seen.
void TestWorkbookLayout::billCaptionsPrintWhole()
{
    QFETCH(QString, caption);
    QVERIFY2(withoutSpaces(m_layoutText).contains(withoutSpaces(caption)),
        qPrintable(QStringLiteral("%1 is not printed whole:\n%2").arg(caption, m_layoutText)));
}

void TestWorkbookLayout::billPrintsNoHashMarks()
{
    QVERIFY2(!m_layoutText.contains(QStringLiteral("###")), qPrintable(m_layoutText));
}

void TestWorkbookLayout::billCutsNoTextAtACellEdge()
{
    QVERIFY2(m_clippedAreas.isEmpty(),
        qPrintable(QStringLiteral("text cut at its cell's edge, clipped to: ")
            + m_clippedAreas.join(QStringLiteral("; "))));
}

void TestWorkbookLayout::billPrintsNoTextOverAnother()
{
    QVERIFY(m_words.size() > 200);
    // A glyph cut in half still prints, and then overlaps its neighbour.
    for (int i = 0; i < m_words.size(); ++i)
        for (int j = i + 1; j < m_words.size(); ++j) {
            const PrintedWord& a = m_words[i];
            const PrintedWord& b = m_words[j];
            const double across = std::min(a.right, b.right) - std::max(a.left, b.left);
            const double down = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
            QVERIFY2(across <= 0.5 || down <= 0.5,
                qPrintable(QStringLiteral("\"%1\" and \"%2\" overlap").arg(a.text, b.text)));
        }
}

// Two postings on 入库 (the first with a date in column 1, the second
// without) and one on 出库, as the program leaves them.
QString TestWorkbookLayout::preparedLedger()
{
    if (!m_ledger.isEmpty())
        return m_ledger;
    const QString path = ledgerPath(m_ledgerFolder.path());
    if (!QFile::copy(shippedWorkbook(QStringLiteral("木材出入库台账.xls")), path))
        return {};
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    RecordingPrompts prompts;
    StockPosting stockIn(office(), path, StockPosting::Sheet::StockIn, prompts);
    StockPosting stockOut(office(), path, StockPosting::Sheet::StockOut, prompts);
    if (stockIn.press(posting) != 6 || stockIn.press(posting) != 7 || stockOut.press(posting) != 6)
        return {};
    auto book = office().open(path);
    // The postings are dated by the program; the second one's date is
    // taken away again, as a clerk may do.
    book->sheetNamed(QStringLiteral("入库")).setText(7, 1, QString());
    for (const QString& name : { QStringLiteral("入库"), QStringLiteral("出库") }) {
        Worksheet& sheet = book->sheetNamed(name);
        sheet.setNumber(6, 1, dateSerial(postingDate));
        // Far below the prepared rows: the column's own format applies.
        sheet.setNumber(4000, 1, dateSerial(postingDate));
    }
    book->save();
    book->close();
    m_ledger = path;
    return path;
}

void TestWorkbookLayout::postingDatesShowAsYearMonthDay_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<int>("row");
    QTest::newRow("a stock-in posting row shows its date as 2026-12-09")
        << QStringLiteral("入库") << 6;
    QTest::newRow("a stock-in row far below the prepared ones shows its date as 2026-12-09")
        << QStringLiteral("入库") << 4000;
    QTest::newRow("a stock-out posting row shows its date as 2026-12-09")
        << QStringLiteral("出库") << 6;
    QTest::newRow("a stock-out row far below the prepared ones shows its date as 2026-12-09")
        << QStringLiteral("出库") << 4000;
}

void TestWorkbookLayout::postingDatesShowAsYearMonthDay()
{
    QFETCH(QString, sheet);
    QFETCH(int, row);
    const QString path = preparedLedger();
    QVERIFY(!path.isEmpty());
    auto book = office().open(path);
    QCOMPARE(book->sheetNamed(sheet).shownText(3, 1), QStringLiteral("日期"));
    QCOMPARE(book->sheetNamed(sheet).shownText(row, 1), QStringLiteral("2026-12-09"));
    book->close();
}

void TestWorkbookLayout::stockInDetailShowsThePostingDateOrNothing_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("species");
    QTest::newRow("a posting with a date shows it")
        << 4 << QStringLiteral("2026-12-09") << QStringLiteral("落叶松");
    QTest::newRow("a posting without a date shows nothing")
        << 5 << QString() << QStringLiteral("落叶松");
    QTest::newRow("a row without a posting shows nothing") << 6 << QString() << QString();
    QTest::newRow("the last row the detail covers shows nothing") << 203 << QString() << QString();
}

void TestWorkbookLayout::stockInDetailShowsThePostingDateOrNothing()
{
    QFETCH(int, row);
    QFETCH(QString, date);
    QFETCH(QString, species);
    const QString path = preparedLedger();
    QVERIFY(!path.isEmpty());
    auto book = office().open(path);
    Worksheet& detail = book->sheetNamed(QStringLiteral("入库明细"));
    QCOMPARE(detail.shownText(3, 1), QStringLiteral("入库日期"));
    QCOMPARE(detail.shownText(row, 1), date);
    QCOMPARE(detail.shownText(row, 2), species);
    book->close();
}

// Every sheet of the ledger printed: the posted amounts, the dates and the
// detail's date caption fit their columns.
void TestWorkbookLayout::ledgerPrintsItsLargestValuesWhole()
{
    const QString path = preparedLedger();
    QVERIFY(!path.isEmpty());
    const QString pdf = printToPdf(path, m_ledgerFolder.path());
    QVERIFY2(!pdf.isEmpty(), "the office printed no PDF of the ledger");
    const Run layout = run(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, "-" });
    QVERIFY2(layout.ok, layout.err.constData());
    const QString text = QString::fromUtf8(layout.out);
    QVERIFY2(!text.contains(QStringLiteral("###")), qPrintable(text));
    // The sheets print two pages wide, so merged cells are cut at the page
    // edge: no check of cut text here, the dates and amounts being numbers
    // that print as "###" where they do not fit.
    // 999.9999 x 9999.99 and 100 x 99999.00, twice on 入库 and once on 出库.
    QCOMPARE(wholeTokens(text, QStringLiteral("9999989.00")), 3);
    QCOMPARE(wholeTokens(text, QStringLiteral("9999900.00")), 3);
    // Both postings' total amount on 入库明细, 0.31 x 350 included.
    QCOMPARE(wholeTokens(text, QStringLiteral("19999997.50")), 2);
    // 入库 and 出库 near the top and far below, and 入库明细 once.
    QCOMPARE(wholeTokens(text, QStringLiteral("2026-12-09")), 5);
    QVERIFY(text.contains(QStringLiteral("入库日期")));
    const QDir pictures(QStringLiteral(QUORVANE_LAYOUT_PICTURES));
    QFile::remove(pictures.filePath(QStringLiteral("ledger.pdf")));
    copyFileOrFail(pdf, pictures.filePath(QStringLiteral("ledger.pdf")));
}

QTEST_GUILESS_MAIN(TestWorkbookLayout)
#include "test_workbook_layout.moc"
