#include "app/private_files.h"
#include "fault_fixture.h"
#include "support/event_log.h"
#include "unit_prices/form4.h"
#include "unit_prices/price_files.h"

#include <QDirIterator>
#include <QLabel>
#include <QSignalSpy>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QFileDevice::Permissions readOnly
    = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
constexpr QFileDevice::Permissions readOnlyFolder
    = readOnly | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
constexpr QFileDevice::Permissions writableFolder = readOnlyFolder | QFileDevice::WriteOwner;

} // namespace

// File and folder permissions as an ordinary user meets them. Root ignores
// permissions, so the suite runs as an unprivileged user (run-unprivileged).
class TestPermissions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void readOnlyWorkbookIsReported_data();
    void readOnlyWorkbookIsReported();
    void unreadableWorkbookIsNotCalledDamaged_data();
    void unreadableWorkbookIsNotCalledDamaged();
    void readOnlyProgramFolderIsReported_data();
    void readOnlyProgramFolderIsReported();
    void readOnlyPriceFolderKeepsThePrices();
    void readOnlyBillArchiveStillSavesTheBill();
    void everyFileWrittenIsTheUsersAlone();
    void billArchiveLinkIsNotFollowed();

private:
    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QStringList m_shown;
};

void TestPermissions::initTestCase()
{
    if (geteuid() == 0)
        QSKIP("root ignores permissions: run through run-unprivileged");
    // Started under a common umask; the program's first step, as in main(),
    // before the office is started.
    ::umask(022);
    makeNewFilesPrivate();
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("permissions"), &m_shown));
    m_office->warmUp();
}

void TestPermissions::cleanupTestCase()
{
    m_office.reset();
}

void TestPermissions::readOnlyWorkbookIsReported_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("said");
    QTest::newRow("ledger") << QByteArray("Command5")
                            << "工作簿“木材出入库台账.xls”是只读的，无法写入。";
    QTest::newRow("bill") << QByteArray("Command3")
                          << "账单没有导出：工作簿“木材账单.xls”是只读的，无法写入。";
}

void TestPermissions::readOnlyWorkbookIsReported()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, said);
    FaultTally tally(*m_office);
    tally.typeLoad();
    const QString workbook = button == "Command5" ? tally.ledger() : tally.bill();
    QVERIFY(QFile(workbook).setPermissions(readOnly));
    const auto files = folderBytes(tally.folder());
    const auto screen = tallyOnScreen(tally.window());
    m_shown.clear();

    TestAnswers answers;
    // the first press's reminder, then why it failed
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
    QVERIFY(tally.click(button.constData()) < 60000);
    QCOMPARE(answers.shown.size(), 2);
    QCOMPARE(lastMessage(answers), said);
    QVERIFY(m_shown.isEmpty());
    QCOMPARE(folderBytes(tally.folder()), files);
    QCOMPARE(tallyOnScreen(tally.window()), screen);
    QCOMPARE(m_office->officeProcessCount(), 1);
}

void TestPermissions::unreadableWorkbookIsNotCalledDamaged_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("stock in") << QByteArray("Command5") << QString();
    QTest::newRow("print bill") << QByteArray("Command3") << "账单没有导出：";
}

void TestPermissions::unreadableWorkbookIsNotCalledDamaged()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, prefix);
    FaultTally tally(*m_office);
    tally.typeLoad();
    const QString workbook = button == "Command5" ? tally.ledger() : tally.bill();
    QVERIFY(QFile(workbook).setPermissions(QFileDevice::WriteOwner));
    const auto screen = tallyOnScreen(tally.window());
    m_shown.clear();

    TestAnswers answers;
    // the first press's reminder, then why it failed
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
    QVERIFY(tally.click(button.constData()) < 60000);
    QCOMPARE(answers.shown.size(), 2);
    QCOMPARE(lastMessage(answers),
        prefix
            + QStringLiteral("无法打开文件夹“%1”中的工作簿“%2”：读不到这个文件。")
                  .arg(QDir::toNativeSeparators(tally.folder()), QFileInfo(workbook).fileName()));
    QVERIFY(m_shown.isEmpty());
    QCOMPARE(tallyOnScreen(tally.window()), screen);
    QVERIFY(QFile(workbook).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

void TestPermissions::readOnlyProgramFolderIsReported_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("stock in") << QByteArray("Command5") << QString();
    QTest::newRow("print bill") << QByteArray("Command3") << "账单没有导出：";
}

