// The history as the tally window keeps it, on the real office: every
// completed posting and bill is recorded whole, a bill of the past prints
// again as it was, and a history that cannot be written never stops or
// undoes a posting.

#include "fault_fixture.h"
#include "history/history_recorder.h"
#include "history/load_query.h"
#include "history/sqlite_history_store.h"
#include "history_window/history.h"
#include "records/libreoffice/libreoffice_spreadsheet.h"

#include <QCompleter>
#include <QPushButton>
#include <QStringListModel>
#include <QTableView>

#include <QProcess>
#include <QSqlQuery>
#include <QStorageInfo>

namespace {

QVector<LoadRecord> recordedLoads(const QString& historyFolder)
{
    SqliteHistoryStore store(historyDatabasePath(historyFolder));
    QVector<LoadRecord> loads;
    QSqlQuery ids(store.database());
    ids.exec(QStringLiteral("SELECT id FROM loads ORDER BY id"));
    while (ids.next())
        loads << **store.loadById(ids.value(0).toLongLong());
    return loads;
}

// The cells of the live bill an export writes, with its date and number.
QStringList billOnFile(Spreadsheet& office, const QString& bill, const Tally& fields)
{
    auto book = office.open(bill);
    Worksheet& sheet = book->sheetNamed(billSheetName());
    QStringList cells { sheet.shownText(2, 1), sheet.shownText(2, 7) };
    for (const BillCell& cell : billCells(fields))
        cells << sheet.shownText(cell.row, cell.column);
    book->close();
    return cells;
}

// Another program holding the database's write lock while it lives.
class LockingProgram {
public:
    explicit LockingProgram(const QString& database)
    {
        m_sqlite.setProgram(QStringLiteral("sqlite3"));
        m_sqlite.setArguments({ QStringLiteral("-cmd"), QStringLiteral("BEGIN EXCLUSIVE;"),
            QStringLiteral("-cmd"), QStringLiteral(".print locked"), database });
        m_sqlite.start();
        m_sqlite.waitForReadyRead(30000);
        m_locked = m_sqlite.readAll().contains("locked");
    }
    ~LockingProgram()
    {
        m_sqlite.closeWriteChannel();
        m_sqlite.waitForFinished(30000);
    }
    bool locked() const { return m_locked; }

private:
    QProcess m_sqlite;
    bool m_locked = false;
};

} // namespace

class TestHistoryRecords : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void postingsAndBillsAreRecordedWhole();
    void billOfThePastPrintsAgainAsItWas();
    void loadComesBackIntoTheSheetForEditing();
    void historyWindowServesTheTally();
    void handEditedHistoryKeepsTheNamesOfferedShort();
    void failingHistoryNeverStopsAPosting_data();
    void failingHistoryNeverStopsAPosting();
    void fullDiskLeavesNothingHalfWritten();

private:
    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
    QStringList m_shown;
};

void TestHistoryRecords::initTestCase()
{
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("history"), &m_shown));
    m_office->warmUp();
}

void TestHistoryRecords::cleanupTestCase()
{
    m_office.reset();
}

