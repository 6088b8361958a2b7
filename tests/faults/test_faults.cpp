#include "fault_fixture.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <csignal>
#include <sys/stat.h>

namespace {

// A flat OpenDocument spreadsheet whose sheet shows a picture linked from
// the address given, of a size the office learns only by fetching it.
QByteArray linkedPictureDocument(const QString& address)
{
    return QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
        " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
        " xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\""
        " xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\""
        " xmlns:xlink=\"http://www.w3.org/1999/xlink\" office:version=\"1.3\""
        " office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
        "<office:body><office:spreadsheet><table:table table:name=\"入库\"><table:shapes>"
        "<draw:frame svg:x=\"1cm\" svg:y=\"1cm\"><draw:image xlink:href=\"%1\" "
        "xlink:type=\"simple\""
        " xlink:show=\"embed\" xlink:actuate=\"onLoad\"/></draw:frame></table:shapes>"
        "<table:table-row><table:table-cell/></table:table-row></table:table>"
        "</office:spreadsheet></office:body></office:document>\n")
        .arg(address)
        .toUtf8();
}

// Writes `bytes` over the file, keeping its name.
void overwrite(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

} // namespace

// The whole program's commands against a real office and real files, each
// with something broken.
class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void missingOfficeIsReported();
    void killedOfficeIsReplaced_data();
    void killedOfficeIsReplaced();
    void hungOfficeEndsAtItsDeadline_data();
    void hungOfficeEndsAtItsDeadline();
    void freshProfileIsStartedAgain();
    void brokenWorkbookIsReported_data();
    void brokenWorkbookIsReported();
    void lockedWorkbookIsReported_data();
    void lockedWorkbookIsReported();
    void quickPressesPostOneRowEach();
    void specialFileAtTheJournalLeavesNoOfficeBehind_data();
    void specialFileAtTheJournalLeavesNoOfficeBehind();

private:
    void replaceWorkbook(const QString& path, const QString& damage);
    QProcess* openInUsersOwnOffice(const QString& path);

    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QStringList m_shown;
    QTemporaryDir m_samples; // workbooks of the wrong kind, made once
    QTcpServer m_pictures; // where a workbook's linked picture would be fetched
};

void TestFaults::initTestCase()
{
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("faults"), &m_shown));
    m_office->warmUp();
    QVERIFY(m_pictures.listen(QHostAddress::LocalHost));
    // An OpenDocument ledger, and one-sheet workbooks with the right names.
    const QString samples = m_samples.path();
    QVERIFY(QDir(samples).mkdir(QStringLiteral("ods")));
    QVERIFY(QProcess::execute(QStringLiteral("soffice"),
                { QStringLiteral("--headless"), QStringLiteral("--norestore"),
                    QStringLiteral("-env:UserInstallation=file://%1/convert-profile").arg(samples),
                    QStringLiteral("--convert-to"), QStringLiteral("ods"),
                    QStringLiteral("--outdir"), samples + QStringLiteral("/ods"),
                    shippedWorkbook(QStringLiteral("木材出入库台账.xls")) })
        == 0);
    QVERIFY(QDir(samples).mkdir(QStringLiteral("one-sheet")));
    for (const char* name : { "木材出入库台账.xls", "木材账单.xls" })
        QVERIFY(!oneSheetWorkbook(samples + QStringLiteral("/one-sheet"), QString::fromUtf8(name))
                     .isEmpty());
}

void TestFaults::cleanupTestCase()
{
    m_office.reset();
    QCOMPARE(LibreOfficeSpreadsheet::officeProcessesOn(
                 testOfficeSettings(QStringLiteral("faults"), nullptr).profileFolder),
        0);
}

void TestFaults::missingOfficeIsReported()
{
    OfficeSettings settings = testOfficeSettings(QStringLiteral("missing"), nullptr);
    settings.programFolder = QStringLiteral("/nowhere/libreoffice/program");
    LibreOfficeSpreadsheet missing(settings);
    TestAnswers answers;
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok,
        MessageAnswer::Ok, MessageAnswer::Ok });
    FaultTally tally(missing);
    QTRY_COMPARE(answers.shown.size(), 1);
    QVERIFY2(
        lastMessage(answers).startsWith(QStringLiteral("树种列表无法读取：找不到电子表格程序")),
        qPrintable(lastMessage(answers)));
    tally.typeLoad();
    const auto screen = tallyOnScreen(tally.window());
    const QByteArray ledger = fileBytes(tally.ledger());
    const QByteArray bill = fileBytes(tally.bill());

    tally.click(stockIn);
    QVERIFY2(lastMessage(answers).startsWith(QStringLiteral("找不到电子表格程序")),
        qPrintable(lastMessage(answers)));
    tally.click(printBill);
    QVERIFY2(lastMessage(answers).startsWith(QStringLiteral("账单没有导出：找不到电子表格程序")),
        qPrintable(lastMessage(answers)));
    QCOMPARE(tallyOnScreen(tally.window()), screen);
    QCOMPARE(fileBytes(tally.ledger()), ledger);
    QCOMPARE(fileBytes(tally.bill()), bill);
}

