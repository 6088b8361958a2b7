#include "journal_test_helpers.h"
#include "tally_window/tally_snapshot.h"

#include "support/regular_file.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <sys/stat.h>

namespace {

const QString restoredText = QStringLiteral("已恢复上次意外退出前的检尺单。");

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a scaler types: diameters and counts, lengths, the bill fields.
Tally sampleState(bool extended)
{
    Tally state;
    for (int row = 0; row < 14; ++row)
        for (int element = 0; element < 12; ++element)
            if (Tally::typedElement(element))
                state.grid[row][element] = element % 3
                    ? QString::number(row * element % 9)
                    : QString::number(2 * row + (extended ? 30 : 4));
    state.lengths = { "6", "4.2", "", "3.8" };
    state.captions[Tally::Buyer]
        = { QStringLiteral("公司名称:"), QStringLiteral("林场 \"东\"\\ 一\t号") };
    state.scaler = QStringLiteral("王检尺");
    state.species = QStringLiteral("红松");
    state.extendedLayout = extended;
    return state;
}

// A journal as the program wrote it when each field had a key of its own.
const char firstFormatJournal[]
    = R"json({"format":1,"clean":false,"tally":{"grid":[["30","0","30","0","30","0","30","0"],["32","1","32","4","32","7","32","1"],["34","2","34","8","34","5","34","2"],["36","3","36","3","36","3","36","3"],["38","4","38","7","38","1","38","4"],["40","5","40","2","40","8","40","5"],["42","6","42","6","42","6","42","6"],["44","7","44","1","44","4","44","7"],["46","8","46","5","46","2","46","8"],["48","0","48","0","48","0","48","0"],["50","1","50","4","50","7","50","1"],["52","2","52","8","52","5","52","2"],["54","3","54","3","54","3","54","3"],["56","4","56","7","56","1","56","4"]],"lengths":["6","4.2","","3.8"],"Text17":"东方林场","Text22":"黑A12345","Text20":"","Text24":"","Text25":"王检尺","Combo1":"联系人","Combo2":"车号","Combo3":"红松","Combo4":"公司名称:","Combo5":"供货单位","layout":"extended"},"beforeClear":{"grid":[["4","0","4","0","4","0","4","0"],["6","1","6","4","6","7","6","1"],["8","2","8","8","8","5","8","2"],["10","3","10","3","10","3","10","3"],["12","4","12","7","12","1","12","4"],["14","5","14","2","14","8","14","5"],["16","6","16","6","16","6","16","6"],["18","7","18","1","18","4","18","7"],["20","8","20","5","20","2","20","8"],["22","0","22","0","22","0","22","0"],["24","1","24","4","24","7","24","1"],["26","2","26","8","26","5","26","2"],["28","3","28","3","28","3","28","3"],["30","4","30","7","30","1","30","4"]],"lengths":["6","4.2","","3.8"],"Text17":"","Text22":"黑A12345","Text20":"","Text24":"","Text25":"王检尺","Combo1":"联系人","Combo2":"车号","Combo3":"红松","Combo4":"公司名称:","Combo5":"供货单位","layout":"standard"}})json";

// A load as a scaler leaves it: counts in every block, texts in the bill
// fields and caption boxes, the species, and the layout asked for.
void typeALoad(const JournalTally& tally, bool extended)
{
    if (extended)
        QTest::mouseClick(tally->findChild<QWidget*>("Label19"), Qt::LeftButton);
    tally.field("Text23")->setText("6");
    tally.field("Text26")->setText("5.5");
    for (int row = 1; row <= 14; row += 3)
        for (int element : { 1, 4, 7, 10 })
            tally.field(QStringLiteral("Text%1(%2)").arg(row).arg(element))
                ->setText(QString::number(row + element));
    tally.field("Text2(0)")->setText("9");
    tally.field("Text17")->setText(QStringLiteral("东方林场"));
    tally.field("Text22")->setText(QStringLiteral("黑A12345"));
    tally.field("Text25")->setText(QStringLiteral("李四"));
    tally.combo("Combo2")->setEditText(QStringLiteral("联系人:"));
    tally.combo("Combo3")->setEditText(QStringLiteral("红松"));
}

} // namespace

class TestTallyJournal : public QObject {
    Q_OBJECT

private slots:
    void recordsReadBackAsWritten_data();
    void recordsReadBackAsWritten();
    void aFirstFormatJournalReadsBack();
    void incompleteRecordsAreRefused_data();
    void incompleteRecordsAreRefused();
    void theStateShowsTheSameWindowAgain_data();
    void theStateShowsTheSameWindowAgain();
    void anUncleanEndIsRestoredOnce();
    void aCleanEndStartsAFreshSheet();
    void anUncleanEndWithNothingTypedSaysNothing();
    void aDamagedJournalIsKeptAsideAndNamed();
    void whatIsNotAJournalFileIsMovedAsideUnread_data();
    void whatIsNotAJournalFileIsMovedAsideUnread();
    void aLockThatIsNotAFileDoesNotHoldTheStart_data();
    void aLockThatIsNotAFileDoesNotHoldTheStart();
    void aSecondWindowLeavesTheJournalAlone();
    void changesReachTheDiskWhileTypingGoesOn();
};

