#include "office_fixture.h"
#include "records/ledger_year.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {

// A posting row of the fixture: species and the three groups' volumes.
struct Row {
    QString species;
    QString volumes[3];
};

// What the fixture's ledger holds: stock in and stock out of last year.
// 红松 in: 1.2345 + 0.0005 | 0.5 | 2; out: 0.2 | 0.5 | 0 -> 1.035 | 0 | 2
// 杨木 in: 0.3; out: 0.5 -> -0.2 (carried as it is)
// 落叶松 in 1, out 1 -> nothing carried; 椴木 (not in the list) in 0.7
const QVector<Row> stockIn = { { "红松", { "1.2345", "0.5", "2" } }, { "杨木", { "0.3", "", "" } },
    { "落叶松", { "1", "", "" } }, { "红松", { "0.0005", "", "" } },
    { "椴木", { "0.7", "", "" } } };
const QVector<Row> stockOut = { { "红松", { "0.2", "0.5", "" } }, { "杨木", { "0.5", "", "" } },
    { "落叶松", { "1", "", "" } } };

// The carried rows the fixture's ledger gives: species, volumes of the
// three groups as the cells read, in the stock sheet's order, then the rest.
const QStringList carriedRows = { "红松 1.035 0 2", "杨木 -0.2 0 0", "椴木 0.7 0 0" };

Tally tallyOf(const QString& species)
{
    Tally tally;
    tally.species = species;
    tally.groupVolumes = { QStringLiteral("0.3100"), QStringLiteral("1.2560"), QString(),
        QStringLiteral("1.5660") };
    tally.unitPrices = { QStringLiteral("350.00"), QStringLiteral("480.00"), QString() };
    return tally;
}

void writeRows(Worksheet& sheet, const QVector<Row>& rows, int top)
{
    QVector<CellText> cells;
    for (int k = 0; k < rows.size(); ++k) {
        cells.append({ top + k, 2, rows[k].species });
        const int columns[] = { 3, 6, 9 };
        for (int group = 0; group < 3; ++group)
            cells.append({ top + k, columns[group], rows[k].volumes[group] });
    }
    sheet.setCellsAsTyped(cells);
}

} // namespace

class TestLedgerYear : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void postingsAroundTheNewYear_data();
    void postingsAroundTheNewYear();
    void aFullLedgerStartsANewOneWithoutAsking();
    void aFailedStepLeavesTheOldLedgerLive();
    void powerCutsLeaveOneWholeLedger_data();
    void powerCutsLeaveOneWholeLedger();
    void archivedYearsAreListedNewestFirst();

private:
    // The shipped ledger with the fixture's rows, or `filled` rows of 红松
    // at 0.0001 on 入库 instead.
    QString prepareLedger(int filled = 0);
    // "species v1 v2 v3" of each row of 入库 from row 6 down to the first
    // empty one, with its comment and date when `details`.
    QStringList postedRows(const QString& path, bool details = false);
    StockPosting posting(const QString& path, RecordingPrompts& prompts, const QDate& day);
    QString archive(const QString& name) const
    {
        return QDir(ledgerArchiveFolder(m_ledger)).filePath(name);
    }

    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    std::unique_ptr<QTemporaryDir> m_folder;
    QStringList m_shown;
    QString m_ledger;
    int m_year = 0; // the remembered year
};

void TestLedgerYear::initTestCase()
{
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("ledger-year"), &m_shown));
    m_office->warmUp();
}

void TestLedgerYear::init()
{
    m_folder = std::make_unique<QTemporaryDir>(chineseFolderTemplate());
    m_ledger = ledgerPath(m_folder->path());
    m_year = 0;
    m_shown.clear();
}

void TestLedgerYear::cleanupTestCase()
{
    m_office.reset();
}