void TestFaults::killedOfficeIsReplaced_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<int>("delayMs");
    // The bill's writing pass lasts about 20 ms on a quick machine: its
    // latest kill must still fall inside it.
    const int stockInDelays[] = { 0, 15, 40 };
    const int printBillDelays[] = { 0, 5, 10 };
    for (int i = 0; i < 3; ++i) {
        QTest::addRow("stock in, killed %d ms into the pass", stockInDelays[i])
            << QByteArray(stockIn) << stockInDelays[i];
        QTest::addRow("print bill, killed %d ms into the pass", printBillDelays[i])
            << QByteArray(printBill) << printBillDelays[i];
    }
}

void TestFaults::killedOfficeIsReplaced()
{
    QFETCH(QByteArray, button);
    QFETCH(int, delayMs);
    TestAnswers answers;
    FaultTally tally(*m_office);
    tally.typeLoad();
    const auto screen = tallyOnScreen(tally.window());
    const bool posting = button == stockIn;
    const QString workbook = posting ? tally.ledger() : tally.bill();
    const qint64 killed = m_office->officePid();
    m_shown.clear();

    // How many presses it takes depends on when the kill lands; a press
    // again asks whether the same load is to go in again.
    answers.answerEvery(QStringLiteral("保存成功"), MessageAnswer::Ok);
    answers.answerEvery(QStringLiteral("这车已经入库"), MessageAnswer::Yes);
    answers.setNextAnswer(MessageAnswer::Ok); // the first press's reminder
    const auto pressed
        = tally.clickSignallingOffice(button.constData(), killed, workbook, SIGKILL, delayMs);
    QVERIFY2(pressed.presses > 0, "the office was never killed in a pass");
    QVERIFY(pressed.heldMs < 90000);

    // Whenever the kill came, every press went through exactly once.
    if (posting) {
        QCOMPARE(answers.texts().count(QStringLiteral("保存成功")), pressed.presses);
        QCOMPARE(postedSpecies(*m_office, tally.ledger()),
            QStringList(pressed.presses, QStringLiteral("红松")));
    } else {
        QCOMPARE(answers.texts(), QStringList { billReminder });
        // The press returns once the bill is saved; its copies follow.
        QTRY_COMPARE_WITH_TIMEOUT(
            tally.previewedBills(), tally.archivedBills(pressed.presses), 60000);
        auto book = m_office->open(tally.bill());
        QCOMPARE(book->sheetAt(1).valueText(5, 2), QStringLiteral("4"));
        QCOMPARE(book->sheetAt(1).valueText(11, 2), QStringLiteral("5"));
    }
    QCOMPARE(tallyOnScreen(tally.window()), screen);
    // The next command finds a new office and no lock of the killed one.
    QVERIFY(m_office->officePid() != killed);
    if (!posting)
        answers.setNextAnswer(MessageAnswer::Ok); // the first posting's reminder
    tally.click(stockIn);
    QCOMPARE(lastMessage(answers), QStringLiteral("保存成功"));
    QCOMPARE(postedSpecies(*m_office, tally.ledger()).size(), posting ? pressed.presses + 1 : 1);
    QVERIFY(!QFile::exists(FaultTally::lockFileOf(workbook)));
    QCOMPARE(m_office->officeProcessCount(), 1);
}

void TestFaults::hungOfficeEndsAtItsDeadline_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::newRow("stock in") << QByteArray(stockIn);
    QTest::newRow("print bill") << QByteArray(printBill);
}

