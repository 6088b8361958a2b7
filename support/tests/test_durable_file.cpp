#include "support/durable_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
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
};

void TestDurableFile::failureKeepsTheOldFileAndNamesItsCause_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::addColumn<WriteFailure>("cause");
    QTest::newRow("A file in a folder that is not there is named as folder missing")
        << QStringLiteral("gone/prices.txt") << false << WriteFailure::FolderMissing;
    QTest::newRow("A file in a read-only folder is named as not writable")
        << QStringLiteral("prices.txt") << true << WriteFailure::NotWritable;
    QTest::newRow("A target that is a folder is some other failure")
        << QStringLiteral("folder") << false << WriteFailure::Other;
}

void TestDurableFile::failureKeepsTheOldFileAndNamesItsCause()
{
    QFETCH(QString, target);
    QFETCH(bool, readOnlyFolder);
    QFETCH(WriteFailure, cause);
    if (readOnlyFolder && ::geteuid() == 0)
        QSKIP("root ignores permissions; run-unprivileged runs this suite as nobody");
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder")));
    const QString path = folder.filePath(target);
    if (!target.contains(u'/') && target != QStringLiteral("folder"))
        writeBytes(path, "old\r\n");
    const QByteArray before = readBytes(path);
    if (readOnlyFolder)
        QVERIFY(QFile(folder.path()).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    const WriteResult result = writeFileDurably(path, "new\r\n");
    QFile(folder.path()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

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
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList { QStringLiteral("journal.json") });

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
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("木材账单.xls") });
}

void TestDurableFile::onlyTemporaryFilesAreTakenAsLeftovers()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("journal.json"));
    const QStringList kept { QStringLiteral("journal.json"), QStringLiteral("journal.json.damaged-20261209-101500-123"),
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

QTEST_GUILESS_MAIN(TestDurableFile)
#include "test_durable_file.moc"