void TestTallyJournal::recordsReadBackAsWritten_data()
{
    QTest::addColumn<bool>("clean");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<bool>("withUndo");
    QTest::newRow("an empty state reads back") << false << false << false;
    QTest::newRow("quotes, tabs, backslashes and Chinese read back") << false << false << false;
    QTest::newRow("the extended layout reads back") << false << true << false;
    QTest::newRow("the tally of before a clearing reads back") << false << false << true;
    QTest::newRow("the clean mark reads back") << true << true << false;
}

void TestTallyJournal::recordsReadBackAsWritten()
{
    QFETCH(bool, clean);
    QFETCH(bool, extended);
    QFETCH(bool, withUndo);
    JournalRecord record;
    record.clean = clean;
    if (QByteArray(QTest::currentDataTag()).startsWith("an empty") == false)
        record.tally = sampleState(extended);
    if (withUndo)
        record.beforeClear = sampleState(!extended);
    const auto back = parseJournalJson(journalJson(record));
    QVERIFY(back);
    QVERIFY(*back == record);
}

void TestTallyJournal::aFirstFormatJournalReadsBack()
{
    const auto record = parseJournalJson(firstFormatJournal);
    QVERIFY(record);
    QVERIFY(!record->clean);
    QVERIFY(record->beforeClear);
    Tally expected = sampleState(true);
    expected.captions = { { { QStringLiteral("公司名称:"), QStringLiteral("东方林场") },
        { QStringLiteral("车号"), QStringLiteral("黑A12345") },
        { QStringLiteral("供货单位"), QString() }, { QStringLiteral("联系人"), QString() } } };
    QVERIFY(record->tally == expected);
    expected.captions[Tally::Buyer].value.clear();
    expected.extendedLayout = false;
    for (int row = 0; row < 14; ++row)
        for (int element : { 0, 3, 6, 9 })
            expected.grid[row][element] = QString::number(2 * row + 4);
    QVERIFY(*record->beforeClear == expected);
}

void TestTallyJournal::incompleteRecordsAreRefused_data()
{
    JournalRecord record;
    record.tally = sampleState(false);
    record.beforeClear = sampleState(true);
    const QByteArray whole = journalJson(record);
    auto replaced = [&](const char* from, const char* to) {
        QByteArray bytes = whole;
        return bytes.replace(from, to);
    };
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("an empty file is refused") << QByteArray();
    QTest::newRow("a record cut in half is refused") << whole.left(whole.size() / 2);
    QTest::newRow("a record missing its last byte is refused") << whole.chopped(1);
    QTest::newRow("zeros are refused") << QByteArray(4096, '\0');
    QTest::newRow("a JSON array is refused") << QByteArray("[1,2]");
    QTest::newRow("another format number is refused") << replaced("\"format\":2", "\"format\":3");
    QTest::newRow("a clean mark that is a text is refused")
        << replaced("\"clean\":false", "\"clean\":\"no\"");
    QTest::newRow("an unknown layout is refused")
        << replaced("\"extendedLayout\":false", "\"extendedLayout\":\"wide\"");
    QTest::newRow("a number where a text belongs is refused")
        << replaced("\"scaler\":\"", "\"scaler\":7,\"x\":\"");
    QTest::newRow("a grid row short of a field is refused") << replaced("[\"4\",\"0\",", "[");
    QTest::newRow("a damaged tally of before the clearing is refused")
        << replaced("\"extendedLayout\":true", "\"extendedLayout\":\"sideways\"");
    QTest::newRow("a first-format record with an unknown layout is refused")
        << QByteArray(firstFormatJournal).replace("\"extended\"", "\"wide\"");
    QTest::newRow("a first-format record short of a field is refused")
        << QByteArray(firstFormatJournal).replace("\"Combo5\"", "\"Combo6\"");
}

void TestTallyJournal::incompleteRecordsAreRefused()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!parseJournalJson(bytes));
}

void TestTallyJournal::theStateShowsTheSameWindowAgain_data()
{
    QTest::addColumn<bool>("extended");
    QTest::newRow("a load in the standard layout shows again") << false;
    QTest::newRow("a load in the extended layout shows again") << true;
}