void TestFaults::hungOfficeEndsAtItsDeadline()
{
    QFETCH(QByteArray, button);
    OfficeSettings settings = testOfficeSettings(QStringLiteral("faults-hung"), nullptr);
    settings.passSeconds = 3;
    LibreOfficeSpreadsheet office(settings);
    office.warmUp();
    TestAnswers answers;
    FaultTally tally(office);
    tally.typeLoad();
    const auto screen = tallyOnScreen(tally.window());
    const bool posting = button == stockIn;
    const qint64 stopped = office.officePid();

    answers.answerEvery(QStringLiteral("保存成功"), MessageAnswer::Ok);
    answers.answerEvery(QStringLiteral("这车已经入库"), MessageAnswer::Yes);
    answers.setNextAnswer(MessageAnswer::Ok); // the first press's reminder
    const auto pressed = tally.clickSignallingOffice(
        button.constData(), stopped, posting ? tally.ledger() : tally.bill(), SIGSTOP, 0);
    QVERIFY2(pressed.presses > 0, "the office was never stopped in a pass");
    // The stopped pass ends at its 3 s deadline; a new office then does it.
    qInfo("window held for %lld ms", pressed.heldMs);
    QVERIFY2(pressed.heldMs < 3000 + 15000, qPrintable(QString::number(pressed.heldMs)));
    QVERIFY(office.officePid() != stopped);
    QCOMPARE(office.officeProcessCount(), 1);
    if (posting) {
        QCOMPARE(answers.texts().count(QStringLiteral("保存成功")), pressed.presses);
        QCOMPARE(postedSpecies(office, tally.ledger()),
            QStringList(pressed.presses, QStringLiteral("红松")));
    } else {
        auto book = office.open(tally.bill());
        QCOMPARE(book->sheetAt(1).valueText(11, 2), QStringLiteral("5"));
    }
    QCOMPARE(tallyOnScreen(tally.window()), screen);
}

void TestFaults::freshProfileIsStartedAgain()
{
    QTemporaryDir profile;
    OfficeSettings settings = testOfficeSettings(QStringLiteral("fresh"), nullptr);
    settings.profileFolder = profile.filePath(QStringLiteral("office-profile"));
    {
        LibreOfficeSpreadsheet fresh(settings);
        TestAnswers answers;
        FaultTally tally(fresh);
        tally.typeLoad();
        answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
        tally.click(stockIn);
        QCOMPARE(answers.texts(), QStringList({ postingReminder, "保存成功" }));
        QCOMPARE(postedSpecies(fresh, tally.ledger()), QStringList({ "红松" }));
    }
    QCOMPARE(LibreOfficeSpreadsheet::officeProcessesOn(settings.profileFolder), 0);
}

void TestFaults::brokenWorkbookIsReported_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("cause");
    const QList<QPair<QString, QString>> damages = {
        { "missing", "找不到工作簿" },
        { "truncated", "已损坏或不是 Excel 97 工作簿" },
        { "random bytes", "已损坏或不是 Excel 97 工作簿" },
        { "OpenDocument under the .xls name", "已损坏或不是 Excel 97 工作簿" },
        { "flat OpenDocument with a linked picture under the .xls name",
            "已损坏或不是 Excel 97 工作簿" },
        { "sheet missing", "中没有工作表" },
    };
    for (const auto& [damage, cause] : damages) {
        // Stock in posts to the first sheet, which every workbook has.
        const char* posting = damage == QLatin1String("sheet missing") ? stockOut : stockIn;
        QTest::addRow("ledger %s", qPrintable(damage)) << QByteArray(posting) << damage << cause;
        QTest::addRow("bill %s", qPrintable(damage)) << QByteArray(printBill) << damage << cause;
    }
}

void TestFaults::replaceWorkbook(const QString& path, const QString& damage)
{
    QByteArray bytes = fileBytes(path);
    if (damage == QLatin1String("missing")) {
        QFile::remove(path);
        return;
    }
    if (damage == QLatin1String("truncated"))
        bytes.truncate(bytes.size() / 3);
    else if (damage == QLatin1String("random bytes"))
        for (char& byte : bytes)
            byte = char(QRandomGenerator::global()->bounded(256));
    else if (damage == QLatin1String("sheet missing"))
        bytes = fileBytes(
            m_samples.filePath(QStringLiteral("one-sheet/") + QFileInfo(path).fileName()));
    else if (damage.contains(QLatin1String("linked picture")))
        bytes = linkedPictureDocument(
            QStringLiteral("http://127.0.0.1:%1/x.png").arg(m_pictures.serverPort()));
    else
        bytes = fileBytes(m_samples.filePath(QStringLiteral("ods/木材出入库台账.ods")));
    overwrite(path, bytes);
}

