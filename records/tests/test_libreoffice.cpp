#include "office_fixture.h"
#include "records/cell_values.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>
#include <QUrl>

namespace {

Tally sampleFields(const QString& species)
{
    Tally tally;
    tally.species = species;
    tally.groupVolumes = { QStringLiteral("0.3100"), QStringLiteral("1.2560"), QString(),
        QStringLiteral("1.5660") };
    tally.unitPrices
        = { QStringLiteral("350.00"), QStringLiteral("480.00"), QStringLiteral("0.00") };
    return tally;
}

} // namespace

// These really start LibreOffice and really load, write, store and read back
// .xls files.
class TestLibreOffice : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void runningOfficeHasItsOwnLocale();
    void speciesListComesFromTheStockSheet();
    void speciesListKeepsEmptyCells();
    void postingIsReadBackFromTheSavedFile();
    void aFullLedgerTakesItsGapThenItsLastRowThenSaysSo();
    void userTextIsStoredAsTyped_data();
    void userTextIsStoredAsTyped();
    void missingWorkbookIsReported();
    void missingSheetIsReported();
    void workbookHeldByAnotherOfficeIsReported();
    void killedOfficeIsReplacedByTheNextPass();
    void viewStockShowsTheLedger();
    void postingRowIsDatedWhereTheHeaderSaysSo_data();
    void postingRowIsDatedWhereTheHeaderSaysSo();
    void guardsAskBeforePosting_data();
    void guardsAskBeforePosting();
    void staleLockOfOurOwnIsOverridden();
    void emptyStaleLockIsOverridden();
    void damagedWorkbookIsReportedAndLeftAsItWas_data();
    void damagedWorkbookIsReportedAndLeftAsItWas();
    void hungOfficeEndsAtTheDeadline();

private:
    QString copyLedger();
    QString copyLedgerAs(const QString& subfolder);

    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QStringList m_shown;
    std::unique_ptr<QTemporaryDir> m_folder;
};

void TestLibreOffice::initTestCase()
{
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("office"), &m_shown));
    QElapsedTimer clock;
    clock.start();
    m_office->warmUp();
    qInfo("office started in %lld ms", clock.elapsed());
}

void TestLibreOffice::init()
{
    m_folder = std::make_unique<QTemporaryDir>(chineseFolderTemplate());
    m_shown.clear();
}

void TestLibreOffice::cleanupTestCase()
{
    m_office.reset();
}

