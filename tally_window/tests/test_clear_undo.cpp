#include "journal_test_helpers.h"
#include "tally_window/tally_snapshot.h"

namespace {

void typeCounts(const JournalTally& tally)
{
    tally.field("Text17")->setText(QStringLiteral("东方林场"));
    tally.field("Text3(1)")->setText("7");
    tally.field("Text9(7)")->setText("12");
    tally.field("Text2(3)")->setText("33");
}

void clickClear(const JournalTally& tally)
{
    QTest::mouseClick(tally->findChild<QWidget*>("Command4"), Qt::LeftButton);
}

void pressUndo(QWidget* target)
{
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
}

// The journal as the disk holds it once it shows `state`, copied where a
// crash would have left it.
void crashCopy(const QString& from, const QString& to, const JournalTally& tally, bool withUndo)
{
    const Tally state = typedPart(readTally(tally->fields()));
    QTRY_VERIFY(journalOnDisk(from) && journalOnDisk(from)->tally == state
        && journalOnDisk(from)->beforeClear.has_value() == withUndo);
    QDir().mkpath(to);
    QVERIFY(QFile::copy(journalPath(from), journalPath(to)));
}

} // namespace

class TestClearUndo : public QObject {
    Q_OBJECT

private slots:
    void undoAfterClearing_data();
    void undoAfterClearing();
    void undoOutlivesACrashButNotACleanEnd_data();
    void undoOutlivesACrashButNotACleanEnd();
};

void TestClearUndo::undoAfterClearing_data()
{
    // What the window shows at the end: the tally of before the first
    // clearing, the cleared sheet, or something else.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Ctrl+Z right after clearing brings the tally back") << "clear undo"
                                                                       << "before";
    QTest::newRow("Ctrl+Z in a caption box brings the tally back") << "clear undo-in-combo"
                                                                   << "before";
    QTest::newRow("Ctrl+Z in a field with an undo of its own brings the tally back first")
        << "edit clear undo"
        << "before";
    QTest::newRow("clearing a cleared sheet keeps the undo of the first clearing")
        << "clear clear undo"
        << "before";
    QTest::newRow("after an edit Ctrl+Z is the field's own again") << "clear edit undo"
                                                                   << "cleared";
    QTest::newRow("a layout switch after clearing ends the undo") << "clear layout undo"
                                                                  << "other";
    QTest::newRow("a second Ctrl+Z brings nothing more back") << "clear undo undo"
                                                              << "before";
    QTest::newRow("a clearing after an undo can be undone again") << "clear undo clear undo"
                                                                  << "before";
}

void TestClearUndo::undoAfterClearing()
{
    QFETCH(QString, steps);
    QFETCH(QString, shown);
    JournalTally tally({});
    tally->show();
    QVERIFY(QTest::qWaitForWindowActive(tally.get()));
    typeCounts(tally);
    QStringList before;
    QStringList cleared;
    QLineEdit* length = tally.field("Text23");
    for (const QString& step : steps.split(' ')) {
        if (step == "clear") {
            if (before.isEmpty())
                before = tally.everyField();
            clickClear(tally);
            if (cleared.isEmpty())
                cleared = tally.everyField();
        } else if (step == "edit") {
            // Typed by key, so the field has an undo of its own.
            length->setFocus();
            QTest::keyClick(length, Qt::Key_End);
            QTest::keyClick(length, '5');
        } else if (step == "layout") {
            QTest::mouseClick(tally->findChild<QWidget*>("Label19"), Qt::LeftButton);
        } else if (step == "undo") {
            pressUndo(length);
        } else if (step == "undo-in-combo") {
            pressUndo(tally.combo("Combo4")->lineEdit());
        }
        QCoreApplication::processEvents();
    }
    const QStringList after = tally.everyField();
    if (shown == "before")
        QCOMPARE(after, before);
    else if (shown == "cleared")
        QCOMPARE(after, cleared);
    else
        QVERIFY(after != before && after != cleared);
    QCOMPARE(tally->journal().canUndoClear(), false);
}

void TestClearUndo::undoOutlivesACrashButNotACleanEnd_data()
{
    QTest::addColumn<bool>("crash");
    QTest::newRow("after a crash Ctrl+Z still brings the tally back") << true;
    QTest::newRow("after a clean end Ctrl+Z brings nothing back") << false;
}

void TestClearUndo::undoOutlivesACrashButNotACleanEnd()
{
    QFETCH(bool, crash);
    QTemporaryDir journal;
    const QString crashed = journal.filePath("after-the-crash");
    QStringList before;
    QStringList cleared;
    {
        JournalTally first(journal.path());
        typeCounts(first);
        before = first.everyField();
        clickClear(first);
        cleared = first.everyField();
        crashCopy(journal.path(), crashed, first, true);
    }
    TestAnswers answers;
    if (crash)
        answers.setNextAnswer(MessageAnswer::Ok);
    JournalTally restarted(crash ? crashed : journal.path());
    restarted->show();
    QVERIFY(QTest::qWaitForWindowActive(restarted.get()));
    if (crash)
        QTRY_COMPARE(answers.texts(),
            QStringList { QStringLiteral("上次意外退出前清除的检尺单可以用 Ctrl+Z 恢复。") });
    QCOMPARE(restarted.everyField(), cleared);
    pressUndo(restarted.field("Text23"));
    QCOMPARE(restarted.everyField(), crash ? before : cleared);
}

QTEST_MAIN(TestClearUndo)
#include "test_clear_undo.moc"