void TestFaults::brokenWorkbookIsReported()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, damage);
    QFETCH(QString, cause);
    const bool posting = button != printBill;
    TestAnswers answers;
    FaultTally tally(*m_office);
    tally.typeLoad();
    const QString workbook = posting ? tally.ledger() : tally.bill();
    replaceWorkbook(workbook, damage);
    const QByteArray before = fileBytes(workbook);
    const auto screen = tallyOnScreen(tally.window());
    m_shown.clear();

    // the first press's reminder, then why it failed
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
    const qint64 held = tally.click(button.constData());
    QVERIFY2(held < 2 * 30000, qPrintable(QString::number(held)));
    const QString said = lastMessage(answers);
    QCOMPARE(answers.shown.size(), 2);
    QVERIFY2(said.contains(cause), qPrintable(said));
    QVERIFY2(said.contains(QFileInfo(workbook).fileName()), qPrintable(said));
    if (!posting)
        QVERIFY2(said.startsWith(QStringLiteral("账单没有导出：")), qPrintable(said));
    QVERIFY(m_shown.isEmpty());
    QVERIFY(tally.previewedBills().isEmpty());
    QCOMPARE(fileBytes(workbook), before);
    QCOMPARE(QFile::exists(workbook), damage != QLatin1String("missing"));
    QCOMPARE(tallyOnScreen(tally.window()), screen);
    QCOMPARE(m_office->officeProcessCount(), 1);
    // Whatever a workbook links to, no pass goes out for it: a fetch would
    // have been made before the message.
    const bool fetched = m_pictures.hasPendingConnections() || m_pictures.waitForNewConnection(0);
    while (m_pictures.hasPendingConnections())
        delete m_pictures.nextPendingConnection();
    QVERIFY2(!fetched, "the office fetched a linked picture");
}

void TestFaults::lockedWorkbookIsReported_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<bool>("ownWindow");
    QTest::newRow("ledger locked by another user") << QByteArray(stockIn) << false;
    QTest::newRow("bill locked by another user") << QByteArray(printBill) << false;
    QTest::newRow("ledger open in the user's own office") << QByteArray(stockIn) << true;
    QTest::newRow("bill open in the user's own office") << QByteArray(printBill) << true;
}

// The user's desktop LibreOffice with the workbook open for editing, on a
// profile of its own as a desktop office has. Returns once it holds the lock.
QProcess* TestFaults::openInUsersOwnOffice(const QString& path)
{
    const QString profile = testOfficeSettings(QStringLiteral("desktop"), nullptr).profileFolder;
    for (int start = 0; start < 3; ++start) {
        auto* office = new QProcess(this);
        office->start(QStringLiteral("/usr/lib/libreoffice/program/soffice.bin"),
            { QStringLiteral("--headless"), QStringLiteral("--norestore"),
                QStringLiteral("-env:UserInstallation=file://") + profile, path });
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 60000 && office->state() == QProcess::Running
            && !QFile::exists(FaultTally::lockFileOf(path)))
            QTest::qWait(50);
        if (QFile::exists(FaultTally::lockFileOf(path)))
            return office;
        // A fresh profile makes the first start end with code 81.
        office->waitForFinished();
        delete office;
    }
    return nullptr;
}

void TestFaults::lockedWorkbookIsReported()
{
    QFETCH(QByteArray, button);
    QFETCH(bool, ownWindow);
    const bool posting = button == stockIn;
    TestAnswers answers;
    FaultTally tally(*m_office);
    tally.typeLoad();
    const QString workbook = posting ? tally.ledger() : tally.bill();
    const QString lock = FaultTally::lockFileOf(workbook);
    QProcess* usersOffice = nullptr;
    if (ownWindow) {
        usersOffice = openInUsersOwnOffice(workbook);
        QVERIFY(usersOffice);
    } else {
        overwrite(lock,
            QStringLiteral(
                ",李四,yard-office,08.12.2026 07:55,file:///home/lisi/.config/libreoffice/4;")
                .toUtf8());
    }
    const QByteArray before = fileBytes(workbook);
    const auto screen = tallyOnScreen(tally.window());
    m_shown.clear();

    // the first press's reminder, then why it failed
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
    tally.click(button.constData());
    QCOMPARE(answers.shown.size(), 2);
    const QString said = lastMessage(answers);
    QVERIFY2(
        said.contains(QStringLiteral("正被其他程序打开或锁定，请先将其关闭")), qPrintable(said));
    QVERIFY2(said.contains(QFileInfo(workbook).fileName()), qPrintable(said));
    QVERIFY(m_shown.isEmpty());
    QVERIFY(tally.previewedBills().isEmpty());
    QCOMPARE(fileBytes(workbook), before);
    QVERIFY(QFile::exists(lock)); // the other holder's lock is not ours to break
    QCOMPARE(tallyOnScreen(tally.window()), screen);
    QCOMPARE(m_office->officeProcessCount(), 1);

    // Once the holder has let go, the same press goes through.
    if (usersOffice) {
        usersOffice->kill();
        usersOffice->waitForFinished();
    }
    QFile::remove(lock);
    if (posting)
        answers.setNextAnswer(MessageAnswer::Ok);
    tally.click(button.constData());
    if (posting)
        QCOMPARE(postedSpecies(*m_office, tally.ledger()), QStringList({ "红松" }));
    else
        QTRY_COMPARE_WITH_TIMEOUT(tally.previewedBills(), tally.archivedBills(1), 60000);
    QCOMPARE(answers.waitingAnswers(), 0);
}

