#include "cups_scheduler.h"
#include "fault_fixture.h"

#include "history_window/history.h"
#include "unit_prices/form4.h"

#include <QFontInfo>
#include <QPushButton>

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        qFatal("%s did not finish", qPrintable(program));
    return QString::fromUtf8(process.readAllStandardOutput());
}

int inkPixels(const QImage& image)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    int ink = 0;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            ink += line[x] < 128;
    }
    return ink;
}

} // namespace

// 打印账单 with the real office shows the bill in our own window, whose
// 打印 sends it to a CUPS scheduler of the test's own.
class TestBillOnScreen : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void printBillShowsThePageAndPrintsIt();
    void openInOfficeGivesTheArchiveCopy();
    void billPdfIsSetInSimplifiedChineseFaces();
    void stockViewIsSetInSimplifiedChineseFaces();
    void reportPdfIsShownAndPrintedInThePreview();
    void everyWindowUsesTheTallysFamily();

private:
    BillPreview& pressPrintBill(FaultTally& tally);

    QTemporaryDir m_folder;
    std::unique_ptr<CupsScheduler> m_cups;
    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QStringList m_shown;
    QString m_output;
};

void TestBillOnScreen::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_cups = std::make_unique<CupsScheduler>(m_folder.filePath(QStringLiteral("cups")));
    QVERIFY2(m_cups->start(), qPrintable(m_cups->why()));
    m_output = m_folder.filePath(QStringLiteral("cups/out/yard.pdf"));
    QVERIFY2(m_cups->addQueue(QStringLiteral("Yard"), m_output), qPrintable(m_cups->why()));
    QVERIFY(m_cups->client(
        QStringLiteral("lpadmin"), { QStringLiteral("-d"), QStringLiteral("Yard") }));
    // The program asks the system's scheduler, which is ours here.
    qputenv("CUPS_SERVER", m_cups->server().toUtf8());
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("bill-on-screen"), &m_shown));
    m_office->warmUp();
}

BillPreview& TestBillOnScreen::pressPrintBill(FaultTally& tally)
{
    tally.typeLoad();
    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok); // the first bill's reminder
    tally.click(printBill);
    return tally.program().billPreview();
}