QString TestLibreOffice::copyLedgerAs(const QString& subfolder)
{
    QDir(m_folder->path()).mkpath(subfolder);
    const QString path = ledgerPath(m_folder->filePath(subfolder));
    copyFileOrFail(shippedWorkbook(QStringLiteral("木材出入库台账.xls")), path);
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

QString TestLibreOffice::copyLedger()
{
    const QString path = ledgerPath(m_folder->path());
    copyFileOrFail(shippedWorkbook(QStringLiteral("木材出入库台账.xls")), path);
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

void TestLibreOffice::runningOfficeHasItsOwnLocale()
{
    QFile environ(QStringLiteral("/proc/%1/environ").arg(m_office->officePid()));
    QVERIFY(environ.open(QIODevice::ReadOnly));
    const QList<QByteArray> variables = environ.readAll().split('\0');
    QVERIFY(variables.contains("LC_ALL=C.UTF-8"));
    QVERIFY(variables.contains("LANG=C.UTF-8"));
}

void TestLibreOffice::speciesListComesFromTheStockSheet()
{
    const QStringList species = loadSpeciesList(*m_office, copyLedger());
    QCOMPARE(species,
        QStringList({ "落叶松", "红松", "樟子松", "白松", "杨木", "桦木", "柞木", "水曲柳" }));
}

void TestLibreOffice::speciesListKeepsEmptyCells()
{
    const QString path = copyLedger();
    {
        auto book = m_office->open(path);
        Worksheet& stock = book->sheetNamed(QStringLiteral("库存"));
        for (int row = 9; row <= 12; ++row)
            stock.setText(row, 11, QString());
        stock.setNumber(8, 11, 7);
        book->save();
        book->close();
    }
    QCOMPARE(loadSpeciesList(*m_office, path),
        QStringList({ "落叶松", "红松", "樟子松", "7", "", "", "", "" }));
}

void TestLibreOffice::postingIsReadBackFromTheSavedFile()
{
    const QString path = copyLedger();
    RecordingPrompts prompts;
    StockPosting stockIn(*m_office, path, StockPosting::Sheet::StockIn, prompts);
    StockPosting stockOut(*m_office, path, StockPosting::Sheet::StockOut, prompts);
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("落叶松")); }), 6);
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("红松")); }), 7);
    QCOMPARE(stockOut.press([] { return sampleFields(QStringLiteral("红松")); }), 6);
    QCOMPARE(prompts.messages.count(QStringLiteral("保存成功")), 3);

    auto book = m_office->open(path);
    Worksheet& in = book->sheetAt(1);
    QCOMPARE(in.shownText(6, 2), QStringLiteral("落叶松"));
    QCOMPARE(in.valueText(6, 3), QStringLiteral("0.31"));
    QCOMPARE(in.valueText(6, 4), QStringLiteral("350"));
    QCOMPARE(in.valueText(6, 6), QStringLiteral("1.256"));
    QCOMPARE(in.shownText(6, 9), QString());
    QCOMPARE(in.shownText(7, 2), QStringLiteral("红松"));
    // The workbook's own formulas price the row.
    QCOMPARE(in.shownText(6, 5), QStringLiteral("108.50"));
    QCOMPARE(in.shownText(6, 8), QStringLiteral("602.88"));
    QCOMPARE(in.shownText(8, 3), QString());
    Worksheet& out = book->sheetAt(2);
    QCOMPARE(out.shownText(6, 2), QStringLiteral("红松"));
    QCOMPARE(out.valueText(6, 3), QStringLiteral("0.31"));
    // And the stock sheet nets stock in against stock out.
    Worksheet& stock = book->sheetNamed(QStringLiteral("库存"));
    QCOMPARE(stock.valueText(5, 12), QStringLiteral("1.566"));
    QCOMPARE(stock.valueText(6, 14), QStringLiteral("0"));
}

void TestLibreOffice::aFullLedgerTakesItsGapThenItsLastRowThenSaysSo()
{
    const QString path = copyLedger();
    {
        // Column 3 filled from row 6 to the row before the sheet's last,
        // with one gap: the text of a formula that gives an empty string.
        QVector<QStringList> volumes(65530, { QStringLiteral("0.5") });
        volumes[40000 - 6] = { QString() };
        auto book = m_office->open(path);
        book->sheetAt(1).setBlockAsTyped(6, 3, volumes);
        book->save();
        book->close();
    }
    RecordingPrompts prompts;
    StockPosting stockIn(*m_office, path, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("落叶松")); }), 40000);
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("红松")); }), 65536);
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("白松")); }), 0);
    QCOMPARE(prompts.messages.mid(1), QStringList({ "保存成功", "保存成功", "工作表已满" }));

    auto book = m_office->open(path);
    Worksheet& in = book->sheetAt(1);
    QCOMPARE(in.shownText(40000, 2), QStringLiteral("落叶松"));
    QCOMPARE(in.valueText(40000, 3), QStringLiteral("0.31"));
    QCOMPARE(in.shownText(65536, 2), QStringLiteral("红松"));
    QCOMPARE(in.valueText(65536, 6), QStringLiteral("1.256"));
    // The stock sheet counts postings down to the sheet's last row.
    Worksheet& stock = book->sheetNamed(QStringLiteral("库存"));
    QCOMPARE(stock.valueText(5, 12), QStringLiteral("1.566"));
    QCOMPARE(stock.valueText(6, 12), QStringLiteral("1.566"));
}

void TestLibreOffice::userTextIsStoredAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a formula stays its characters") << "=1+1"
                                                    << "=1+1";
    QTest::newRow("a DDE command stays its characters") << "+cmd|' /c calc'!A0"
                                                        << "+cmd|' /c calc'!A0";
    QTest::newRow("a web service call stays its characters") << "=WEBSERVICE(\"http://x\")"
                                                             << "=WEBSERVICE(\"http://x\")";
    QTest::newRow("an at sign form stays its characters") << "@SUM(1)"
                                                          << "@SUM(1)";
    QTest::newRow("a fraction is not a date") << "1/2"
                                              << "1/2";
    QTest::newRow("a date text is not a date") << "2024-01-05"
                                               << "2024-01-05";
    QTest::newRow("a percentage is not a number") << "50%"
                                                  << "50%";
    QTest::newRow("TRUE is not a truth value") << "TRUE"
                                               << "TRUE";
    QTest::newRow("a number is stored as that number") << "12.50"
                                                       << "12.5";
    QTest::newRow("a full-width count is stored as its number") << "１０"
                                                                << "10";
    QTest::newRow("a non-BMP character survives") << "𠀋杉"
                                                  << "𠀋杉";
}