void TestHistoryRecords::postingsAndBillsAreRecordedWhole()
{
    QTemporaryDir history;
    FaultTally tally(*m_office, QDir::tempPath(), history.path());
    tally.typeLoad();
    const TallyFields& f = tally.window()->fields();
    f.text17->setText(QStringLiteral("青山木业, \"总厂\""));
    f.text22->setText(QStringLiteral("闽A·12345"));
    f.text25->setText(QStringLiteral("王五"));
    tally.window()->runRecalculationTick();
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    {
        TestAnswers answers;
        answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok,
            MessageAnswer::Ok, MessageAnswer::Ok });
        tally.click(stockIn);
        tally.click(stockOut);
        tally.click(printBill);
        QCOMPARE(answers.texts(),
            QStringList(
                { postingReminder, "保存成功", postingReminder, "保存成功", billReminder }));
    }
    const QVector<LoadRecord> loads = recordedLoads(history.path());
    QCOMPARE(loads.size(), 3);
    QCOMPARE(loads[0].kind, LoadKind::StockIn);
    QCOMPARE(loads[1].kind, LoadKind::StockOut);
    QCOMPARE(loads[2].kind, LoadKind::Bill);
    QCOMPARE(loads[2].billNumber, BillNumber({ QDate::currentDate(), 1 }).text());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(tally.archivedBills(1).first()), 60000);
    for (const LoadRecord& load : loads) {
        QVERIFY(load.recordedAt >= before && load.recordedAt <= QDateTime::currentDateTime());
        QCOMPARE(load.tally.species, QStringLiteral("红松"));
        QCOMPARE(load.tally.captions[Tally::Buyer].value, f.text17->text());
        QCOMPARE(load.tally.captions[Tally::Buyer].caption, f.combo4->currentText());
        QCOMPARE(load.tally.captions[Tally::Truck].value, f.text22->text());
        QCOMPARE(load.tally.scaler, QStringLiteral("王五"));
        QCOMPARE(load.tally.lengths[0], QStringLiteral("4"));
        for (int row = 1; row <= TallyFields::rowCount; ++row)
            for (int element = 0; element < TallyFields::rowElements; ++element)
                QCOMPARE(load.tally.grid[row - 1][element], f.cell(row, element)->text());
        QCOMPARE(load.tally.groupVolumes[3], f.text18[3]->text());
        QCOMPARE(load.tally.groupAmounts[3], f.text28[3]->text());
        QCOMPARE(load.volumeE4(),
            TenThousandths::parseFigure(f.text18[3]->text()).value_or(TenThousandths()).units());
        QCOMPARE(load.piecesE4(), 80000);
    }
    // The names typed are offered the next time.
    QTemporaryDir again;
    TallyProgram nextProgram(
        { tally.folder(), tally.folder(), QString(), history.path(), QString() }, *m_office);
    Form1& next = nextProgram.window();
    QCompleter* buyers = next.fields().text17->completer();
    QVERIFY(buyers);
    QCOMPARE(next.fields().text17->text(), QString());
    buyers->setCompletionPrefix(QStringLiteral("青山"));
    QCOMPARE(buyers->currentCompletion(), f.text17->text());
}

// The bill printed again from the history has every cell of the first one,
// its date and number too, and adds no record.
void TestHistoryRecords::billOfThePastPrintsAgainAsItWas()
{
    QTemporaryDir history;
    FaultTally tally(*m_office, QDir::tempPath(), history.path());
    tally.typeLoad();
    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok); // the first bill's reminder
    tally.click(printBill);
    const LoadRecord first = recordedLoads(history.path()).first();
    const Tally firstFields = first.tally;
    const QStringList firstBill = billOnFile(*m_office, tally.bill(), firstFields);
    QCOMPARE(firstBill.at(1), QStringLiteral("编号：%1").arg(first.billNumber));

    // Another bill takes the workbook's place.
    const TallyFields& f = tally.window()->fields();
    f.cell(3, 1)->setText(QStringLiteral("7"));
    f.combo3->setEditText(QStringLiteral("落叶松"));
    tally.window()->runRecalculationTick();
    tally.click(printBill);
    QVERIFY(billOnFile(*m_office, tally.bill(), firstFields) != firstBill);

    QVERIFY(tally.program().commands().reprintBill(first));
    QCOMPARE(billOnFile(*m_office, tally.bill(), firstFields), firstBill);
    QCOMPARE(recordedLoads(history.path()).size(), 2);
    QCOMPARE(tally.window()->fields().combo3->currentText(), QStringLiteral("落叶松"));

    LoadRecord posting = first;
    posting.kind = LoadKind::StockIn;
    posting.billNumber.clear();
    answers.setNextAnswer(MessageAnswer::Ok);
    QVERIFY(!tally.program().commands().reprintBill(posting));
    QVERIFY(lastMessage(answers).contains(QStringLiteral("不是账单")));
}