void TestPermissions::readOnlyProgramFolderIsReported()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, prefix);
    FaultTally tally(*m_office);
    tally.typeLoad();
    QVERIFY(QFile(tally.folder()).setPermissions(readOnlyFolder));
    const auto files = folderBytes(tally.folder());
    const auto screen = tallyOnScreen(tally.window());
    m_shown.clear();

    TestAnswers answers;
    // the first press's reminder, then why it failed
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
    QVERIFY(tally.click(button.constData()) < 60000);
    QCOMPARE(answers.shown.size(), 2);
    const QString said = lastMessage(answers);
    QCOMPARE(said,
        prefix
            + QStringLiteral("无法保存到文件夹“%1”：没有写入权限。")
                  .arg(QDir::toNativeSeparators(tally.folder())));
    QVERIFY(m_shown.isEmpty());
    QCOMPARE(folderBytes(tally.folder()), files);
    QCOMPARE(tallyOnScreen(tally.window()), screen);
    QCOMPARE(m_office->officeProcessCount(), 1);

    // Reading needs no write: the species list still comes from the ledger.
    QCOMPARE(loadSpeciesList(*m_office, tally.ledger()).size(), 8);
    QVERIFY(QFile(tally.folder()).setPermissions(writableFolder));
}

void TestPermissions::readOnlyPriceFolderKeepsThePrices()
{
    QTemporaryDir folder;
    for (int group = 0; group < 3; ++group) {
        QFile file(priceFilePath(folder.path(), group));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("350\r\n");
    }
    QVERIFY(QFile(folder.path()).setPermissions(readOnlyFolder));
    const auto files = folderBytes(folder.path());
    Form4 window(folder.path());
    window.show();
    window.findChild<QLineEdit*>(QStringLiteral("Text1(0)"))->setText(QStringLiteral("420"));

    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok);
    QTest::mouseClick(window.findChild<QLabel*>(QStringLiteral("Label3")), Qt::LeftButton);
    QCOMPARE(answers.shown.size(), 1);
    QVERIFY2(lastMessage(answers).contains(QStringLiteral("无法保存单价文件")),
        qPrintable(lastMessage(answers)));
    QVERIFY(window.isVisible());
    QCOMPARE(window.priceText(0), QStringLiteral("420"));
    QCOMPARE(folderBytes(folder.path()), files);
    QVERIFY(QFile(folder.path()).setPermissions(writableFolder));
}

void TestPermissions::readOnlyBillArchiveStillSavesTheBill()
{
    FaultTally tally(*m_office);
    tally.typeLoad();
    const QString archive = billArchiveFolder(tally.folder());
    QVERIFY(QDir().mkpath(archive));
    QVERIFY(QFile(archive).setPermissions(readOnlyFolder));
    m_shown.clear();

    TestAnswers answers;
    // the reminder
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
    QVERIFY(tally.click("Command3") < 60000);
    // Said once the copies failed, after the press.
    QTRY_COMPARE_WITH_TIMEOUT(answers.shown.size(), 2, 60000);
    const QString said = lastMessage(answers);
    QVERIFY2(said.startsWith(QStringLiteral("账单已保存到“%1”，但没有存入账单文件夹“%2”：")
                                 .arg(QDir::toNativeSeparators(tally.bill()),
                                     QDir::toNativeSeparators(archive))),
        qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("没有写入权限")), qPrintable(said));
    QVERIFY(QDir(archive).entryList(QDir::Files).isEmpty());
    // The bill itself was saved, and a copy of it is what the clerk sees.
    auto book = m_office->open(tally.bill());
    QCOMPARE(book->sheetAt(1).valueText(11, 2), QStringLiteral("5"));
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(!m_shown[0].startsWith(tally.folder()));
    QVERIFY(QFile(archive).setPermissions(writableFolder));
}