void TestFaults::quickPressesPostOneRowEach()
{
    TestAnswers answers;
    FaultTally tally(*m_office);
    tally.typeLoad();
    QStringList pressed;
    // A second click that reaches the button while a press's message box is
    // up must not start a press inside the first.
    QWidget* button = tally.window()->findChild<QWidget*>(QString::fromLatin1(stockIn));
    answers.setNextAnswer(MessageAnswer::Ok); // the first press's reminder
    int extraClicks = 0;
    answers.whileShown = [button, &extraClicks](const Message&) {
        if (++extraClicks <= 12)
            QTest::mouseClick(button, Qt::LeftButton);
    };
    QStringList said { postingReminder };
    for (int press = 1; press <= 12; ++press) {
        const QString species = QStringLiteral("红松%1").arg(press);
        tally.window()->fields().combo3->setEditText(species);
        pressed << species;
        // A species the ledger does not list is asked about first.
        answers.setNextAnswers({ MessageAnswer::Yes, MessageAnswer::Ok });
        said << QStringLiteral("树种“%1”不在库存表的树种列表中，库存表不会计入它。仍要入库吗？")
                    .arg(species)
             << QStringLiteral("保存成功");
        tally.click(stockIn);
    }
    QCOMPARE(answers.texts(), said);
    QCOMPARE(postedSpecies(*m_office, tally.ledger()), pressed);
}

// A FIFO at the journal's name blocked the start for ever; a link to
// /dev/zero ate the memory and aborted, leaving the office running. The
// window is up at once and says so, and its office ends with it.
void TestFaults::specialFileAtTheJournalLeavesNoOfficeBehind_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("A FIFO at the journal's name") << "fifo";
    QTest::newRow("A link to /dev/zero at the journal's name") << "zero";
}

void TestFaults::specialFileAtTheJournalLeavesNoOfficeBehind()
{
    QFETCH(QString, entry);
    QTemporaryDir program;
    QTemporaryDir journal;
    for (const QString& path : { ledgerPath(program.path()), billPath(program.path()) })
        QVERIFY(QFile::copy(shippedWorkbook(QFileInfo(path).fileName()), path));
    const QString path = journal.filePath(QStringLiteral("tally-journal.json"));
    if (entry == QStringLiteral("fifo"))
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    else
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    const OfficeSettings settings = testOfficeSettings(QStringLiteral("journal-start"), nullptr);
    auto office = std::make_unique<LibreOfficeSpreadsheet>(settings);

    QElapsedTimer clock;
    clock.start();
    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok);
    auto tally = std::make_unique<TallyProgram>(
        TallyFolders { program.path(), program.path(), journal.path(), QString(), QString() },
        *office);
    tally->window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&tally->window()));
    QTRY_COMPARE_WITH_TIMEOUT(answers.shown.size(), 1, 5000);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(lastMessage(answers).contains(QStringLiteral("不是普通文件")),
        qPrintable(lastMessage(answers)));

    QTRY_VERIFY_WITH_TIMEOUT(tally->commands().speciesListLoaded(), 90000);
    const qint64 pid = office->officePid();
    QVERIFY(pid > 0);
    tally.reset();
    office.reset();
    QCOMPARE(LibreOfficeSpreadsheet::officeProcessesOn(settings.profileFolder), 0);
    QTRY_VERIFY(::kill(pid_t(pid), 0) != 0);
}

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