QString TestLedgerYear::prepareLedger(int filled)
{
    copyFileOrFail(shippedWorkbook(QStringLiteral("木材出入库台账.xls")), m_ledger);
    QFile(m_ledger).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    auto book = m_office->open(m_ledger);
    if (filled > 0) {
        QVector<QStringList> rows(filled, { QStringLiteral("红松"), QStringLiteral("0.0001") });
        book->sheetNamed(QStringLiteral("入库")).setBlockAsTyped(6, 2, rows);
    } else {
        writeRows(book->sheetNamed(QStringLiteral("入库")), stockIn, 6);
        writeRows(book->sheetNamed(QStringLiteral("出库")), stockOut, 6);
    }
    book->save();
    book->close();
    return m_ledger;
}

QStringList TestLedgerYear::postedRows(const QString& path, bool details)
{
    QStringList rows;
    auto book = m_office->open(path);
    Worksheet& sheet = book->sheetNamed(QStringLiteral("入库"));
    for (int row = 6; !sheet.shownText(row, 3).isEmpty(); ++row) {
        QString text = QStringList { sheet.valueText(row, 2), sheet.valueText(row, 3),
            sheet.valueText(row, 6), sheet.valueText(row, 9) }
                           .join(u' ');
        if (details)
            text += u' ' + sheet.shownText(row, 1) + u' ' + sheet.comment(row, 2)
                + sheet.valueText(row, 4) + sheet.valueText(row, 7) + sheet.valueText(row, 10);
        rows << text;
    }
    book->close();
    return rows;
}

StockPosting TestLedgerYear::posting(
    const QString& path, RecordingPrompts& prompts, const QDate& day)
{
    StockPosting posting(*m_office, path, StockPosting::Sheet::StockIn, prompts);
    posting.setToday([day] { return day; });
    posting.setLedgerYears({ [this] { return m_year; }, [this](int year) { m_year = year; }, {} });
    return posting;
}

void TestLedgerYear::postingsAroundTheNewYear_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("archiveThere"); // an archive of 2026 made before
    QTest::addColumn<QString>("archived"); // empty: none

    QTest::newRow("a posting on 31 December asks nothing and posts into the ledger")
        << QDate(2026, 12, 31) << true << false << QString();
    QTest::newRow("the first posting on 1 January with 是 archives the year and carries the stock")
        << QDate(2027, 1, 1) << true << false << QStringLiteral("木材出入库台账 2026.xls");
    QTest::newRow("with 否 it posts into the same ledger")
        << QDate(2027, 1, 1) << false << false << QString();
    QTest::newRow("a second archive of the same year takes (2)")
        << QDate(2027, 1, 2) << true << true << QStringLiteral("木材出入库台账 2026 (2).xls");
}