void TestHistoryRecords::loadComesBackIntoTheSheetForEditing()
{
    QTemporaryDir history;
    FaultTally tally(*m_office, QDir::tempPath(), history.path());
    tally.typeLoad();
    const TallyFields& f = tally.window()->fields();
    f.text20->setText(QStringLiteral("供方"));
    tally.window()->runRecalculationTick();
    const QMap<QString, QString> posted = tallyOnScreen(tally.window());
    TestAnswers answers;
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
    tally.click(stockIn);
    const LoadRecord load = recordedLoads(history.path()).first();

    // A sheet with data asks first; 否 leaves it.
    f.lengths[0]->setText(QStringLiteral("6"));
    answers.setNextAnswer(MessageAnswer::No);
    QVERIFY(!tally.window()->openLoadIntoTally(load));
    QVERIFY(lastMessage(answers).contains(QStringLiteral("替换")));
    QCOMPARE(f.lengths[0]->text(), QStringLiteral("6"));

    answers.setNextAnswer(MessageAnswer::Yes);
    QVERIFY(tally.window()->openLoadIntoTally(load));
    tally.window()->runRecalculationTick();
    QCOMPARE(tallyOnScreen(tally.window()), posted);
}

// Ctrl+H and the link open one history window; it shows each load as it is
// recorded, and its rows come back into the sheet or print again.
void TestHistoryRecords::historyWindowServesTheTally()
{
    QTemporaryDir history;
    FaultTally tally(*m_office, QDir::tempPath(), history.path());
    tally.typeLoad();
    TestAnswers answers;
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
    tally.click(stockIn);
    const QMap<QString, QString> posted = tallyOnScreen(tally.window());

    tally.window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(tally.window()));
    tally.window()->fields().lengths[0]->setFocus();
    QTest::keyClick(tally.window()->fields().lengths[0], Qt::Key_H, Qt::ControlModifier);
    History* window = tally.program().history()->openedWindow();
    QVERIFY(window);
    QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 5000);
    QCOMPARE(tally.window()->fields().lengths[0]->text(), QStringLiteral("4"));
    auto* table = window->findChild<QTableView*>(QStringLiteral("loadsTable"));
    QCOMPARE(table->model()->rowCount(), 1);

    window->hide();
    QTest::mouseClick(
        tally.window()->findChild<QWidget*>(QStringLiteral("Label24")), Qt::LeftButton);
    QCOMPARE(tally.program().history()->openedWindow(), window);
    QVERIFY(window->isVisible());

    answers.setNextAnswer(MessageAnswer::Ok); // the first bill's reminder
    tally.click(printBill);
    QTRY_COMPARE_WITH_TIMEOUT(table->model()->rowCount(), 2, 5000);
    // Newest first: the bill, then the stock in.
    table->selectRow(0);
    QVERIFY(window->findChild<QPushButton*>(QStringLiteral("reprintButton"))->isEnabled());
    QTest::mouseClick(
        window->findChild<QPushButton*>(QStringLiteral("reprintButton")), Qt::LeftButton);
    QCOMPARE(recordedLoads(history.path()).size(), 2);
    QCOMPARE(tally.window()->fields().lengths[0]->text(), QStringLiteral("4"));

    tally.window()->fields().cell(2, 1)->setText(QStringLiteral("9"));
    const QRect second = table->visualRect(table->model()->index(1, 0));
    answers.setNextAnswer(MessageAnswer::Yes);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, second.center());
    QVERIFY2(lastMessage(answers).contains(QStringLiteral("替换")),
        qPrintable(answers.texts().join(u'|')));
    tally.window()->runRecalculationTick();
    QCOMPARE(tallyOnScreen(tally.window()), posted);
}