void TestLibreOffice::userTextIsStoredAsTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    const QString path = copyLedger();
    {
        auto book = m_office->open(path);
        writeAsTyped(book->sheetAt(1), 6, 2, typed);
        book->save();
        book->close();
    }
    auto book = m_office->open(path);
    QCOMPARE(book->sheetAt(1).valueText(6, 2), shown);
}

void TestLibreOffice::missingWorkbookIsReported()
{
    RecordingPrompts prompts;
    StockPosting stockIn(
        *m_office, ledgerPath(m_folder->path()), StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("杨木")); }), 0);
    QCOMPARE(prompts.messages.size(), 2); // the reminder, then the cause
    QVERIFY2(prompts.messages[1].contains(QStringLiteral("找不到工作簿")),
        qPrintable(prompts.messages[1]));
    QVERIFY(!QFile::exists(ledgerPath(m_folder->path())));
}

void TestLibreOffice::missingSheetIsReported()
{
    const QString path = oneSheetWorkbook(m_folder->path(), QStringLiteral("木材出入库台账.xls"));
    QVERIFY(!path.isEmpty());
    const QByteArray before = fileBytes(path);
    RecordingPrompts prompts;
    StockPosting stockOut(*m_office, path, StockPosting::Sheet::StockOut, prompts);
    QCOMPARE(stockOut.press([] { return sampleFields(QStringLiteral("杨木")); }), 0);
    QVERIFY2(prompts.messages.last().contains(QStringLiteral("没有工作表")),
        qPrintable(prompts.messages.last()));
    try {
        loadSpeciesList(*m_office, path);
        QFAIL("a ledger without its stock sheet gave a species list");
    } catch (const Failure& error) {
        QCOMPARE(error.cause(), FailureCause::SheetMissing);
        QCOMPARE(error.detail(), QStringLiteral("库存"));
    }
    QCOMPARE(fileBytes(path), before);
}

void TestLibreOffice::workbookHeldByAnotherOfficeIsReported()
{
    const QString path = copyLedger();
    const QByteArray before = fileBytes(path);
    LibreOfficeSpreadsheet other(testOfficeSettings(QStringLiteral("other"), nullptr));
    auto held = other.open(path);

    RecordingPrompts prompts;
    StockPosting stockIn(*m_office, path, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("杨木")); }), 0);
    QVERIFY2(prompts.messages.last().contains(QStringLiteral("请先将其关闭")),
        qPrintable(prompts.messages.last()));
    held.reset();
    QCOMPARE(fileBytes(path), before);

    // Once the other office has let go, the posting goes through.
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("杨木")); }), 6);
}

void TestLibreOffice::killedOfficeIsReplacedByTheNextPass()
{
    const QString path = copyLedger();
    const qint64 before = m_office->officePid();

    QVERIFY(before > 0);
    QVERIFY(
        QProcess::execute(QStringLiteral("kill"), { QStringLiteral("-9"), QString::number(before) })
        == 0);
    QTest::qWait(200);

    RecordingPrompts prompts;
    StockPosting stockIn(*m_office, path, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("桦木")); }), 6);
    QCOMPARE(prompts.messages.last(), QStringLiteral("保存成功"));
    QVERIFY(m_office->officePid() != before);
}

