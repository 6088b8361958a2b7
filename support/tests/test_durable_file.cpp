#include "support/durable_file.h"
#include "support/event_log.h"
#include "support/regular_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestDurableFile : public QObject {
    Q_OBJECT

private slots:
    void failureKeepsTheOldFileAndNamesItsCause_data();
    void failureKeepsTheOldFileAndNamesItsCause();
    void anUncommittedWriteLeavesTheOldFile();
    void aNewFileNeverTakesAnotherFilesName();
    void onlyTemporaryFilesAreTakenAsLeftovers();
    void filesAreTheUsersAloneWhateverTheUmask();
    void onlyARegularFileIsReplacedOrRead_data();
    void onlyARegularFileIsReplacedOrRead();
    void aLogThatIsNotAFileIsSetAside_data();
    void aLogThatIsNotAFileIsSetAside();
    void aRemovalSaysWhatKeptTheFile_data();
    void aRemovalSaysWhatKeptTheFile();
};

void TestDurableFile::failureKeepsTheOldFileAndNamesItsCause_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::addColumn<FailureCause>("cause");
    QTest::newRow("A file in a folder that is not there is named as folder missing")
        << QStringLiteral("gone/prices.txt") << false << FailureCause::FolderMissing;
    QTest::newRow("A file in a read-only folder is named as not writable")
        << QStringLiteral("prices.txt") << true << FailureCause::NotWritable;
    QTest::newRow("A target that is a folder is not a file")
        << QStringLiteral("folder") << false << FailureCause::NotAFile;
}

void TestDurableFile::failureKeepsTheOldFileAndNamesItsCause()
{
    QFETCH(QString, target);
    QFETCH(bool, readOnlyFolder);
    QFETCH(FailureCause, cause);
    if (readOnlyFolder && ::geteuid() == 0)
        QSKIP("root ignores permissions; run-unprivileged runs this suite as nobody");
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder")));
    const QString path = folder.filePath(target);
    if (!target.contains(u'/') && target != QStringLiteral("folder"))
        writeBytes(path, "old\r\n");
    const QByteArray before = readBytes(path);
    if (readOnlyFolder)
        QVERIFY(
            QFile(folder.path()).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    const Done result = writeFileDurably(path, "new\r\n");
    QFile(folder.path())
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QVERIFY(!result.ok());
    QCOMPARE(result.cause(), cause);
    QCOMPARE(result.path(), path);
    QVERIFY2(!result.detail().isEmpty(), qPrintable(result.logText()));
    QCOMPARE(readBytes(path), before);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), before == "old\r\n" ? 1 : 0);
}

void TestDurableFile::anUncommittedWriteLeavesTheOldFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("journal.json"));
    writeBytes(path, "old");
    {
        DurableFile file(path);
        QVERIFY(file.write("new").ok());
        QCOMPARE(readBytes(path), QByteArray("old"));
    }
    QCOMPARE(readBytes(path), QByteArray("old"));
    QCOMPARE(
        QDir(folder.path()).entryList(QDir::Files), QStringList { QStringLiteral("journal.json") });

    DurableFile file(path);
    QVERIFY(file.write("new").ok());
    QVERIFY(file.commit().ok());
    QCOMPARE(readBytes(path), QByteArray("new"));
}

void TestDurableFile::aNewFileNeverTakesAnotherFilesName()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("木材账单.xls"));
    QVERIFY(createFileDurably(path, "moved").ok());
    QCOMPARE(readBytes(path), QByteArray("moved"));

    QVERIFY(!createFileDurably(path, "another").ok());
    QCOMPARE(readBytes(path), QByteArray("moved"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("木材账单.xls") });
}

void TestDurableFile::onlyTemporaryFilesAreTakenAsLeftovers()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("journal.json"));
    const QStringList kept { QStringLiteral("journal.json"),
        QStringLiteral("journal.json.damaged-20261209-101500-123"),
        QStringLiteral("journal.json.lock"), QStringLiteral("other.json.Ab12Cd") };
    for (const QString& name : kept + QStringList { QStringLiteral("journal.json.Ab12Cd") })
        writeBytes(folder.filePath(name), "x");

    QCOMPARE(removeLeftoverWrites(path), 1);
    QStringList left = QDir(folder.path()).entryList(QDir::Files);
    QStringList expected = kept;
    left.sort();
    expected.sort();
    QCOMPARE(left, expected);
}

void TestDurableFile::filesAreTheUsersAloneWhateverTheUmask()
{
    const mode_t before = ::umask(022);
    QTemporaryDir folder;
    const QString fresh = folder.filePath(QStringLiteral("fresh.json"));
    const QString earlier = folder.filePath(QStringLiteral("earlier.json"));
    writeBytes(earlier, "old");
    QVERIFY(::chmod(QFile::encodeName(earlier).constData(), 0644) == 0);
    QVERIFY(writeFileDurably(fresh, "new").ok());
    QVERIFY(writeFileDurably(earlier, "new").ok());
    ::umask(before);
    for (const QString& path : { fresh, earlier }) {
        struct stat written;
        QVERIFY(::stat(QFile::encodeName(path).constData(), &written) == 0);
        QCOMPARE(written.st_mode & 07777, mode_t(0600));
    }
}