// A history edited by hand with a buyer of 10 MB as its newest load: the
// names offered to 购货单位 stay short and few, so typing there never waits
// on them (timed in bench/), and a long name typed is not offered later.
void TestHistoryRecords::handEditedHistoryKeepsTheNamesOfferedShort()
{
    QTemporaryDir history;
    FaultTally first(*m_office, QDir::tempPath(), history.path());
    first.typeLoad();
    const TallyFields& f = first.window()->fields();
    f.text17->setText(QStringLiteral("青山木业"));
    TestAnswers answers;
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok });
    first.click(stockIn);
    // The field keeps a name to the length the yard's server takes.
    f.text17->setText(QStringLiteral("木").repeated(listedNameLength + 1));
    QCOMPARE(f.text17->text(), QStringLiteral("木").repeated(fieldTextLength));
    first.click(stockIn);
    QCOMPARE(answers.texts(), QStringList({ postingReminder, "保存成功", "保存成功" }));
    auto offered = [](const TallyField* field) {
        QStringList names
            = qobject_cast<QStringListModel*>(field->completer()->model())->stringList();
        names.sort();
        return names;
    };
    QCOMPARE(offered(f.text17),
        (QStringList {
            QStringLiteral("木").repeated(fieldTextLength), QStringLiteral("青山木业") }));
    {
        SqliteHistoryStore store(historyDatabasePath(history.path()));
        QSqlQuery edit(store.database());
        QVERIFY(edit.prepare(QStringLiteral("UPDATE loads SET buyer = ? WHERE id = 2")));
        edit.addBindValue(QStringLiteral("木材公司").repeated(900000));
        QVERIFY(edit.exec());
    }
    TallyProgram next(
        { first.folder(), first.folder(), QString(), history.path(), QString() }, *m_office);
    TallyField* buyer = next.window().fields().text17;
    next.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&next.window()));
    buyer->setFocus();
    // As an input method hands a character over.
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("木"));
    QApplication::sendEvent(buyer, &typed);
    QCompleter* names = buyer->completer();
    QCOMPARE(names->completionCount(), 1);
    QCOMPARE(names->currentCompletion(), QStringLiteral("青山木业"));
    QCOMPARE(offered(buyer), QStringList { QStringLiteral("青山木业") });
}

void TestHistoryRecords::failingHistoryNeverStopsAPosting_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("cause");
    QTest::newRow("locked by another program") << "locked"
                                               << "正被其他程序占用";
    QTest::newRow("damaged file") << "damaged"
                                  << "已损坏";
}

void TestHistoryRecords::failingHistoryNeverStopsAPosting()
{
    QFETCH(QString, failure);
    QFETCH(QString, cause);
    QTemporaryDir history;
    const QString database = historyDatabasePath(history.path());
    {
        SqliteHistoryStore made(database);
    }
    QByteArray damagedBytes;
    if (failure == QStringLiteral("damaged")) {
        QFile file(database);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damagedBytes = QByteArray("这不是数据库").repeated(400);
        file.write(damagedBytes);
    }
    auto tally = std::make_unique<FaultTally>(*m_office, QDir::tempPath(), history.path());
    tally->typeLoad();
    const QMap<QString, QString> onScreen = tallyOnScreen(tally->window());
    {
        std::unique_ptr<LockingProgram> lock;
        if (failure == QStringLiteral("locked")) {
            lock = std::make_unique<LockingProgram>(database);
            QVERIFY(lock->locked());
        }
        TestAnswers answers;
        answers.answerEvery(QStringLiteral("保存成功"), MessageAnswer::Ok);
        // the first press's reminder, then why it failed
        answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
        const qint64 held = tally->click(stockIn);
        QCOMPARE(postedSpecies(*m_office, tally->ledger()), QStringList { QStringLiteral("红松") });
        QVERIFY2(lastMessage(answers).startsWith(QStringLiteral("已入库，但历史记录没有保存：")),
            qPrintable(lastMessage(answers)));
        QVERIFY2(lastMessage(answers).contains(cause), qPrintable(lastMessage(answers)));
        QVERIFY(lastMessage(answers).contains(QDir::toNativeSeparators(database)));
        QVERIFY(held < 30000);
        QCOMPARE(tallyOnScreen(tally->window()), onScreen);
        if (!damagedBytes.isEmpty())
            QCOMPARE(fileBytes(database), damagedBytes);
    }
    QVERIFY(QFile::exists(waitingLoadsPath(history.path())));

    // The next start says it again while the cause lasts.
    if (failure == QStringLiteral("damaged")) {
        TestAnswers answers;
        answers.setNextAnswer(MessageAnswer::Ok);
        TallyProgram next(
            { tally->folder(), tally->folder(), QString(), history.path(), QString() }, *m_office);
        QTRY_VERIFY_WITH_TIMEOUT(!answers.shown.isEmpty(), 30000);
        QVERIFY2(
            answers.texts().first().startsWith(QStringLiteral("有 1 车的历史记录还没有保存：")),
            qPrintable(answers.texts().first()));
        QFile::remove(database);
    }

    // With the cause gone, the waiting load is stored first, then the next.
    tally->window()->fields().combo3->setEditText(QStringLiteral("樟子松"));
    tally->window()->runRecalculationTick();
    {
        TestAnswers answers;
        answers.setNextAnswer(MessageAnswer::Ok);
        tally->click(stockIn);
        QCOMPARE(answers.texts(), QStringList { QStringLiteral("保存成功") });
    }
    const QVector<LoadRecord> loads = recordedLoads(history.path());
    QCOMPARE(loads.size(), 2);
    QCOMPARE(loads[0].tally.species, QStringLiteral("红松"));
    QCOMPARE(loads[1].tally.species, QStringLiteral("樟子松"));
    QVERIFY(!QFile::exists(waitingLoadsPath(history.path())));
}