void TestBillOnScreen::printBillShowsThePageAndPrintsIt()
{
    FaultTally tally(*m_office);
    m_shown.clear();
    BillPreview& preview = pressPrintBill(tally);
    QTRY_VERIFY_WITH_TIMEOUT(preview.isVisible(), 60000);
    const QString archived = tally.archivedBills(1).first();
    QCOMPARE(tally.previewedBills(), QStringList { archived });
    QCOMPARE(preview.pdfPath(), archived.chopped(4) + QStringLiteral(".pdf"));
    QVERIFY(m_shown.isEmpty());
    // The page is there, and it is not blank paper.
    const QImage page = preview.page().toImage();
    QVERIFY(page.width() > 300);
    QVERIFY(page.height() > page.width());
    QVERIFY2(inkPixels(page) > 2000, qPrintable(QString::number(inkPixels(page))));
    QDir().mkpath(QStringLiteral(QUORVANE_SCREENSHOTS));
    QVERIFY(preview.grab().save(QStringLiteral(QUORVANE_SCREENSHOTS "/preview.png")));

    const int before = m_cups->completedJobs(QStringLiteral("Yard"));
    QTest::keyClick(&preview, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(m_cups->completedJobs(QStringLiteral("Yard")), before + 1, 60000);
    const QString printed = run(QStringLiteral("pdftotext"), { m_output, QStringLiteral("-") });
    const Tally sheet = tally.window()->tally();
    QVERIFY2(printed.contains(sheet.blockVolumes[0]), qPrintable(printed));
    QVERIFY2(printed.contains(BillNumber { QDate::currentDate(), 1 }.text()), qPrintable(printed));
    QFile::copy(m_output, QStringLiteral(QUORVANE_SCREENSHOTS "/printed.pdf"));

    QTest::keyClick(&preview, Qt::Key_Escape);
    QVERIFY(!preview.isVisible());
}

void TestBillOnScreen::openInOfficeGivesTheArchiveCopy()
{
    FaultTally tally(*m_office);
    m_shown.clear();
    BillPreview& preview = pressPrintBill(tally);
    QTRY_VERIFY_WITH_TIMEOUT(preview.isVisible(), 60000);
    QTest::mouseClick(
        preview.findChild<QPushButton*>(QStringLiteral("OpenInOffice")), Qt::LeftButton);
    QCOMPARE(m_shown, tally.archivedBills(1));
    QVERIFY(preview.isVisible());
}

void TestBillOnScreen::billPdfIsSetInSimplifiedChineseFaces()
{
    FaultTally tally(*m_office);
    BillPreview& preview = pressPrintBill(tally);
    QTRY_VERIFY_WITH_TIMEOUT(preview.isVisible(), 60000);
    const QString fonts = run(QStringLiteral("pdffonts"), { preview.pdfPath() });
    QVERIFY2(fonts.contains(QStringLiteral("CJK")) || fonts.contains(QStringLiteral("UMing")),
        qPrintable(fonts));
    QVERIFY2(!fonts.contains(QStringLiteral("CJKjp")), qPrintable(fonts));
}

void TestBillOnScreen::stockViewIsSetInSimplifiedChineseFaces()
{
    FaultTally tally(*m_office);
    m_shown.clear();
    tally.program().commands().viewStock();
    QTRY_COMPARE_WITH_TIMEOUT(m_shown.size(), 1, 60000);
    const QString folder = m_folder.filePath(QStringLiteral("stock-view"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(convertWithOffice(m_shown.first(), folder, QStringLiteral("pdf")));
    const QString pdf
        = QDir(folder).filePath(QFileInfo(m_shown.first()).completeBaseName() + ".pdf");
    const QString fonts = run(QStringLiteral("pdffonts"), { pdf });
    QVERIFY2(fonts.contains(QStringLiteral("UMing")), qPrintable(fonts));
    QVERIFY2(!fonts.contains(QStringLiteral("CJKjp")), qPrintable(fonts));
}

void TestBillOnScreen::reportPdfIsShownAndPrintedInThePreview()
{
    FaultTally tally(*m_office, QDir::tempPath(), m_folder.filePath(QStringLiteral("history")));
    History* history = tally.program().history()->window();
    QVERIFY(history);
    const QString report = m_folder.filePath(QStringLiteral("report.pdf"));
    history->setSavePathAsker(
        [&report](const QString&, const QString&, const QString&) { return report; });
    history->findChild<QPushButton*>(QStringLiteral("pdfButton"))->click();
    BillPreview& preview = tally.program().billPreview();
    QTRY_VERIFY_WITH_TIMEOUT(preview.isVisible(), 60000);
    QCOMPARE(preview.pdfPath(), report);
    // No workbook stands behind a report.
    QVERIFY(preview.findChild<QPushButton*>(QStringLiteral("OpenInOffice"))->isHidden());
    const int before = m_cups->completedJobs(QStringLiteral("Yard"));
    QTest::keyClick(&preview, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(m_cups->completedJobs(QStringLiteral("Yard")), before + 1, 60000);
    const QString printed = run(QStringLiteral("pdftotext"), { m_output, QStringLiteral("-") });
    QVERIFY2(printed.contains(QStringLiteral("出入库")), qPrintable(printed));
}

void TestBillOnScreen::everyWindowUsesTheTallysFamily()
{
    FaultTally tally(*m_office, QDir::tempPath(), m_folder.filePath(QStringLiteral("history")));
    const QString family = QFontInfo(tally.window()->font()).family();
    QVERIFY2(family.contains(QStringLiteral("UMing")) || family.contains(QStringLiteral("Serif")),
        qPrintable(family));
    Form4 prices(tally.folder());
    const QList<QWidget*> windows { tally.program().history()->window(), &prices,
        &tally.program().billPreview() };
    for (QWidget* window : windows)
        QCOMPARE(QFontInfo(window->font()).family(), family);
}

QTEST_MAIN(TestBillOnScreen)
#include "test_bill_on_screen.moc"