// A link, a FIFO or a device at a name the program keeps is neither read
// nor written through: the write fails at once, the read names it.
void TestDurableFile::onlyARegularFileIsReplacedOrRead_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("read");
    QTest::newRow("A link to a file elsewhere is not followed")
        << "link" << int(RegularFileRead::NotRegular);
    QTest::newRow("A dangling link is not followed")
        << "dangling" << int(RegularFileRead::NotRegular);
    QTest::newRow("A FIFO neither blocks nor is opened")
        << "fifo" << int(RegularFileRead::NotRegular);
    QTest::newRow("A link to /dev/zero is not read without end")
        << "zero" << int(RegularFileRead::NotRegular);
    QTest::newRow("A file larger than the limit is not read")
        << "large" << int(RegularFileRead::TooLarge);
    QTest::newRow("A file of the limit's size is read") << "limit" << int(RegularFileRead::Read);
}

void TestDurableFile::onlyARegularFileIsReplacedOrRead()
{
    QFETCH(QString, entry);
    QFETCH(int, read);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("journal.json"));
    const QString elsewhere = folder.filePath(QStringLiteral("elsewhere.txt"));
    const QByteArray name = QFile::encodeName(path);
    constexpr qint64 limit = 16;
    if (entry == QStringLiteral("link")) {
        writeBytes(elsewhere, "theirs");
        QVERIFY(QFile::link(elsewhere, path));
    } else if (entry == QStringLiteral("dangling")) {
        QVERIFY(QFile::link(elsewhere, path));
    } else if (entry == QStringLiteral("fifo")) {
        QVERIFY(::mkfifo(name.constData(), 0600) == 0);
    } else if (entry == QStringLiteral("zero")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    } else {
        writeBytes(path, QByteArray(entry == QStringLiteral("large") ? limit + 1 : limit, 'x'));
    }

    const RegularFileRead reading = readRegularFile(path, limit);
    QCOMPARE(int(reading.outcome), read);
    QCOMPARE(reading.bytes.size(), read == RegularFileRead::Read ? limit : 0);
    if (read != RegularFileRead::NotRegular)
        return;
    const Done written = writeFileDurably(path, "ours");
    QCOMPARE(written.cause(), FailureCause::NotAFile);
    QCOMPARE(
        readBytes(elsewhere), QByteArray(entry == QStringLiteral("link") ? "theirs" : "<absent>"));
    // Set aside, the entry itself moves, and the name is free for a file of ours.
    const QString kept = setAside(path);
    QVERIFY(!kept.isEmpty());
    QCOMPARE(entryAt(kept), EntryKind::Other);
    QCOMPARE(entryAt(path), EntryKind::None);
    QVERIFY(writeFileDurably(path, "ours").ok());
    QCOMPARE(entryAt(path), EntryKind::RegularFile);
}

// Appending to a FIFO would wait for a reader for ever.
void TestDurableFile::aLogThatIsNotAFileIsSetAside_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::newRow("A FIFO at the log's name neither blocks nor is written") << true;
    QTest::newRow("A link at the log's name is not written through") << false;
}

void TestDurableFile::aLogThatIsNotAFileIsSetAside()
{
    QFETCH(bool, fifo);
    QTemporaryDir folder;
    const QString log = folder.filePath(QStringLiteral("quorvane.log"));
    const QString elsewhere = folder.filePath(QStringLiteral("elsewhere.txt"));
    writeBytes(elsewhere, "theirs");
    if (fifo)
        QVERIFY(::mkfifo(QFile::encodeName(log).constData(), 0600) == 0);
    else
        QVERIFY(QFile::link(elsewhere, log));
    openEventLog(log);
    logEvent(QStringLiteral("start"));
    openEventLog(QString());
    QCOMPARE(entryAt(log), EntryKind::RegularFile);
    QVERIFY(readBytes(log).endsWith(" start\n"));
    QCOMPARE(readBytes(elsewhere), QByteArray("theirs"));
}

// What stands at the name afterwards is what the caller relies on: gone
// when it says so, kept when it says not.
void TestDurableFile::aRemovalSaysWhatKeptTheFile_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<FailureCause>("cause");
    QTest::newRow("A file is removed") << "file" << FailureCause::None;
    QTest::newRow("A name already free counts as removed") << "none" << FailureCause::None;
    QTest::newRow("A link is removed itself and where it points is kept")
        << "link" << FailureCause::None;
    QTest::newRow("A folder at the name is kept and not a file")
        << "folder" << FailureCause::NotAFile;
    QTest::newRow("A file in a read-only folder is kept and not writable")
        << "read-only" << FailureCause::NotWritable;
}

void TestDurableFile::aRemovalSaysWhatKeptTheFile()
{
    QFETCH(QString, entry);
    QFETCH(FailureCause, cause);
    if (entry == QStringLiteral("read-only") && ::geteuid() == 0)
        QSKIP("root ignores permissions; run-unprivileged runs this suite as nobody");
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("history-waiting.json"));
    const QString elsewhere = folder.filePath(QStringLiteral("elsewhere.txt"));
    writeBytes(elsewhere, "theirs");
    if (entry == QStringLiteral("folder"))
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("history-waiting.json")));
    else if (entry == QStringLiteral("link"))
        QVERIFY(QFile::link(elsewhere, path));
    else if (entry != QStringLiteral("none"))
        writeBytes(path, "[]");
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
    if (entry == QStringLiteral("read-only"))
        QVERIFY(QFile(folder.path()).setPermissions(ownerOnly));

    const Done removed = removeFileDurably(path);
    QFile(folder.path()).setPermissions(ownerOnly | QFileDevice::WriteOwner);

    QCOMPARE(removed.cause(), cause);
    QCOMPARE(entryAt(path) == EntryKind::None, removed.ok());
    if (!removed.ok())
        QVERIFY2(!removed.detail().isEmpty(), qPrintable(removed.logText()));
    QCOMPARE(readBytes(elsewhere), QByteArray("theirs"));
}

QTEST_GUILESS_MAIN(TestDurableFile)
#include "test_durable_file.moc"
