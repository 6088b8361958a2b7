// The journal file under SIGKILL: a writer killed at random moments, and one
// that kills itself between writing and committing as a power cut would.
// Every time, the journal reads back whole and holds the last committed
// record.

#include "tally_window/journal_record.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString writerProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath("journal_write_loop");
}

long recordOnDisk(const QString& folder)
{
    QFile file(QDir(folder).filePath("tally-journal.json"));
    if (!file.exists())
        return 0;
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const auto record = parseJournalJson(file.readAll());
    return record ? record->tally.captions[Tally::Buyer].value.toLong() : -1;
}

long lastPrinted(const QByteArray& output)
{
    const QList<QByteArray> lines = output.trimmed().split('\n');
    return lines.isEmpty() ? 0 : lines.last().toLong();
}

} // namespace

class TestJournalKills : public QObject {
    Q_OBJECT

private slots:
    void killsAtRandomMomentsLeaveTheLastCommittedRecord();
    void aCutBeforeTheCommitLeavesThePreviousRecord_data();
    void aCutBeforeTheCommitLeavesThePreviousRecord();
};

void TestJournalKills::killsAtRandomMomentsLeaveTheLastCommittedRecord()
{
    QTemporaryDir folder;
    constexpr int kills = 60;
    long written = 0;
    for (int round = 0; round < kills; ++round) {
        QProcess writer;
        writer.start(writerProgram(), { folder.path() });
        QVERIFY(writer.waitForStarted());
        QVERIFY2(writer.waitForReadyRead(10000), "the writer wrote nothing");
        QTest::qSleep(int(QRandomGenerator::global()->bounded(40)));
        writer.kill();
        QVERIFY(writer.waitForFinished(10000));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
        const long printed = lastPrinted(writer.readAllStandardOutput());
        const long onDisk = recordOnDisk(folder.path());
        // The last write that returned is there, or the one after it that
        // had committed when the kill came.
        QVERIFY2(onDisk == printed || onDisk == printed + 1,
            qPrintable(QStringLiteral("round %1: printed %2, on disk %3")
                           .arg(round)
                           .arg(printed)
                           .arg(onDisk)));
        QVERIFY(onDisk > written);
        written = onDisk;
    }
    qInfo("%d kills over %ld writes, the journal always whole", kills, written);
    // Temporary files of cut writes do not pile up.
    QVERIFY(QDir(folder.path()).entryList(QDir::Files).size() <= 3);
}

void TestJournalKills::aCutBeforeTheCommitLeavesThePreviousRecord_data()
{
    QTest::addColumn<int>("cutAt");
    QTest::newRow("a cut in the first write keeps the record of the last run") << 1;
    QTest::newRow("a cut in the second write keeps the first") << 2;
    QTest::newRow("a cut in the seventh write keeps the sixth") << 7;
}

void TestJournalKills::aCutBeforeTheCommitLeavesThePreviousRecord()
{
    QFETCH(int, cutAt);
    QTemporaryDir folder;
    // A record of an earlier run.
    {
        QProcess writer;
        writer.start(writerProgram(), { folder.path() });
        QVERIFY(writer.waitForReadyRead(10000));
        writer.kill();
        QVERIFY(writer.waitForFinished(10000));
    }
    const long earlier = recordOnDisk(folder.path());
    QVERIFY(earlier > 0);

    QProcess writer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUORVANE_JOURNAL_CRASH_AT", QString::number(cutAt));
    writer.setProcessEnvironment(environment);
    writer.start(writerProgram(), { folder.path() });
    QVERIFY(writer.waitForFinished(10000));
    QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
    QCOMPARE(lastPrinted(writer.readAllStandardOutput()), cutAt > 1 ? earlier + cutAt - 1 : 0);
    QCOMPARE(recordOnDisk(folder.path()), earlier + cutAt - 1);
}

QTEST_MAIN(TestJournalKills)
#include "test_journal_kills.moc"