void TestTallyJournal::theStateShowsTheSameWindowAgain()
{
    QFETCH(bool, extended);
    JournalTally typed({});
    typeALoad(typed, extended);
    const Tally state = typedPart(readTally(typed->fields()));
    QCOMPARE(state.extendedLayout, extended);

    JournalTally shown({});
    showTally(shown->fields(), state);
    QVERIFY(typedPart(readTally(shown->fields())) == state);
    QCOMPARE(shown.everyField(), typed.everyField());
}

void TestTallyJournal::anUncleanEndIsRestoredOnce()
{
    QTemporaryDir journal;
    QStringList before;
    {
        JournalTally crashed(journal.path());
        typeALoad(crashed, true);
        before = crashed.everyField();
        QTRY_VERIFY(journalOnDisk(journal.path())
            && journalOnDisk(journal.path())->tally == typedPart(readTally(crashed->fields())));
        // What the disk holds when the program dies here.
        QVERIFY(QFile::copy(journalPath(journal.path()), journal.filePath("at-the-crash")));
    }
    QFile::remove(journalPath(journal.path()));
    QVERIFY(QFile::rename(journal.filePath("at-the-crash"), journalPath(journal.path())));

    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok);
    JournalTally restarted(journal.path());
    QTRY_COMPARE(answers.texts(), QStringList { restoredText });
    QCOMPARE(restarted.everyField(), before);
    QTest::qWait(300);
    QCOMPARE(answers.texts(), QStringList { restoredText });
}

void TestTallyJournal::aCleanEndStartsAFreshSheet()
{
    QTemporaryDir journal;
    QStringList fresh;
    {
        JournalTally ended(journal.path());
        fresh = ended.everyField();
        typeALoad(ended, false);
        ended.end();
    }
    QVERIFY(journalOnDisk(journal.path()));
    QVERIFY(journalOnDisk(journal.path())->clean);
    JournalTally restarted(journal.path());
    QTest::qWait(200);
    QCOMPARE(restarted.everyField(), fresh);
}

void TestTallyJournal::anUncleanEndWithNothingTypedSaysNothing()
{
    QTemporaryDir journal;
    QStringList fresh;
    JournalRecord record;
    {
        JournalTally untouched({});
        fresh = untouched.everyField();
        record.tally = typedPart(readTally(untouched->fields()));
    }
    writeJournal(journal.path(), journalJson(record));
    JournalTally restarted(journal.path());
    QTest::qWait(300);
    QCOMPARE(restarted.everyField(), fresh);
}

void TestTallyJournal::aDamagedJournalIsKeptAsideAndNamed()
{
    QTemporaryDir journal;
    const QByteArray damaged = "{\"format\":1,\"clean\":false,\"tally\":{\"grid\":[[\"4\",";
    writeJournal(journal.path(), damaged);
    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok);
    JournalTally restarted(journal.path());
    QTRY_COMPARE(answers.shown.size(), 1);
    const QStringList kept = QDir(journal.path()).entryList({ "tally-journal.json.damaged-*" });
    QCOMPARE(kept.size(), 1);
    const QString keptPath = journal.filePath(kept.first());
    QVERIFY2(lastMessage(answers).contains(keptPath), qPrintable(lastMessage(answers)));
    QVERIFY(lastMessage(answers).contains(QStringLiteral("已损坏")));
    QCOMPARE(restarted.field("Text1(1)")->text(), QString());

    // The next change starts a new journal; the damaged one stays as it was.
    restarted.field("Text1(1)")->setText("3");
    QTRY_VERIFY(journalOnDisk(journal.path()));
    QFile keptFile(keptPath);
    QVERIFY(keptFile.open(QIODevice::ReadOnly));
    QCOMPARE(keptFile.readAll(), damaged);
}

// Whatever stands at the journal's name, the window is up at once, says
// what it found, and never reads or writes through it.
void TestTallyJournal::whatIsNotAJournalFileIsMovedAsideUnread_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("said");
    const QString notAFile = QStringLiteral("不是普通文件");
    QTest::newRow("A FIFO neither blocks the start nor is opened") << "fifo" << notAFile;
    QTest::newRow("A link to /dev/zero is not read without end") << "zero" << notAFile;
    QTest::newRow("A link to a journal elsewhere is not followed") << "link" << notAFile;
    QTest::newRow("A journal larger than any the window writes is kept as damaged")
        << "large" << QStringLiteral("已损坏");
}