// On a disk with no room, the store keeps what it had and reads back
// sound; the load is stored once there is room again.
void TestHistoryRecords::fullDiskLeavesNothingHalfWritten()
{
    if (::geteuid() != 0)
        QSKIP("a disk of its own needs root to mount");
    SmallDisk disk(2 * 1024 * 1024);
    QVERIFY(disk.mounted());
    const QString history = disk.path();
    const QString database = historyDatabasePath(history);
    {
        SqliteHistoryStore made(database);
    }

    auto tally = std::make_unique<FaultTally>(*m_office, QDir::tempPath(), history);
    tally->typeLoad();
    disk.fillLeaving(0);
    {
        TestAnswers answers;
        answers.answerEvery(QStringLiteral("保存成功"), MessageAnswer::Ok);
        // the first press's reminder, then why it failed
        answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
        tally->click(stockIn);
        QCOMPARE(postedSpecies(*m_office, tally->ledger()).size(), 1);
        QVERIFY2(lastMessage(answers).contains(QStringLiteral("磁盘已满")),
            qPrintable(lastMessage(answers)));
        // Kept in its file if that still fitted, else said so.
        const bool kept = QFile::exists(waitingLoadsPath(history));
        QVERIFY2(lastMessage(answers).contains(
                     kept ? QStringLiteral("下次启动时会再试") : QStringLiteral("腾出磁盘空间")),
            qPrintable(lastMessage(answers)));
    }
    disk.makeRoom();
    {
        SqliteHistoryStore check(database);
        QSqlQuery integrity(check.database());
        QVERIFY(integrity.exec(QStringLiteral("PRAGMA integrity_check")) && integrity.next());
        QCOMPARE(integrity.value(0).toString(), QStringLiteral("ok"));
        QCOMPARE(*check.totals(LoadFilter()), KindTotals {});
    }
    {
        TestAnswers answers;
        answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
        tally->click(stockOut);
        QCOMPARE(answers.texts(), QStringList({ postingReminder, "保存成功" }));
    }
    const QVector<LoadRecord> loads = recordedLoads(history);
    QCOMPARE(loads.size(), 2);
    QCOMPARE(loads[0].kind, LoadKind::StockIn);
    QCOMPARE(loads[1].kind, LoadKind::StockOut);
}

QTEST_MAIN(TestHistoryRecords)
#include "test_history_records.moc"
