#include "bill_preview/bill_preview.h"
#include "bill_preview/cups_printer.h"
#include "cups_scheduler.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

const QString blockTotal = QStringLiteral("12.345");
const QString billNumber = QStringLiteral("2026-12-09-007");

// A one-page bill as the archive holds it: a PDF with its number and total.
bool writeBill(const QString& path)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    painter.setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 14));
    painter.drawText(600, 800, QStringLiteral("原木账单  编号：%1").arg(billNumber));
    painter.drawText(600, 1400, QStringLiteral("合计材积 %1").arg(blockTotal));
    return painter.end();
}

// "Statement page A", B, C ...: letters, which every face of the machine has.
QString pageMark(int page)
{
    return QStringLiteral("Statement page ") + QChar(u'A' + (page - 1) % 26);
}

// A document of `pages` A4 pages, each with its mark in large type;
// blank paper when `printed` is false.
bool writePages(const QString& path, int pages, bool printed = true)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    painter.setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 40));
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        if (printed)
            painter.drawText(600, 1600, pageMark(page));
    }
    return painter.end();
}

int inkPixels(const QPixmap& page)
{
    const QImage image = page.toImage().convertToFormat(QImage::Format_RGB32);
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

QString pdfText(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), { path, QStringLiteral("-") });
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestBillPreview : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void printPutsOneJobPerCopy_data();
    void printPutsOneJobPerCopy();
    void enterPrintsAndEscCloses();
    void printerTroubleIsNamedAndTheBillStays_data();
    void printerTroubleIsNamedAndTheBillStays();
    void lastPrinterAndCopiesAreRemembered();
    void openInOfficeGivesTheArchiveCopy_data();
    void openInOfficeGivesTheArchiveCopy();
    void anUnreadablePdfShowsNoWindow();
    void everyPageIsShownOneUnderAnother_data();
    void everyPageIsShownOneUnderAnother();
    void aLongDocumentHoldsOnlyThePagesInSight();
    void anotherDocumentNeverShowsTheLastOnesPages();
    void printSendsOneJobWithEveryPage();

private:
    void printAndWait(int jobsBefore, int copies);

    QTemporaryDir m_folder;
    std::unique_ptr<CupsScheduler> m_cups;
    std::unique_ptr<CupsPrinter> m_printer;
    std::unique_ptr<BillPreview> m_preview;
    QString m_pdf;
    QString m_output;
    QString m_launched;
    bool m_launcherWorks = true;
};

void TestBillPreview::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_cups = std::make_unique<CupsScheduler>(m_folder.filePath(QStringLiteral("cups")));
    QVERIFY2(m_cups->start(), qPrintable(m_cups->why()));
    m_output = m_folder.filePath(QStringLiteral("cups/out/bills.pdf"));
    QVERIFY2(m_cups->addQueue(QStringLiteral("Yard"), m_output), qPrintable(m_cups->why()));
    QVERIFY2(m_cups->addQueue(QStringLiteral("Office"),
                 m_folder.filePath(QStringLiteral("cups/out/office.pdf"))),
        qPrintable(m_cups->why()));
    QVERIFY(m_cups->client(
        QStringLiteral("lpadmin"), { QStringLiteral("-d"), QStringLiteral("Yard") }));
    m_printer = std::make_unique<CupsPrinter>(m_cups->server());
    m_pdf = m_folder.filePath(QStringLiteral("%1.pdf").arg(billNumber));
    QVERIFY(writeBill(m_pdf));
}

void TestBillPreview::init()
{
    QFile::remove(m_folder.filePath(QStringLiteral("quorvane.ini")));
    for (const QString& queue : { QStringLiteral("Yard"), QStringLiteral("Office") }) {
        QVERIFY(m_cups->client(QStringLiteral("cupsenable"), { queue }));
        QVERIFY(m_cups->client(QStringLiteral("cupsaccept"), { queue }));
    }
    m_launched.clear();
    m_launcherWorks = true;
    m_preview = std::make_unique<BillPreview>(
        *m_printer, m_folder.filePath(QStringLiteral("quorvane.ini")), [this](const QString& path) {
            m_launched = path;
            return m_launcherWorks;
        });
}

void TestBillPreview::cleanup()
{
    m_preview.reset();
}

