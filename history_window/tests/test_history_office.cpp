// The history window's Excel export on a real office: the workbook read back
// by a fresh load, the window free while the office works, and a folder
// that cannot be written.

#include "history/sqlite_history_store.h"
#include "history_samples.h"
#include "history_window/history.h"
#include "office_fixture.h"
#include "test_answers.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestHistoryOffice : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void exportReadsBackInAFreshLoad();
    void exportIntoUnwritableFolderSaysSoAndChangesNothing();

private:
    QPushButton* excelButton() const
    {
        return m_window->findChild<QPushButton*>(QStringLiteral("excelButton"));
    }

    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QStringList m_shown;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SqliteHistoryStore> m_store;
    std::unique_ptr<History> m_window;
    QString m_savePath;
    std::unique_ptr<TestAnswers> m_answers;
};

void TestHistoryOffice::initTestCase()
{
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("history"), &m_shown));
    m_office->warmUp();
}

void TestHistoryOffice::init()
{
    m_dir = std::make_unique<QTemporaryDir>(chineseFolderTemplate());
    m_store
        = std::make_unique<SqliteHistoryStore>(m_dir->filePath(QStringLiteral("quorvane.sqlite")));
    QVector<LoadRecord> loads {
        sampleLoad(LoadKind::StockIn, "2026-12-01 09:00", "杉木", "10", "2.2590", "1807.20"),
        // Typed texts that a careless writer turns into a formula or a date.
        sampleLoad(LoadKind::Bill, "2026-12-05 10:00", "松木", "3", "0.5000", "450.00",
            QStringLiteral("=1+1"), QStringLiteral("2026-12-05")),
    };
    for (LoadRecord& load : loads)
        m_store->record(load);
    m_window = std::make_unique<History>(*m_store, *m_office, [] { return QDate(2026, 12, 9); });
    m_window->setSavePathAsker(
        [this](const QString&, const QString&, const QString&) { return m_savePath; });
    m_window->show();
    m_answers = std::make_unique<TestAnswers>();
}

void TestHistoryOffice::cleanup()
{
    QCOMPARE(m_answers->waitingAnswers(), 0);
    m_answers.reset();
    m_window.reset();
    m_store.reset();
    m_dir.reset();
}

void TestHistoryOffice::cleanupTestCase()
{
    m_office.reset();
}

void TestHistoryOffice::exportReadsBackInAFreshLoad()
{
    m_savePath = m_dir->filePath(QStringLiteral("历史 十二月.xls"));
    QSignalSpy exported(m_window.get(), &History::exported);
    QTest::mouseClick(excelButton(), Qt::LeftButton);
    // The click has returned while the office works.
    QVERIFY(m_window->exportRunning());
    QVERIFY(!excelButton()->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(exported.size(), 1, 90000);
    QVERIFY(excelButton()->isEnabled());

    auto book = m_office->open(m_savePath);
    Worksheet& sheet = book->sheetAt(1);
    QCOMPARE(sheet.shownText(1, 1), QStringLiteral("日期"));
    QCOMPARE(sheet.shownText(1, 12), QStringLiteral("材积(m³)"));
    QCOMPARE(sheet.shownText(1, 14), QStringLiteral("检尺站"));
    // Newest first, as the table shows them; the date and time stay texts.
    QCOMPARE(sheet.shownText(2, 1), QStringLiteral("2026-12-05"));
    QCOMPARE(sheet.shownText(2, 2), QStringLiteral("10:00:00"));
    QCOMPARE(sheet.shownText(2, 3), QStringLiteral("账单"));
    QCOMPARE(sheet.shownText(2, 4), QStringLiteral("2026-12-05-001"));
    QCOMPARE(sheet.shownText(2, 6), QStringLiteral("=1+1"));
    QCOMPARE(sheet.shownText(2, 8), QStringLiteral("2026-12-05"));
    QCOMPARE(sheet.shownText(2, 9), QStringLiteral("张三"));
    QCOMPARE(sheet.shownText(2, 10), QStringLiteral("李四"));
    QCOMPARE(sheet.valueText(2, 12), QStringLiteral("0.5"));
    QCOMPARE(sheet.valueText(3, 13), QStringLiteral("1807.2"));
    // One totals row per kind.
    QCOMPARE(sheet.shownText(4, 1), QStringLiteral("合计"));
    QCOMPARE(sheet.shownText(4, 3), QStringLiteral("入库"));
    QCOMPARE(sheet.shownText(4, 4), QStringLiteral("共 1 车"));
    QCOMPARE(sheet.valueText(4, 11), QStringLiteral("10"));
    QCOMPARE(sheet.valueText(4, 12), QStringLiteral("2.259"));
    QCOMPARE(sheet.shownText(5, 3), QStringLiteral("出库"));
    QCOMPARE(sheet.valueText(5, 11), QStringLiteral("0"));
    QCOMPARE(sheet.shownText(6, 3), QStringLiteral("账单"));
    QCOMPARE(sheet.valueText(6, 11), QStringLiteral("3"));
    QCOMPARE(sheet.valueText(6, 13), QStringLiteral("450"));
    book->close();
}

void TestHistoryOffice::exportIntoUnwritableFolderSaysSoAndChangesNothing()
{
    UnwritableFolder folder(m_dir->filePath(QStringLiteral("只读")));
    m_savePath = folder.filePath(QStringLiteral("历史.xls"));
    {
        QFile earlier(m_savePath);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier export");
    }
    if (!folder.lock())
        QSKIP("this machine cannot make a folder unwritable");
    m_answers->setNextAnswer(MessageAnswer::Ok);
    QTest::mouseClick(excelButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_answers->shown.size(), 1, 90000);
    QCOMPARE(m_answers->texts().first(),
        QStringLiteral("没有导出：无法保存到文件夹“%1”：没有写入权限。")
            .arg(QFileInfo(m_savePath).absolutePath()));
    QCOMPARE(fileBytes(m_savePath), QByteArray("earlier export"));
    QCOMPARE(QDir(QFileInfo(m_savePath).absolutePath()).entryList(QDir::Files | QDir::Hidden),
        QStringList { "历史.xls" });
    QTRY_VERIFY(excelButton()->isEnabled());
    QVERIFY(m_office->officeProcessCount() <= 1);
}

QTEST_MAIN(TestHistoryOffice)
#include "test_history_office.moc"
