// A partner's statement written as an Excel workbook by a real office and
// read back by a fresh load.

#include "accounts_window/statement_document.h"
#include "office_fixture.h"
#include "statement_samples.h"
#include "support/export_files.h"
#include "support/failure_text.h"

#include <QtTest>
#include <limits>

class TestStatementOffice : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void workbookReadsBackInAFreshLoad_data();
    void workbookReadsBackInAFreshLoad();
    void aCopyOntoALinkIsRefusedAndItsTargetKept_data();
    void aCopyOntoALinkIsRefusedAndItsTargetKept();

private:
    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QTemporaryDir m_folder { chineseFolderTemplate() };
    std::unique_ptr<Workbook> m_book;
};

void TestStatementOffice::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("statement"), nullptr));
    m_office->warmUp();
    StatementPage page = fewEntries();
    page.statement.opening = Fen::fromUnits(std::numeric_limits<qint64>::min());
    page.statement.partner = QStringLiteral("=1+1");
    const QString path = m_folder.filePath(QStringLiteral("对账单 张三木业.xls"));
    writeStatementWorkbook(*m_office, path, page);
    m_book = m_office->open(path);
}

void TestStatementOffice::cleanupTestCase()
{
    if (m_book)
        m_book->close();
    m_book.reset();
    m_office.reset();
}

void TestStatementOffice::workbookReadsBackInAFreshLoad_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("shown");
    QTest::newRow("The title comes first") << 1 << 1 << "青山木材场 对账单";
    QTest::newRow("A partner's name is never a formula") << 2 << 1 << "对方：=1+1";
    QTest::newRow("The headings follow the five title lines") << 6 << 6 << "材积(m³)";
    QTest::newRow("The opening balance opens the table") << 7 << 7 << "期初余额";
    QTest::newRow("A balance beyond a double's digits stays exact")
        << 7 << 9 << "-92233720368547758.08";
    QTest::newRow("A day stays a text") << 8 << 1 << "2026-03-02";
    QTest::newRow("A reversal is marked") << 11 << 7 << "收款 转账 冲销 一号门-3";
    QTest::newRow("The closing balance closes the table") << 15 << 7 << "期末余额";
    QTest::newRow("The period's sums follow after an empty row") << 17 << 1 << "本期出库金额";
}

void TestStatementOffice::workbookReadsBackInAFreshLoad()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, shown);
    QVERIFY(m_book);
    QCOMPARE(m_book->sheetAt(1).shownText(row, column), shown);
}

// What a link at the chosen name points to is never written, by whichever
// way the copy is made; the CSV export was the first to refuse.
void TestStatementOffice::aCopyOntoALinkIsRefusedAndItsTargetKept_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("保存为Excel… refuses a link") << "excel";
    QTest::newRow("保存为PDF… refuses a link") << "pdf";
    QTest::newRow("any copy the office stores refuses a link") << "copy";
}

void TestStatementOffice::aCopyOntoALinkIsRefusedAndItsTargetKept()
{
    QFETCH(QString, way);
    // The workbook read back holds the office: the read-back rows are done.
    if (m_book)
        m_book->close();
    m_book.reset();
    const QString target = m_folder.filePath(QStringLiteral("别人的文件.xls"));
    const QByteArray kept("someone else's file");
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kept) == kept.size());
    file.close();
    const QString link = m_folder.filePath(QStringLiteral("对账单 %1.xls").arg(way));
    QVERIFY(QFile::link(target, link));
    QString said;
    try {
        if (way == QLatin1String("excel"))
            writeStatementWorkbook(*m_office, link, fewEntries());
        else if (way == QLatin1String("pdf")) {
            const Done written = writeWholeFile(link, statementPdfBytes(fewEntries()));
            said = written ? QString() : fileFailureMessage(written.error());
        } else
            m_office->create()->saveCopy(link, Workbook::CopyFormat::Excel97);
    } catch (const Failure& error) {
        said = failureMessage(error);
    }
    QVERIFY2(said.contains(QStringLiteral("链接")), qPrintable(said));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), kept);
    QVERIFY(QFileInfo(link).isSymLink());
}

QTEST_MAIN(TestStatementOffice)
#include "test_statement_office.moc"