void TestBillPreview::printAndWait(int jobsBefore, int copies)
{
    QTest::mouseClick(m_preview->findChild<QPushButton*>(QStringLiteral("Print")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(
        m_cups->completedJobs(QStringLiteral("Yard")), jobsBefore + copies, 60000);
}

void TestBillPreview::printPutsOneJobPerCopy_data()
{
    QTest::addColumn<int>("copies");
    QTest::newRow("One copy by default is one job") << 0;
    QTest::newRow("Three copies for driver, office and buyer are three jobs") << 3;
}

void TestBillPreview::printPutsOneJobPerCopy()
{
    QFETCH(int, copies);
    QVERIFY(m_preview->showBill(m_pdf, QStringLiteral("copy.xls")));
    QVERIFY(m_preview->isVisible());
    QVERIFY(m_preview->page().width() > 300);
    QCOMPARE(m_preview->findChild<QComboBox*>(QStringLiteral("Printer"))->currentText(),
        QStringLiteral("Yard"));
    auto* spin = m_preview->findChild<QSpinBox*>(QStringLiteral("Copies"));
    QCOMPARE(spin->value(), 1);
    if (copies)
        spin->setValue(copies);
    const int before = m_cups->completedJobs(QStringLiteral("Yard"));
    QVERIFY(before >= 0);
    printAndWait(before, spin->value());
    const QString text = pdfText(m_output);
    QVERIFY2(text.contains(blockTotal), qPrintable(text));
    QVERIFY2(text.contains(billNumber), qPrintable(text));
    QVERIFY(m_preview->isVisible());
}

void TestBillPreview::enterPrintsAndEscCloses()
{
    QVERIFY(m_preview->showBill(m_pdf, QStringLiteral("copy.xls")));
    const int before = m_cups->completedJobs(QStringLiteral("Yard"));
    QTest::keyClick(m_preview.get(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(m_cups->completedJobs(QStringLiteral("Yard")), before + 1, 60000);
    QTest::keyClick(m_preview.get(), Qt::Key_Escape);
    QVERIFY(!m_preview->isVisible());
}

void TestBillPreview::printerTroubleIsNamedAndTheBillStays_data()
{
    QTest::addColumn<QString>("client");
    QTest::addColumn<QString>("message");
    QTest::newRow("A printer stopped by cupsdisable is named as stopped")
        << QStringLiteral("cupsdisable") << QStringLiteral("已停用");
    QTest::newRow("A printer that rejects jobs is named as not accepting")
        << QStringLiteral("cupsreject") << QStringLiteral("不接受打印任务");
}

void TestBillPreview::printerTroubleIsNamedAndTheBillStays()
{
    QFETCH(QString, client);
    QFETCH(QString, message);
    QVERIFY(m_preview->showBill(m_pdf, QStringLiteral("copy.xls")));
    QVERIFY(m_cups->client(client, { QStringLiteral("Yard") }));
    const int before = m_cups->completedJobs(QStringLiteral("Yard"));
    QTest::mouseClick(m_preview->findChild<QPushButton*>(QStringLiteral("Print")), Qt::LeftButton);
    auto* status = m_preview->findChild<QLabel*>(QStringLiteral("PrintStatus"));
    QVERIFY2(status->text().contains(message), qPrintable(status->text()));
    QVERIFY(status->text().contains(QStringLiteral("Yard")));
    QVERIFY(m_preview->isVisible());
    QString queued;
    QVERIFY(m_cups->client(
        QStringLiteral("lpstat"), { QStringLiteral("-o"), QStringLiteral("Yard") }, &queued));
    QCOMPARE(queued.trimmed(), QString());
    QCOMPARE(m_cups->completedJobs(QStringLiteral("Yard")), before);
}

void TestBillPreview::lastPrinterAndCopiesAreRemembered()
{
    QVERIFY(m_preview->showBill(m_pdf, QStringLiteral("copy.xls")));
    m_preview->findChild<QComboBox*>(QStringLiteral("Printer"))
        ->setCurrentText(QStringLiteral("Office"));
    m_preview->findChild<QSpinBox*>(QStringLiteral("Copies"))->setValue(2);
    const int before = m_cups->completedJobs(QStringLiteral("Office"));
    QTest::mouseClick(m_preview->findChild<QPushButton*>(QStringLiteral("Print")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_cups->completedJobs(QStringLiteral("Office")), before + 2, 60000);
    BillPreview next(*m_printer, m_folder.filePath(QStringLiteral("quorvane.ini")), {});
    QVERIFY(next.showBill(m_pdf, QStringLiteral("copy.xls")));
    QCOMPARE(next.findChild<QComboBox*>(QStringLiteral("Printer"))->currentText(),
        QStringLiteral("Office"));
    QCOMPARE(next.findChild<QSpinBox*>(QStringLiteral("Copies"))->value(), 2);
}

void TestBillPreview::openInOfficeGivesTheArchiveCopy_data()
{
    QTest::addColumn<bool>("works");
    QTest::newRow("The office opens the archive copy") << true;
    QTest::newRow("An office that cannot start is said in the window") << false;
}

void TestBillPreview::openInOfficeGivesTheArchiveCopy()
{
    QFETCH(bool, works);
    m_launcherWorks = works;
    const QString copy = m_folder.filePath(QStringLiteral("%1.xls").arg(billNumber));
    QVERIFY(m_preview->showBill(m_pdf, copy));
    QTest::mouseClick(
        m_preview->findChild<QPushButton*>(QStringLiteral("OpenInOffice")), Qt::LeftButton);
    QCOMPARE(m_launched, copy);
    const QString said = m_preview->findChild<QLabel*>(QStringLiteral("PrintStatus"))->text();
    QCOMPARE(said.contains(QStringLiteral("无法打开表格程序")), !works);
}

void TestBillPreview::anUnreadablePdfShowsNoWindow()
{
    const QString broken = m_folder.filePath(QStringLiteral("broken.pdf"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a pdf");
    file.close();
    QVERIFY(!m_preview->showBill(broken, QStringLiteral("copy.xls")));
    QVERIFY(!m_preview->isVisible());
}

void TestBillPreview::everyPageIsShownOneUnderAnother_data()
{
    QTest::addColumn<int>("pages");
    QTest::newRow("A three-page statement shows three pages") << 3;
    QTest::newRow("A one-page document shows one page") << 1;
}

void TestBillPreview::everyPageIsShownOneUnderAnother()
{
    QFETCH(int, pages);
    const QString pdf = m_folder.filePath(QStringLiteral("pages-%1.pdf").arg(pages));
    QVERIFY(writePages(pdf, pages));
    // A longer document before it leaves none of its pages behind.
    QVERIFY(m_preview->showDocument(m_pdf, QString(), QStringLiteral("账单预览")));
    QVERIFY(m_preview->showDocument(pdf, QString(), QStringLiteral("对账单 - 张三木业")));
    QCOMPARE(m_preview->windowTitle(), QStringLiteral("对账单 - 张三木业"));
    QCOMPARE(m_preview->pageCount(), pages);
    auto* view = m_preview->findChild<QScrollArea*>();
    int bottom = 0;
    for (int index = 0; index < pages; ++index) {
        auto* page = m_preview->findChild<QLabel*>(QStringLiteral("Page(%1)").arg(index));
        QVERIFY(page);
        QVERIFY2(page->y() >= bottom, "pages overlap");
        bottom = page->y() + page->height();
        view->ensureWidgetVisible(page);
        QTRY_VERIFY(!m_preview->page(index).isNull());
        QVERIFY2(inkPixels(m_preview->page(index)) > 500, "a page shows blank paper");
    }
    const QSize room = view->viewport()->size();
    const QSize first = m_preview->findChild<QLabel*>(QStringLiteral("Page(0)"))->size();
    if (pages > 1)
        QVERIFY2(first.width() > room.width() * 9 / 10, "pages are fitted to the width");
    else
        QVERIFY2(first.height() <= room.height(), "a single page fits the window");
}

void TestBillPreview::aLongDocumentHoldsOnlyThePagesInSight()
{
    const QString pdf = m_folder.filePath(QStringLiteral("long.pdf"));
    QVERIFY(writePages(pdf, 40));
    QVERIFY(m_preview->showDocument(pdf, QString(), QStringLiteral("对账单")));
    QCOMPARE(m_preview->pageCount(), 40);
    QVERIFY(!m_preview->page(0).isNull());
    QVERIFY(m_preview->page(39).isNull());
    auto* bar = m_preview->findChild<QScrollArea*>()->verticalScrollBar();
    bar->setValue(bar->maximum());
    QTRY_VERIFY(!m_preview->page(39).isNull());
    QVERIFY(m_preview->page(0).isNull());
}

void TestBillPreview::anotherDocumentNeverShowsTheLastOnesPages()
{
    const QString printed = m_folder.filePath(QStringLiteral("printed.pdf"));
    const QString blank = m_folder.filePath(QStringLiteral("blank.pdf"));
    QVERIFY(writePages(printed, 2));
    QVERIFY(writePages(blank, 2, false));
    QVERIFY(m_preview->showDocument(printed, QString(), QStringLiteral("对账单")));
    QVERIFY(inkPixels(m_preview->page(0)) > 500);
    QVERIFY(m_preview->showDocument(blank, QString(), QStringLiteral("对账单")));
    QVERIFY(!m_preview->page(0).isNull());
    QCOMPARE(inkPixels(m_preview->page(0)), 0);
}

void TestBillPreview::printSendsOneJobWithEveryPage()
{
    const QString pdf = m_folder.filePath(QStringLiteral("statement.pdf"));
    QVERIFY(writePages(pdf, 3));
    QVERIFY(m_preview->showDocument(pdf, QString(), QStringLiteral("对账单 - 张三木业")));
    QFile::remove(m_output);
    printAndWait(m_cups->completedJobs(QStringLiteral("Yard")), 1);
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), { m_output });
    QVERIFY(info.waitForFinished(30000));
    const QString pages = QString::fromUtf8(info.readAllStandardOutput());
    QVERIFY2(
        pages.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\b"))), qPrintable(pages));
    const QString text = pdfText(m_output);
    for (int page = 1; page <= 3; ++page)
        QVERIFY2(text.contains(pageMark(page)), qPrintable(text));
}

QTEST_MAIN(TestBillPreview)
#include "test_bill_preview.moc"