namespace {

void setMode(const QString& path, mode_t mode)
{
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
}

// Every file and folder under `root` (itself too) whose mode lets anyone
// but the user in, with that mode.
QStringList openToOthers(const QString& root)
{
    QStringList open;
    QStringList paths { root };
    QDirIterator entries(root,
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (entries.hasNext())
        paths << entries.next();
    for (const QString& path : paths) {
        struct stat entry;
        if (::lstat(QFile::encodeName(path).constData(), &entry) != 0 || S_ISLNK(entry.st_mode))
            continue;
        const mode_t expected = S_ISDIR(entry.st_mode) ? 0700 : 0600;
        if ((entry.st_mode & 07777) != expected)
            open << QStringLiteral("%1 %2").arg(path).arg(entry.st_mode & 07777, 0, 8);
    }
    return open;
}

} // namespace

// What an earlier version left readable to others is tightened at start,
// and everything written since, by the program and by its office, is the
// user's alone: workbooks, bill archive and PDF, history with its WAL,
// journal, log, lock, prices, configuration.
void TestPermissions::everyFileWrittenIsTheUsersAlone()
{
    QTemporaryDir program;
    QTemporaryDir data;
    QTemporaryDir config;
    for (const QString& name :
        { QStringLiteral("木材出入库台账.xls"), QStringLiteral("木材账单.xls") })
        QVERIFY(QFile::copy(shippedWorkbook(name), program.filePath(name)));
    const QString archive = billArchiveFolder(program.path());
    QVERIFY(QDir().mkpath(archive));
    QVERIFY(QFile::copy(shippedWorkbook(QStringLiteral("木材账单.xls")),
        QDir(archive).filePath("2026-12-01-001.xls")));
    QVERIFY(QFile(QDir(data.path()).filePath(QStringLiteral("quorvane.log")))
                .open(QIODevice::WriteOnly));
    QVERIFY(QFile(QDir(config.path()).filePath(QStringLiteral("quorvane.ini")))
                .open(QIODevice::WriteOnly));
    QVERIFY(writePriceFiles(config.path(), { "800", "900", "1000" }));
    for (const QString& root : { program.path(), data.path(), config.path() }) {
        QDirIterator entries(
            root, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            const QString path = entries.next();
            setMode(path, QFileInfo(path).isDir() ? 0755 : 0644);
        }
        setMode(root, 0755);
    }
    const TallyFolders folders { program.path(), config.path(), data.path(), data.path(),
        config.path() };
    QVERIFY(tightenPrivateFiles(folders, QString()) >= 10);
    openEventLog(QDir(data.path()).filePath(QStringLiteral("quorvane.log")));
    logEvent(QStringLiteral("file modes checked"));

    TestAnswers answers;
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok });
    auto tally = std::make_unique<TallyProgram>(folders, *m_office);
    QTRY_VERIFY_WITH_TIMEOUT(tally->commands().speciesListLoaded(), 90000);
    QSignalSpy recorded(tally->history(), &HistoryServices::loadRecorded);
    const TallyFields& f = tally->window().fields();
    f.lengths[0]->setText(QStringLiteral("4"));
    f.cell(5, 1)->setText(QStringLiteral("5"));
    f.combo3->setEditText(QStringLiteral("红松"));
    tally->window().runRecalculationTick();
    for (const char* button : { stockIn, printBill })
        QTest::mouseClick(
            tally->window().findChild<QWidget*>(QString::fromLatin1(button)), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(recorded.size(), 2, 60000);
    QCOMPARE(answers.texts(), QStringList({ postingReminder, "保存成功", billReminder }));
    QTRY_VERIFY(
        QFileInfo::exists(QDir(data.path()).filePath(QStringLiteral("tally-journal.json"))));
    QVERIFY(QFileInfo::exists(QDir(data.path()).filePath(QStringLiteral("quorvane.sqlite-wal"))));
    // The bill's copies follow its press; the office holds its lock on the
    // bill till they are made.
    QTRY_COMPARE_WITH_TIMEOUT(QDir(archive).entryList({ "*.pdf" }, QDir::Files).size(), 1, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(QDir(archive).entryList({ "*.xls" }, QDir::Files).size(), 2, 60000);
    QTRY_VERIFY_WITH_TIMEOUT(
        !QFileInfo::exists(FaultTally::lockFileOf(billPath(program.path()))), 60000);
    for (const QString& root : { program.path(), data.path(), config.path() })
        QCOMPARE(openToOthers(root), QStringList());

    tally.reset();
    openEventLog(QString());
    for (const QString& root : { program.path(), data.path(), config.path() })
        QCOMPARE(openToOthers(root), QStringList());
}

// A 账单 that is a link to somewhere else: the start tightens nothing there.
void TestPermissions::billArchiveLinkIsNotFollowed()
{
    QTemporaryDir program;
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath(QStringLiteral("shared.txt"));
    QVERIFY(QFile(outside).open(QIODevice::WriteOnly));
    setMode(outside, 0644);
    setMode(elsewhere.path(), 0755);
    QVERIFY(QFile::link(elsewhere.path(), billArchiveFolder(program.path())));
    const TallyFolders folders { program.path(), QString(), QString(), QString(), QString() };
    tightenPrivateFiles(folders, QString());
    QCOMPARE(QFileInfo(outside).permissions() & QFileDevice::ReadOther, QFileDevice::ReadOther);
    QCOMPARE(
        QFileInfo(elsewhere.path()).permissions() & QFileDevice::ExeOther, QFileDevice::ExeOther);
}

QTEST_MAIN(TestPermissions)
#include "test_permissions.moc"