void TestLibreOffice::viewStockShowsTheLedger()
{
    const QString path = copyLedger();
    RecordingPrompts prompts;
    RecordingPrompts poster;
    StockPosting stockIn(*m_office, path, StockPosting::Sheet::StockIn, poster);
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("红松")); }), 6);
    viewStock(*m_office, path, prompts);
    QCOMPARE(prompts.messages, QStringList());
    // A copy of the ledger as just saved, under a name of its own.
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(m_shown[0] != path);
    {
        auto book = m_office->open(m_shown[0]);
        QCOMPARE(book->sheetAt(1).shownText(6, 2), QStringLiteral("红松"));
    }
    // The next view is another copy, with the next posting in it.
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("白松")); }), 7);
    viewStock(*m_office, path, prompts);
    QCOMPARE(m_shown.size(), 2);
    QVERIFY(m_shown[1] != m_shown[0]);
    {
        auto book = m_office->open(m_shown[1]);
        QCOMPARE(book->sheetAt(1).shownText(7, 2), QStringLiteral("白松"));
    }
    QVERIFY(!QFile::exists(
        QFileInfo(path).dir().filePath(QStringLiteral(".~lock.木材出入库台账.xls#"))));

    m_shown.clear();
    viewStock(*m_office, ledgerPath(m_folder->path() + QStringLiteral("/nowhere")), prompts);
    QVERIFY(m_shown.isEmpty());
    QCOMPARE(prompts.messages.size(), 1);
}

void TestLibreOffice::postingRowIsDatedWhereTheHeaderSaysSo_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("an empty date cell gets the day") << "日期"
                                                     << ""
                                                     << "2026-12-09";
    QTest::newRow("a date the clerk typed stays") << "日期"
                                                  << "手写"
                                                  << "手写";
    QTest::newRow("a column 1 of the yard's own is left alone") << "车次"
                                                                << ""
                                                                << "";
}

void TestLibreOffice::postingRowIsDatedWhereTheHeaderSaysSo()
{
    QFETCH(QString, header);
    QFETCH(QString, before);
    QFETCH(QString, after);
    const QString path = copyLedger();
    {
        auto book = m_office->open(path);
        Worksheet& in = book->sheetNamed(QStringLiteral("入库"));
        QCOMPARE(in.shownText(3, 1), QStringLiteral("日期"));
        in.setText(3, 1, header);
        in.setText(6, 1, before);
        book->save();
    }
    RecordingPrompts prompts;
    StockPosting stockIn(*m_office, path, StockPosting::Sheet::StockIn, prompts);
    stockIn.setToday([] { return QDate(2026, 12, 9); });
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("红松")); }), 6);

    auto book = m_office->open(path);
    Worksheet& in = book->sheetNamed(QStringLiteral("入库"));
    QCOMPARE(in.shownText(6, 1), after);
    if (after == QLatin1String("2026-12-09")) // a real date: its serial number
        QCOMPARE(
            in.valueText(6, 1), QString::number(QDate(1899, 12, 30).daysTo(QDate(2026, 12, 9))));
}

void TestLibreOffice::guardsAskBeforePosting_data()
{
    QTest::addColumn<QString>("species");
    QTest::addColumn<bool>("samePressTwice");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("posted");
    const QString unknown = "树种“红木”不在库存表的树种列表中，库存表不会计入它。仍要入库吗？";
    const QString again = "这车已经入库，确定要再入库一次吗？";
    QTest::newRow("a species the stock sheet lacks, answered 否")
        << "红木" << false << false << unknown << QStringList();
    QTest::newRow("a species the stock sheet lacks, answered 是")
        << "红木" << false << true << unknown << QStringList({ "红木" });
    QTest::newRow("the same load again, answered 否")
        << "红松" << true << false << again << QStringList({ "红松" });
    QTest::newRow("the same load again, answered 是")
        << "红松" << true << true << again << QStringList({ "红松", "红松" });
}

void TestLibreOffice::guardsAskBeforePosting()
{
    QFETCH(QString, species);
    QFETCH(bool, samePressTwice);
    QFETCH(bool, answer);
    QFETCH(QString, question);
    QFETCH(QStringList, posted);
    const QString path = copyLedger();
    const QStringList listed = loadSpeciesList(*m_office, path);
    RecordingPrompts prompts;
    StockPosting stockIn(*m_office, path, StockPosting::Sheet::StockIn, prompts);
    auto fields = [&] { return sampleFields(species); };
    auto context = [&] { return PostingContext { listed, 7 }; };
    if (samePressTwice)
        QCOMPARE(stockIn.press(fields, context), 6);
    prompts.answers = { answer };
    stockIn.press(fields, context);
    QCOMPARE(prompts.questions, QStringList({ question }));

    auto book = m_office->open(path);
    Worksheet& in = book->sheetNamed(QStringLiteral("入库"));
    QStringList found;
    for (int row = 6; !in.shownText(row, 3).isEmpty(); ++row)
        found << in.shownText(row, 2);
    QCOMPARE(found, posted);
}