void TestLedgerYear::postingsAroundTheNewYear()
{
    QFETCH(QDate, day);
    QFETCH(bool, answer);
    QFETCH(bool, archiveThere);
    QFETCH(QString, archived);
    const QByteArray oldBytes = fileBytes(prepareLedger());
    if (archiveThere) {
        QDir().mkpath(ledgerArchiveFolder(m_ledger));
        QVERIFY(QFile::copy(m_ledger, archive(QStringLiteral("木材出入库台账 2026.xls"))));
    }
    m_year = 2026;

    RecordingPrompts prompts;
    prompts.answers = { answer };
    StockPosting post = posting(m_ledger, prompts, day);
    QVERIFY(post.press(tallyOf(QStringLiteral("红松")), {}) > 0);
    // Asked no more that year, whatever the answer.
    QVERIFY(post.press(tallyOf(QStringLiteral("红松")), { {}, 1 }) > 0);
    QCOMPARE(m_year, day.year());

    const QStringList asked = day.year() > 2026
        ? QStringList { "新的一年：把 2026 年的台账存档，并把各树种的库存结转到新台账吗？" }
        : QStringList();
    QCOMPARE(prompts.questions, asked);
    const QString posted = QStringLiteral("红松 0.31 1.256 ");
    if (archived.isEmpty()) {
        QCOMPARE(prompts.messages.count(QStringLiteral("保存成功")), 2);
        QCOMPARE(postedRows(m_ledger).mid(stockIn.size()), QStringList({ posted, posted }));
        QCOMPARE(QDir(ledgerArchiveFolder(m_ledger)).entryList(QDir::Files).size(),
            archiveThere ? 1 : 0);
        return;
    }
    // The old ledger unchanged, read-only, in the archive; the new one
    // carries the stock, dated 1 January, then takes the postings.
    QCOMPARE(fileBytes(archive(archived)), oldBytes);
    QCOMPARE(QFileInfo(archive(archived)).permissions() & QFileDevice::WriteOwner, 0);
    QCOMPARE(prompts.messages.mid(1),
        QStringList({ "以下树种的库存是负数，已照样结转到新台账，请核对：杨木（-0.2、0、0）",
            "保存成功", "保存成功" }));
    QStringList expected;
    for (const QString& row : carriedRows)
        expected << row + QStringLiteral(" 2027-01-01 上年结转");
    const QString today = day.toString(Qt::ISODate);
    expected << posted + u' ' + today + QStringLiteral(" 350480")
             << posted + u' ' + today + QStringLiteral(" 350480");
    QCOMPARE(postedRows(m_ledger, true), expected);
    QCOMPARE(loadSpeciesList(*m_office, m_ledger), loadSpeciesList(*m_office, archive(archived)));
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden),
        QStringList({ QStringLiteral("木材出入库台账.xls") }));
}

void TestLedgerYear::aFullLedgerStartsANewOneWithoutAsking()
{
    // Rows 6 to 65535 used: the first posting takes the sheet's last row,
    // the second finds none.
    const QByteArray full = [&] {
        prepareLedger(65530);
        RecordingPrompts prompts;
        m_year = 2027;
        StockPosting post = posting(m_ledger, prompts, QDate(2027, 6, 15));
        const int row = post.press(tallyOf(QStringLiteral("红松")), {});
        return row == 65536 ? fileBytes(m_ledger) : QByteArray();
    }();
    QVERIFY(!full.isEmpty());

    RecordingPrompts prompts;
    StockPosting post = posting(m_ledger, prompts, QDate(2027, 6, 16));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(post.press(tallyOf(QStringLiteral("杨木")), {}), 7);
    qInfo("a full ledger's step and posting took %lld ms", clock.elapsed());
    QVERIFY(prompts.questions.isEmpty());
    const QString archived = QStringLiteral("木材出入库台账 2027-1.xls");
    QCOMPARE(prompts.messages.mid(1),
        QStringList(
            { QStringLiteral("台账的工作表已满，已存档为文件夹“台账存档”中的“%1”；各树种的库存已"
                             "结转到新台账，这车记入新台账。")
                    .arg(archived),
                QStringLiteral("保存成功") }));
    QCOMPARE(fileBytes(archive(archived)), full);
    // 65 530 rows of 0.0001 and the posting's 0.31 | 1.256, exactly.
    QCOMPARE(postedRows(m_ledger, true),
        QStringList(
            { "红松 6.863 1.256 0 2027-06-16 前账结转", "杨木 0.31 1.256  2027-06-16 350480" }));
}

void TestLedgerYear::aFailedStepLeavesTheOldLedgerLive()
{
    const QByteArray oldBytes = fileBytes(prepareLedger());
    // A file where the archive folder should be.
    QFile blocker(ledgerArchiveFolder(m_ledger));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_year = 2026;
    RecordingPrompts prompts;
    StockPosting post = posting(m_ledger, prompts, QDate(2027, 1, 4));
    QCOMPARE(post.press(tallyOf(QStringLiteral("红松")), {}), 0);
    QCOMPARE(prompts.messages.size(), 2);
    QVERIFY2(prompts.messages[1].startsWith(
                 QStringLiteral("新台账没有建成，旧台账照常使用，没有改动：")),
        qPrintable(prompts.messages[1]));
    QCOMPARE(fileBytes(m_ledger), oldBytes);
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden),
        QStringList({ QStringLiteral("台账存档"), QStringLiteral("木材出入库台账.xls") }));
    // Asked again at the next posting: the year is not taken as answered.
    QCOMPARE(m_year, 2026);
}

