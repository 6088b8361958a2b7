#include "journal_test_helpers.h"
#include "tally_window/tally_state.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>

namespace {

const QString restoredText = QStringLiteral("已恢复上次意外退出前的检尺单。");

TallyState sampleState(bool extended)
{
    TallyState state;
    for (int row = 0; row < 14; ++row)
        for (int column = 0; column < TallyState::inputColumns; ++column)
            state.cells[row][column] = column % 2 ? QString::number(row * column % 9)
                                                  : QString::number(2 * row + (extended ? 30 : 4));
    state.lengths = { "6", "4.2", "", "3.8" };
    state.text17 = QStringLiteral("林场 \"东\"\\ 一\t号");
    state.text25 = QStringLiteral("王检尺");
    state.combo3 = QStringLiteral("红松");
    state.combo4 = QStringLiteral("公司名称:");
    state.extendedLayout = extended;
    return state;
}

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
    void incompleteRecordsAreRefused_data();
    void incompleteRecordsAreRefused();
    void theStateShowsTheSameWindowAgain_data();
    void theStateShowsTheSameWindowAgain();
    void anUncleanEndIsRestoredOnce();
    void aCleanEndStartsAFreshSheet();
    void anUncleanEndWithNothingTypedSaysNothing();
    void aDamagedJournalIsKeptAsideAndNamed();
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
    QTest::newRow("another format number is refused") << replaced("\"format\":1", "\"format\":2");
    QTest::newRow("a clean mark that is a text is refused")
        << replaced("\"clean\":false", "\"clean\":\"no\"");
    QTest::newRow("an unknown layout is refused") << replaced("\"standard\"", "\"wide\"");
    QTest::newRow("a number where a text belongs is refused")
        << replaced("\"Text25\":\"", "\"Text25\":7,\"x\":\"");
    QTest::newRow("a grid row short of a field is refused") << replaced("[\"4\",\"0\",", "[");
    QTest::newRow("a damaged tally of before the clearing is refused")
        << replaced("\"extended\"", "\"sideways\"");
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
    const TallyState state = readTallyState(typed->fields());
    QCOMPARE(state.extendedLayout, extended);

    JournalTally shown({});
    showTallyState(shown->fields(), state);
    QVERIFY(readTallyState(shown->fields()) == state);
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
            && journalOnDisk(journal.path())->tally == readTallyState(crashed->fields()));
        // What the disk holds when the program dies here.
        QVERIFY(QFile::copy(journalPath(journal.path()), journal.filePath("at-the-crash")));
    }
    QFile::remove(journalPath(journal.path()));
    QVERIFY(QFile::rename(journal.filePath("at-the-crash"), journalPath(journal.path())));

    MessageCatcher catcher;
    JournalTally restarted(journal.path());
    QTRY_COMPARE(catcher.texts(), QStringList { restoredText });
    QCOMPARE(restarted.everyField(), before);
    QTest::qWait(300);
    QCOMPARE(catcher.texts(), QStringList { restoredText });
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
        record.tally = readTallyState(untouched->fields());
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
    MessageCatcher catcher;
    JournalTally restarted(journal.path());
    QTRY_COMPARE(catcher.messages.size(), 1);
    const QStringList kept = QDir(journal.path()).entryList({ "tally-journal.json.damaged-*" });
    QCOMPARE(kept.size(), 1);
    const QString keptPath = journal.filePath(kept.first());
    QVERIFY2(catcher.texts().first().contains(keptPath), qPrintable(catcher.texts().first()));
    QVERIFY(catcher.texts().first().contains(QStringLiteral("已损坏")));
    QCOMPARE(restarted.field("Text1(1)")->text(), QString());

    // The next change starts a new journal; the damaged one stays as it was.
    restarted.field("Text1(1)")->setText("3");
    QTRY_VERIFY(journalOnDisk(journal.path()));
    QFile keptFile(keptPath);
    QVERIFY(keptFile.open(QIODevice::ReadOnly));
    QCOMPARE(keptFile.readAll(), damaged);
}

void TestTallyJournal::aSecondWindowLeavesTheJournalAlone()
{
    QTemporaryDir journal;
    JournalTally first(journal.path());
    first.field("Text1(1)")->setText("5");
    QTRY_VERIFY(journalOnDisk(journal.path()));
    const TallyState firstState = readTallyState(first->fields());
    // However long the first has been running.
    const QString lock = journal.filePath("tally-journal.lock");
    QFile lockFile(lock);
    QVERIFY(lockFile.open(QIODevice::ReadWrite));
    QVERIFY(lockFile.setFileTime(QDateTime::currentDateTime().addDays(-2),
        QFileDevice::FileModificationTime));
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
        if (firstOnDisk < 0 && onDisk && !onDisk->tally.text17.isEmpty())
            firstOnDisk = sinceFirst.elapsed();
    }
    QVERIFY2(firstOnDisk >= 0, "nothing reached the disk while typing went on");
    qInfo("first key on disk after %lld ms of steady typing", firstOnDisk);
    QElapsedTimer sinceLast;
    sinceLast.start();
    QTRY_COMPARE(journalOnDisk(journal.path())->tally.text17, typed);
    qInfo("last key on disk %lld ms after it was typed", sinceLast.elapsed());
}

QTEST_MAIN(TestTallyJournal)
#include "test_tally_journal.moc"