void TestLibreOffice::staleLockOfOurOwnIsOverridden()
{
    const QString path = copyLedger();
    // What an office of ours killed in the middle of a pass leaves behind.
    QFile lock(QFileInfo(path).dir().filePath(QStringLiteral(".~lock.木材出入库台账.xls#")));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    const QString profile
        = QUrl::fromLocalFile(testOfficeSettings(QStringLiteral("office"), nullptr).profileFolder)
              .toString(QUrl::FullyEncoded);
    lock.write(
        (QStringLiteral(",root,host,01.01.2026 08:00,") + profile + QStringLiteral(";")).toUtf8());
    lock.close();

    RecordingPrompts prompts;
    StockPosting stockIn(*m_office, path, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("柞木")); }), 6);
    QCOMPARE(prompts.messages.last(), QStringLiteral("保存成功"));
}

void TestLibreOffice::emptyStaleLockIsOverridden()
{
    const QString path = copyLedger();
    // What an office killed while it made its lock leaves behind.
    QFile lock(QFileInfo(path).dir().filePath(QStringLiteral(".~lock.木材出入库台账.xls#")));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    QVERIFY(lock.setFileTime(
        QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    lock.close();

    RecordingPrompts prompts;
    StockPosting stockIn(*m_office, path, StockPosting::Sheet::StockIn, prompts);
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("柞木")); }), 6);
    QCOMPARE(prompts.messages.last(), QStringLiteral("保存成功"));
}

void TestLibreOffice::damagedWorkbookIsReportedAndLeftAsItWas_data()
{
    QTest::addColumn<int>("damage");
    QTest::newRow("truncated to its first 4 KiB") << 0;
    QTest::newRow("replaced by random bytes") << 1;
    QTest::newRow("emptied") << 2;
}

void TestLibreOffice::damagedWorkbookIsReportedAndLeftAsItWas()
{
    QFETCH(int, damage);
    const QString path = copyLedger();
    QByteArray bytes = fileBytes(path);
    if (damage == 0)
        bytes.truncate(4096);
    else if (damage == 1)
        for (char& byte : bytes)
            byte = char(QRandomGenerator::global()->bounded(256));
    else
        bytes.clear();
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    RecordingPrompts prompts;
    StockPosting stockIn(*m_office, path, StockPosting::Sheet::StockIn, prompts);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("红松")); }), 0);
    QVERIFY(clock.elapsed() < 70000);
    QVERIFY2(prompts.messages.last().contains(QStringLiteral("木材出入库台账.xls")),
        qPrintable(prompts.messages.last()));
    QCOMPARE(fileBytes(path), bytes);

    // The office still serves the next command.
    QCOMPARE(loadSpeciesList(*m_office, copyLedgerAs(QStringLiteral("good"))).size(), 8);
}

void TestLibreOffice::hungOfficeEndsAtTheDeadline()
{
    const QString path = copyLedger();
    OfficeSettings settings = testOfficeSettings(QStringLiteral("hung"), nullptr);
    settings.passSeconds = 3;
    LibreOfficeSpreadsheet office(settings);
    office.warmUp();
    QVERIFY(QProcess::execute(QStringLiteral("kill"),
                { QStringLiteral("-STOP"), QString::number(office.officePid()) })
        == 0);

    RecordingPrompts prompts;
    StockPosting stockIn(office, path, StockPosting::Sheet::StockIn, prompts);
    QElapsedTimer clock;
    clock.start();
    // The deadline ends the hung pass; the restart posts with a new office.
    QCOMPARE(stockIn.press([] { return sampleFields(QStringLiteral("水曲柳")); }), 6);
    QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(prompts.messages.last(), QStringLiteral("保存成功"));
    auto book = office.open(path);
    QCOMPARE(book->sheetAt(1).shownText(6, 2), QStringLiteral("水曲柳"));
    QCOMPARE(book->sheetAt(1).shownText(7, 2), QString());
}

QTEST_GUILESS_MAIN(TestLibreOffice)
#include "test_libreoffice.moc"