void TestLedgerYear::powerCutsLeaveOneWholeLedger_data()
{
    QTest::addColumn<QString>("point");
    QTest::addColumn<bool>("newLive");
    QTest::newRow("cut while the office writes the new ledger keeps the old one")
        << "building" << false;
    QTest::newRow("cut with the new ledger built keeps the old one") << "built" << false;
    QTest::newRow("cut with the archive made keeps the old one, without the archive")
        << "archived" << false;
    QTest::newRow("cut with the new ledger live keeps it and the archive") << "renamed" << true;
}

void TestLedgerYear::powerCutsLeaveOneWholeLedger()
{
    QFETCH(QString, point);
    QFETCH(bool, newLive);
    const QByteArray oldBytes = fileBytes(prepareLedger());

    QProcess step;
    step.start(QStringLiteral(QUORVANE_CUT_PROGRAM), { m_ledger, point });
    QVERIFY(step.waitForFinished(180000));
    QCOMPARE(step.exitCode(), 99);

    // The next start settles what the cut left.
    QCOMPARE(settleLedgerYearStep(m_ledger), newLive ? 2027 : 0);
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden),
        QStringList({ QStringLiteral("木材出入库台账.xls") }));
    const QStringList archives
        = QDir(ledgerArchiveFolder(m_ledger)).entryList(QDir::Files | QDir::Hidden);
    if (!newLive) {
        QCOMPARE(fileBytes(m_ledger), oldBytes);
        QVERIFY(archives.isEmpty());
        return;
    }
    QCOMPARE(archives, QStringList({ QStringLiteral("木材出入库台账 2026.xls") }));
    QCOMPARE(fileBytes(archive(archives[0])), oldBytes);
    QCOMPARE(postedRows(m_ledger).size(), carriedRows.size());
}

void TestLedgerYear::archivedYearsAreListedNewestFirst()
{
    const QString folder = ledgerArchiveFolder(m_ledger);
    QDir().mkpath(folder);
    for (const char* name : { "木材出入库台账 2025.xls", "木材出入库台账 2026-1.xls",
             "木材出入库台账 2026.xls", "木材出入库台账 2026 (2).xls", "木材出入库台账 2026-2.xls",
             "其他 2027.xls", "木材出入库台账 20.xls" })
        copyFileOrFail(shippedWorkbook(QStringLiteral("木材出入库台账.xls")),
            QDir(folder).filePath(QString::fromUtf8(name)));
    QStringList names;
    for (const ArchivedLedger& ledger : archivedLedgers(m_ledger))
        names << ledger.name;
    QCOMPARE(names, QStringList({ "2026 (2)", "2026", "2026-2", "2026-1", "2025" }));

    // 查看库存 offers them beside the live ledger, and shows the one picked.
    RecordingPrompts prompts;
    prompts.choose = 3;
    viewStock(*m_office, prepareLedger(), prompts);
    QCOMPARE(prompts.choices,
        QList<QStringList>({ { "当前台账", "存档：木材出入库台账 2026 (2)",
            "存档：木材出入库台账 2026", "存档：木材出入库台账 2026-2",
            "存档：木材出入库台账 2026-1", "存档：木材出入库台账 2025" } }));
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(QFileInfo(m_shown[0]).fileName().startsWith(QStringLiteral("木材出入库台账 2026-2-")),
        qPrintable(m_shown[0]));
    QVERIFY(prompts.messages.isEmpty());
}

QTEST_MAIN(TestLedgerYear)
#include "test_ledger_year.moc"