void TestTallyJournal::whatIsNotAJournalFileIsMovedAsideUnread()
{
    QFETCH(QString, entry);
    QFETCH(QString, said);
    QTemporaryDir journal;
    QTemporaryDir elsewhere;
    const QString path = journalPath(journal.path());
    const QString theirs = journalPath(elsewhere.path());
    writeJournal(
        elsewhere.path(), journalJson(JournalRecord { false, sampleState(false), std::nullopt }));
    const QByteArray theirBytes = bytesOf(theirs);
    if (entry == QStringLiteral("fifo")) {
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    } else if (entry == QStringLiteral("zero")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    } else if (entry == QStringLiteral("link")) {
        QVERIFY(QFile::link(theirs, path));
    } else {
        QFile large(path);
        QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(40 * 1024 * 1024)); // sparse
    }

    QElapsedTimer clock;
    clock.start();
    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok);
    JournalTally restarted(journal.path());
    QTRY_COMPARE_WITH_TIMEOUT(answers.shown.size(), 1, 5000);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    const QStringList kept
        = QDir(journal.path())
              .entryList({ "tally-journal.json.damaged-*" }, QDir::AllEntries | QDir::System);
    QCOMPARE(kept.size(), 1);
    const QString keptPath = journal.filePath(kept.first());
    QVERIFY2(lastMessage(answers).contains(said), qPrintable(lastMessage(answers)));
    QVERIFY2(lastMessage(answers).contains(keptPath), qPrintable(lastMessage(answers)));
    QCOMPARE(entryAt(keptPath),
        entry == QStringLiteral("large") ? EntryKind::RegularFile : EntryKind::Other);
    QCOMPARE(restarted.field("Text1(1)")->text(), QString());

    // The next change writes a journal of the window's own in its place.
    restarted.field("Text1(1)")->setText("3");
    QTRY_VERIFY(journalOnDisk(journal.path()));
    QCOMPARE(entryAt(path), EntryKind::RegularFile);
    QCOMPARE(bytesOf(theirs), theirBytes);
}

void TestTallyJournal::aLockThatIsNotAFileDoesNotHoldTheStart_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::newRow("A FIFO at the lock's name is moved aside") << true;
    QTest::newRow("A link to /dev/zero at the lock's name is moved aside") << false;
}

void TestTallyJournal::aLockThatIsNotAFileDoesNotHoldTheStart()
{
    QFETCH(bool, fifo);
    QTemporaryDir journal;
    const QString lock = journal.filePath(QStringLiteral("tally-journal.lock"));
    if (fifo)
        QVERIFY(::mkfifo(QFile::encodeName(lock).constData(), 0600) == 0);
    else
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), lock));
    JournalTally started(journal.path());
    started.field("Text1(1)")->setText("3");
    QTRY_VERIFY(journalOnDisk(journal.path()));
    QCOMPARE(entryAt(lock), EntryKind::RegularFile);
}

void TestTallyJournal::aSecondWindowLeavesTheJournalAlone()
{
    QTemporaryDir journal;
    JournalTally first(journal.path());
    first.field("Text1(1)")->setText("5");
    QTRY_VERIFY(journalOnDisk(journal.path()));
    const Tally firstState = typedPart(readTally(first->fields()));
    // However long the first has been running.
    const QString lock = journal.filePath("tally-journal.lock");
    QFile lockFile(lock);
    QVERIFY(lockFile.open(QIODevice::ReadWrite));
    QVERIFY(lockFile.setFileTime(
        QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
    lockFile.close();

    JournalTally second(journal.path());
    QVERIFY(first->journal().isWriting());
    QVERIFY(!second->journal().isWriting());
    second.field("Text1(1)")->setText("8");
    second.field("Text17")->setText(QStringLiteral("第二个"));
    QTest::qWait(800);
    second.end();
    QTest::qWait(100);
    QVERIFY(journalOnDisk(journal.path())->tally == firstState);
    QVERIFY(!journalOnDisk(journal.path())->clean);
}

// How long a change takes to reach the disk is printed, not judged: the
// budget is half a second, and a busy machine must not fail the suite.
void TestTallyJournal::changesReachTheDiskWhileTypingGoesOn()
{
    QTemporaryDir journal;
    JournalTally tally(journal.path());
    QLineEdit* buyer = tally.field("Text17");
    buyer->setFocus();
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    qint64 firstOnDisk = -1;
    QString typed;
    for (int key = 0; key < 40; ++key) {
        QTest::keyClick(buyer, char('a' + key % 26));
        typed += QChar('a' + key % 26);
        QTest::qWait(40);
        const auto onDisk = journalOnDisk(journal.path());
        if (firstOnDisk < 0 && onDisk && !onDisk->tally.captions[Tally::Buyer].value.isEmpty())
            firstOnDisk = sinceFirst.elapsed();
    }
    QVERIFY2(firstOnDisk >= 0, "nothing reached the disk while typing went on");
    qInfo("first key on disk after %lld ms of steady typing", firstOnDisk);
    QElapsedTimer sinceLast;
    sinceLast.start();
    QTRY_COMPARE(journalOnDisk(journal.path())->tally.captions[Tally::Buyer].value, typed);
    qInfo("last key on disk %lld ms after it was typed", sinceLast.elapsed());
}

QTEST_MAIN(TestTallyJournal)
#include "test_tally_journal.moc"
