// A window's bill on the real office: the press returns once the bill is
// saved and the archive copies follow on a worker; and the Song face
// reaches a bill whose template does not carry it.

#include "office_fixture.h"
#include "records/bill_export.h"

#include <QStandardPaths>
#include <QTest>

namespace {

Tally smallLoad(const QString& species)
{
    Tally tally;
    tally.species = species;
    tally.captions[Tally::Buyer].caption = QStringLiteral("购货单位");
    tally.captions[Tally::Buyer].value = QStringLiteral("林业公司");
    tally.lengths[0] = QStringLiteral("4");
    tally.grid[0][1] = QStringLiteral("5");
    tally.groupVolumes[3] = QStringLiteral("0.3100");
    return tally;
}

QString pdfFonts(const QString& pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdffonts"), { pdf });
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestBillBackground : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_office.reset(); }
    void copiesFollowThePress_data();
    void copiesFollowThePress();
    void aBillWithoutTheFaceInItsTemplateIsStillSetInSong();

private:
    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QStringList m_shown;
};

void TestBillBackground::initTestCase()
{
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("bill-background"), &m_shown));
    m_office->warmUp();
}

void TestBillBackground::copiesFollowThePress_data()
{
    QTest::addColumn<int>("presses");
    QTest::addColumn<bool>("quitAtOnce");
    QTest::addColumn<bool>("archiveLinked");
    QTest::newRow("A quit right after the press still leaves the copy and its PDF")
        << 1 << true << false;
    QTest::newRow("Presses in a row each get a number, a copy and a PDF of their own")
        << 3 << false << false;
    QTest::newRow("A bill folder that takes no copy is told to the clerk after the press")
        << 1 << false << true;
}

void TestBillBackground::copiesFollowThePress()
{
    QFETCH(int, presses);
    QFETCH(bool, quitAtOnce);
    QFETCH(bool, archiveLinked);
    m_shown.clear();
    QTemporaryDir folder(chineseFolderTemplate());
    QTemporaryDir elsewhere;
    const QString path = copyShippedBill(folder.path());
    QVERIFY(!path.isEmpty());
    const QString archive = billArchiveFolder(folder.path());
    if (archiveLinked)
        QVERIFY(QFile::link(elsewhere.path(), archive));
    RecordingPrompts prompts;
    QStringList viewed;
    auto bill = std::make_unique<BillExport>(*m_office, path, prompts);
    bill->setArchiveInBackground(true);
    bill->setPdfViewer([&viewed](const QString& pdf, const QString&) {
        viewed << pdf;
        return true;
    });
    const QDate day(2026, 12, 9);
    bill->setToday([day] { return day; });
    for (int press = 1; press <= presses; ++press) {
        QVERIFY(bill->press(smallLoad(QStringLiteral("红松"))));
        QCOMPARE(bill->lastNumber().serial, press);
    }
    if (quitAtOnce)
        bill.reset();
    QStringList expected;
    for (int serial = 1; serial <= presses && !archiveLinked; ++serial)
        expected << archivedBillPath(archive, BillNumber { day, serial }, ".pdf");
    for (const QString& pdf : expected)
        for (const QString& copy : { pdf, pdf.chopped(4) + QStringLiteral(".xls") }) {
            if (quitAtOnce)
                QVERIFY2(QFileInfo(copy).size() > 0, qPrintable(copy));
            else
                QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(copy).size() > 0, 60000);
        }
    if (quitAtOnce)
        return;
    if (archiveLinked) {
        QTRY_COMPARE_WITH_TIMEOUT(prompts.messages.size(), 2, 60000);
        QVERIFY2(prompts.messages[1].contains(QStringLiteral("但没有存入账单文件夹")),
            qPrintable(prompts.messages[1]));
        QTRY_COMPARE(m_shown.size(), 1); // the view of the saved bill instead
        QVERIFY(viewed.isEmpty());
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList());
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(viewed, expected, 60000);
    QCOMPARE(prompts.messages.size(), 1); // the first press's reminder
}

// A yard's bill made from an older template, in the office's own CJK face.
void TestBillBackground::aBillWithoutTheFaceInItsTemplateIsStillSetInSong()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty())
        QFAIL("pdffonts (poppler-utils) is not installed");
    QTemporaryDir folder;
    const QString fods = folder.filePath(QStringLiteral("木材账单.fods"));
    QFile file(fods);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet><table:table table:name="原木账单"><table:table-row><table:table-cell office:value-type="string"><text:p>原木销售账单</text:p></table:table-cell></table:table-row></table:table></office:spreadsheet></office:body></office:document>
)");
    file.close();
    QVERIFY(convertToXls(fods, folder.path()));
    RecordingPrompts prompts;
    BillExport bill(*m_office, billPath(folder.path()), prompts);
    bill.setToday([] { return QDate(2026, 12, 9); });
    QVERIFY(bill.press(smallLoad(QStringLiteral("落叶松"))));
    const QString fonts = pdfFonts(archivedBillPath(
        billArchiveFolder(folder.path()), BillNumber { QDate(2026, 12, 9), 1 }, ".pdf"));
    QVERIFY2(fonts.contains(QStringLiteral("UMing")), qPrintable(fonts));
    QVERIFY2(!fonts.contains(QStringLiteral("CJKjp")), qPrintable(fonts));
}

QTEST_GUILESS_MAIN(TestBillBackground)
#include "test_bill_background.moc"
