#include "backup_fixture.h"
#include "backups/backup_manifest.h"
#include "backups/backup_plan.h"
#include "backups/backup_restore.h"
#include "backups/backup_rotation.h"
#include "backups/backup_service.h"
#include "backups/history_check.h"

#include <QProcess>
#include <QStorageInfo>
#include <QThread>
#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(FailureCause)

namespace {

const QDateTime noon(QDate(2026, 12, 9), QTime(12, 0), Qt::UTC);

nlink_t linkCount(const QString& path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_nlink : 0;
}

void changeByte(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.seek(file.size() / 2);
    char byte = 0;
    file.getChar(&byte);
    file.seek(file.size() / 2);
    file.putChar(char(byte ^ 0x20));
}

// A tmpfs of its own (root only), filled to `leave` free bytes.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes)
    {
        m_mounted
            = QProcess::execute(QStringLiteral("mount"),
                  { QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                      QStringLiteral("size=%1").arg(bytes), QStringLiteral("tmpfs"), m_dir.path() })
            == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), { QStringLiteral("-l"), m_dir.path() });
    }
    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace

class TestBackups : public QObject {
    Q_OBJECT

private slots:
    void backupHoldsEveryFileAndChecksBySha256sum();
    void historyCopyIsConsistentWhilePostingsRun();
    void restoreAfterTheDataFolderIsDeleted();
    void unchangedBillsAreLinkedNotCopied();
    void billDamagedInTheEarlierBackupIsCopiedAfresh();
    void damagedBackupIsShownAndRefused_data();
    void damagedBackupIsShownAndRefused();
    void linksAreNeverFollowed();
    void secondPlaceMissing();
    void secondPlaceReadOnly();
    void secondPlaceFull();
    void rotationOver400Days();
    void serviceBacksUpOnceADayAndEveryTwentiethPosting();
    void restoreHoldsPostingsAndKeepsThePresentFirst();
    void historyOfABackupIsCheckedAsAStranger_data();
    void historyOfABackupIsCheckedAsAStranger();
};

void TestBackups::backupHoldsEveryFileAndChecksBySha256sum()
{
    TestYard yard;
    // The running program's locks are its own: a restore must not put an
    // old one back under it.
    for (const char* lock : { "quorvane.lock", "tally-journal.lock" }) {
        QFile file(QDir(yard.sources().data).filePath(QString::fromUtf8(lock)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // Last year's ledger, archived beside the live one.
    const QString archives = QDir(yard.sources().documents).filePath(QStringLiteral("台账存档"));
    QVERIFY(QDir().mkpath(archives));
    QVERIFY(
        QFile::copy(QDir(yard.sources().documents).filePath(QStringLiteral("木材出入库台账.xls")),
            QDir(archives).filePath(QStringLiteral("木材出入库台账 2025.xls"))));
    const BackupOutcome outcome = takeBackup(yard.sources(), yard.place(), noon);
    QVERIFY2(outcome.ok(), qPrintable(outcome.logText()));
    QCOMPARE(outcome->name, QStringLiteral("2026-12-09-120000"));
    QCOMPARE(outcome->loads, qint64(3));
    QCOMPARE(outcome->ledgerRows, qint64(0));
    const Result<QList<ManifestEntry>> entries = readManifest(outcome->folder);
    QVERIFY(entries);
    QStringList paths;
    for (const ManifestEntry& entry : *entries)
        paths.append(entry.path);
    for (const char* expected : { "数据/quorvane.sqlite", "数据/tally.json",
             "文档/木材出入库台账.xls", "文档/木材账单.xls", "文档/账单/2026-12/4.xls",
             "文档/台账存档/木材出入库台账 2025.xls", "设置/quorvane.ini", "设置/1(0).txt" })
        QVERIFY2(paths.contains(QString::fromUtf8(expected)), expected);
    QCOMPARE(restoredPath(QStringLiteral("文档/台账存档/木材出入库台账 2025.xls"), yard.sources()),
        QDir(archives).filePath(QStringLiteral("木材出入库台账 2025.xls")));
    QVERIFY2(!paths.join(u' ').contains(QStringLiteral(".lock")), qPrintable(paths.join(u' ')));
    QCOMPARE(QFileInfo(outcome->folder).permissions() & 0x0077, QFileDevice::Permissions());
    QProcess check;
    check.setWorkingDirectory(outcome->folder);
    check.start(QStringLiteral("sha256sum"),
        { QStringLiteral("--strict"), QStringLiteral("-c"), QStringLiteral("manifest.sha256") });
    QVERIFY(check.waitForFinished(60000));
    QCOMPARE(check.exitCode(), 0);
}

// Two writers post loads (a row and its pieces in one transaction) while
// backups are taken: every copy holds whole loads only.
void TestBackups::historyCopyIsConsistentWhilePostingsRun()
{
    TestYard yard;
    std::atomic<bool> stop { false };
    std::atomic<int> posted { 0 };
    auto writer = [&](int number) {
        TestConnection connection(yard.historyPath(), QStringLiteral("writer%1").arg(number));
        while (!stop)
            if (addLoad(connection, 5 + number))
                ++posted;
    };
    std::unique_ptr<QThread> first(QThread::create(writer, 0));
    std::unique_ptr<QThread> second(QThread::create(writer, 1));
    first->start();
    second->start();
    QTRY_VERIFY_WITH_TIMEOUT(posted > 20, 60000);
    QList<BackupOutcome> outcomes;
    for (int backup = 0; backup < 3; ++backup)
        outcomes.append(takeBackup(yard.sources(), yard.place(), noon.addSecs(backup)));
    stop = true;
    first->wait();
    second->wait();
    for (const BackupOutcome& outcome : outcomes) {
        QVERIFY2(outcome.ok(), qPrintable(outcome.logText()));
        TestConnection copy(QDir(outcome->folder).filePath(historyPath()), QStringLiteral("copy"));
        QVERIFY(copy.number(QStringLiteral("SELECT count(*) FROM loads")) >= 3);
        QCOMPARE(
            copy.number(QStringLiteral("SELECT count(*) FROM loads l WHERE l.pieces_e4 <> "
                                       "(SELECT count(*) FROM payments p WHERE p.note = l.id)")),
            qint64(0));
    }
}

void TestBackups::restoreAfterTheDataFolderIsDeleted()
{
    TestYard yard;
    const BackupOutcome outcome = takeBackup(yard.sources(), yard.place(), noon);
    QVERIFY2(outcome.ok(), qPrintable(outcome.logText()));
    const auto documents = folderHashes(yard.sources().documents);
    const auto config = folderHashes(yard.sources().config);
    QVERIFY(QDir(yard.sources().data).removeRecursively());
    QVERIFY(QDir(yard.sources().documents).removeRecursively());
    const Result<RestoredBooks> restored = restoreBackup(outcome->folder, yard.sources());
    QVERIFY2(restored.ok(), qPrintable(restored.logText()));
    QCOMPARE(restored->loads, qint64(3));
    // The workbooks byte for byte (and so cell by cell), the archive file
    // by file, the history row by row.
    QCOMPARE(folderHashes(yard.sources().documents), documents);
    QCOMPARE(folderHashes(yard.sources().config), config);
    TestConnection history(yard.historyPath(), QStringLiteral("restored"));
    QCOMPARE(history.number(QStringLiteral("SELECT count(*) FROM loads")), qint64(3));
    QCOMPARE(history.number(QStringLiteral("SELECT count(*) FROM payments")), qint64(12));
    QCOMPARE(history.number(QStringLiteral("SELECT sum(id * pieces_e4) FROM loads")), qint64(24));
}

void TestBackups::unchangedBillsAreLinkedNotCopied()
{
    TestYard yard;
    const BackupOutcome first = takeBackup(yard.sources(), yard.place(), noon);
    writeBytes(yard.billPath(1), "bill 1, printed again");
    const BackupOutcome second = takeBackup(yard.sources(), yard.place(), noon.addSecs(60));
    QVERIFY2(first.ok() && second.ok(), qPrintable(first.logText() + second.logText()));
    const QString unchanged = QStringLiteral("文档/账单/2026-12/0.xls");
    const QString changed = QStringLiteral("文档/账单/2026-12/1.xls");
    QCOMPARE(linkCount(QDir(second->folder).filePath(unchanged)), nlink_t(2));
    QCOMPARE(linkCount(QDir(second->folder).filePath(changed)), nlink_t(1));
    QFile copy(QDir(second->folder).filePath(changed));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("bill 1, printed again"));
}

void TestBackups::billDamagedInTheEarlierBackupIsCopiedAfresh()
{
    TestYard yard;
    const BackupOutcome first = takeBackup(yard.sources(), yard.place(), noon);
    QVERIFY2(first.ok(), qPrintable(first.logText()));
    const QString bill = QStringLiteral("文档/账单/2026-12/0.xls");
    const QString damaged = QDir(first->folder).filePath(bill);
    QVERIFY(QFile::setPermissions(damaged, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    changeByte(damaged);
    const BackupOutcome second = takeBackup(yard.sources(), yard.place(), noon.addSecs(60));
    QVERIFY2(second.ok(), qPrintable(second.logText()));
    const QString copy = QDir(second->folder).filePath(bill);
    QCOMPARE(linkCount(copy), nlink_t(1));
    QFile read(copy);
    QVERIFY(read.open(QIODevice::ReadOnly));
    QCOMPARE(read.readAll(), QByteArray("bill 0"));
}

void TestBackups::damagedBackupIsShownAndRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("remove");
    QTest::newRow("a bill changed by hand") << QStringLiteral("文档/账单/2026-12/2.xls") << false;
    QTest::newRow("the ledger changed by hand")
        << QStringLiteral("文档/木材出入库台账.xls") << false;
    QTest::newRow("the history copy changed by hand")
        << QStringLiteral("数据/quorvane.sqlite") << false;
    QTest::newRow("a file removed") << QStringLiteral("设置/quorvane.ini") << true;
    QTest::newRow("the manifest edited") << QStringLiteral("manifest.sha256") << false;
}

void TestBackups::damagedBackupIsShownAndRefused()
{
    QFETCH(QString, path);
    QFETCH(bool, remove);
    TestYard yard;
    const BackupOutcome outcome = takeBackup(yard.sources(), yard.place(), noon);
    QVERIFY2(outcome.ok(), qPrintable(outcome.logText()));
    const QString file = QDir(outcome->folder).filePath(path);
    if (remove)
        QVERIFY(QFile::remove(file));
    else
        changeByte(file);
    const QList<BackupInfo> listed = listBackups(yard.place(), true);
    QCOMPARE(listed.size(), 1);
    QVERIFY(listed[0].damaged);
    writeBytes(yard.billPath(2), "bill 2 as it is now");
    const auto before = folderHashes(yard.sources().documents);
    const Result<RestoredBooks> restored = restoreBackup(outcome->folder, yard.sources());
    QVERIFY(!restored);
    QCOMPARE(restored.error().cause(), FailureCause::BackupMismatch);
    QCOMPARE(folderHashes(yard.sources().documents), before);
    // A damaged backup is never removed by the rotation either.
    QCOMPARE(rotateBackups(yard.place(), noon.addDays(800)), 0);
}

void TestBackups::linksAreNeverFollowed()
{
    TestYard yard;
    QTemporaryDir outside;
    writeBytes(QDir(outside.path()).filePath(QStringLiteral("secret")), "not the yard's");
    QVERIFY(QFile::link(QDir(outside.path()).filePath(QStringLiteral("secret")),
        QDir(yard.sources().documents).filePath(QStringLiteral("账单/2026-12/link.xls"))));
    QVERIFY(QFile::link(
        outside.path(), QDir(yard.sources().data).filePath(QStringLiteral("elsewhere"))));
    QVERIFY(QFile::link(
        outside.path(), QDir(yard.sources().documents).filePath(QStringLiteral("账单/more"))));
    for (const PlannedFile& file : planBackup(yard.sources()))
        QVERIFY2(!file.source.contains(outside.path()) && !file.path.contains(QLatin1String("link"))
                && !file.path.contains(QLatin1String("more")),
            qPrintable(file.path));
}

void TestBackups::secondPlaceMissing()
{
    TestYard yard;
    const BackupOutcome local = takeBackup(yard.sources(), yard.place(), noon);
    QVERIFY(local.ok());
    const BackupOutcome copied = copyBackup(*local, yard.path("usb-drive-unplugged"));
    QCOMPARE(copied.cause(), FailureCause::FolderMissing);
    QVERIFY(!QFileInfo::exists(yard.path("usb-drive-unplugged")));
    QVERIFY(verifyBackupFiles(local->folder));
}

void TestBackups::secondPlaceReadOnly()
{
    if (geteuid() == 0)
        QSKIP("root writes anywhere: run through run-unprivileged");
    TestYard yard;
    const BackupOutcome first = takeBackup(yard.sources(), yard.place(), noon);
    const QString drive = yard.path("drive");
    QVERIFY(QDir().mkpath(drive));
    QVERIFY(copyBackup(*first, drive).ok());
    const BackupOutcome second = takeBackup(yard.sources(), yard.place(), noon.addDays(1));
    QVERIFY(second.ok());
    const auto before = folderHashes(drive);
    for (const QString& folder : { drive, backupFolderIn(drive) })
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const BackupOutcome copied = copyBackup(*second, drive);
    QCOMPARE(copied.cause(), FailureCause::NotWritable);
    QCOMPARE(folderHashes(drive), before);
    QCOMPARE(listBackups(drive, true).size(), 1);
    QVERIFY(!listBackups(drive, true).first().damaged);
    for (const QString& folder : { drive, backupFolderIn(drive) })
        QFile::setPermissions(
            folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestBackups::secondPlaceFull()
{
    if (geteuid() != 0)
        QSKIP("a small disk of its own needs root to mount");
    TestYard yard(40);
    const BackupOutcome first = takeBackup(yard.sources(), yard.place(), noon);
    QVERIFY(first.ok());
    SmallDisk disk(4 * first->size);
    QVERIFY(disk.mounted());
    const BackupOutcome onDiskFirst = copyBackup(*first, disk.path());
    QVERIFY2(onDiskFirst.ok(), qPrintable(onDiskFirst.logText()));
    // Room for a few bills, not for the workbooks again.
    const qint64 room = QStorageInfo(disk.path()).bytesAvailable() - 16 * 1024;
    writeBytes(QDir(disk.path()).filePath(QStringLiteral("filler")), QByteArray(room, '\0'));
    writeBytes(yard.billPath(0), QByteArray(8192, 'x'));
    const BackupOutcome second = takeBackup(yard.sources(), yard.place(), noon.addDays(1));
    QVERIFY(second.ok());
    const auto before = folderHashes(disk.path());
    const BackupOutcome copied = copyBackup(*second, disk.path());
    QCOMPARE(copied.cause(), FailureCause::DiskFull);
    QCOMPARE(folderHashes(disk.path()), before);
    const QList<BackupInfo> onDisk = listBackups(disk.path(), true);
    QCOMPARE(onDisk.size(), 1);
    QVERIFY(!onDisk.first().damaged);
}

// A backup a day (three on Sundays) for 400 days, rotated after each.
void TestBackups::rotationOver400Days()
{
    TestYard yard(0);
    // The configuration alone keeps 457 backups quick.
    const BackupSources sources { QString(), QString(), yard.sources().config, QString() };
    const QDateTime start(QDate(2025, 11, 1), QTime(8, 30), Qt::UTC);
    QDateTime now;
    for (int day = 0; day < 400; ++day) {
        const int count = start.addDays(day).date().dayOfWeek() == 7 ? 3 : 1;
        for (int backup = 0; backup < count; ++backup) {
            now = start.addDays(day).addSecs(backup * 3600 + (day % 5) * 600);
            const BackupOutcome outcome = takeBackup(sources, yard.place(), now);
            QVERIFY2(outcome.ok(), qPrintable(outcome.logText()));
            rotateBackups(yard.place(), now);
        }
    }
    QList<QDate> days;
    for (const BackupInfo& backup : listBackups(yard.place(), false))
        days.append(backup.time.date());
    // Every backup of the last 7 days, one for each of 4 weeks, one for
    // each of 12 months, and no more.
    for (int back = 0; back < 7; ++back)
        QVERIFY2(days.contains(now.date().addDays(-back)),
            qPrintable(now.date().addDays(-back).toString()));
    QSet<int> months;
    for (const QDate& day : days)
        months.insert(day.year() * 12 + day.month());
    QCOMPARE(months.size(), 12);
    QVERIFY2(days.last() < now.date().addMonths(-10), qPrintable(days.last().toString()));
    QVERIFY(days.last() >= now.date().addMonths(-12));
    QVERIFY2(days.size() <= 7 + 2 + 4 + 12, qPrintable(QString::number(days.size())));
}

void TestBackups::serviceBacksUpOnceADayAndEveryTwentiethPosting()
{
    TestYard yard;
    QDateTime now = noon;
    YardBackups service(yard, [&now] { return now; });
    const QStringList& said = service.said();
    service.setSecondPlace(yard.path("unplugged"));
    service.backUpIfFirstToday();
    QTRY_VERIFY_WITH_TIMEOUT(!service.busy(), 60000);
    QCOMPARE(listBackups(yard.sources().data, false).size(), 1);
    QCOMPARE(said.size(), 1);
    QVERIFY2(said[0].startsWith(QStringLiteral("找不到第二备份位置")), qPrintable(said[0]));
    // The same day again: nothing; then the twentieth posting.
    now = noon.addSecs(3600);
    service.backUpIfFirstToday();
    for (int posting = 0; posting < 19; ++posting)
        service.countPosting();
    QVERIFY(!service.busy());
    service.countPosting();
    QVERIFY(service.busy());
    QTRY_VERIFY_WITH_TIMEOUT(!service.busy(), 60000);
    QCOMPARE(listBackups(yard.sources().data, false).size(), 2);
    // The second place still missing is said once only.
    QCOMPARE(said.size(), 1);
    QVERIFY(QDir().mkpath(yard.path("unplugged")));
    now = noon.addDays(1);
    service.backUpIfFirstToday();
    QTRY_VERIFY_WITH_TIMEOUT(!service.busy(), 60000);
    QCOMPARE(listBackups(yard.path("unplugged"), true).size(), 1);
    QCOMPARE(service.lastBackup(), now);
}

void TestBackups::restoreHoldsPostingsAndKeepsThePresentFirst()
{
    TestYard yard;
    QDateTime now = noon;
    YardBackups service(yard, [&now] { return now; });
    QVERIFY(backUpAndWait(service));
    const BackupInfo first = listBackups(yard.sources().data, true).first();
    writeBytes(yard.billPath(3), "bill 3 overwritten");
    bool commandRunning = true, held = false, reopened = false;
    service.setRestoreHooks([&] { return held = !commandRunning; }, [&] { reopened = true; });
    const QStringList& said = service.said();
    QVERIFY(!service.restore(first));
    QCOMPARE(said.last(), QStringLiteral("正在入库、出库或导出账单，请完成后再恢复。"));
    commandRunning = false;
    now = noon.addSecs(600);
    QVERIFY(service.restore(first, QStringLiteral("文档/账单/2026-12/3.xls")));
    QVERIFY(held);
    QTRY_VERIFY_WITH_TIMEOUT(reopened, 60000);
    QCOMPARE(said.last(),
        QStringLiteral("已恢复 2026-12-09 12:00 的备份中的账单 2026-12/3.xls。"
                       "恢复前的文件已另存为备份 2026-12-09-121000。"));
    QFile bill(yard.billPath(3));
    QVERIFY(bill.open(QIODevice::ReadOnly));
    QCOMPARE(bill.readAll(), QByteArray("bill 3"));
    // The overwritten bill is kept in the backup taken before.
    const BackupInfo before = listBackups(yard.sources().data, true).first();
    QCOMPARE(before.name, QStringLiteral("2026-12-09-121000"));
    QFile kept(QDir(before.folder).filePath(QStringLiteral("文档/账单/2026-12/3.xls")));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("bill 3 overwritten"));
}

void TestBackups::historyOfABackupIsCheckedAsAStranger_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<int>("deadlineMs");
    QTest::addColumn<FailureCause>("outcome");
    QTest::newRow("the program's own schema is sound")
        << QStringList() << 10000 << FailureCause::None;
    QTest::newRow("a trigger of anyone else's is refused")
        << QStringList { QStringLiteral("CREATE TRIGGER t AFTER INSERT ON loads BEGIN "
                                        "DELETE FROM payments; END") }
        << 10000 << FailureCause::BackupForeignHistory;
    QTest::newRow("a view of anyone else's is refused")
        << QStringList { QStringLiteral("CREATE VIEW v AS SELECT 1") } << 10000
        << FailureCause::BackupForeignHistory;
    QTest::newRow("a missing index is refused")
        << QStringList { QStringLiteral("DROP INDEX loads_listing") } << 10000
        << FailureCause::BackupForeignHistory;
    QTest::newRow("a check past its time stops and says so")
        << QStringList() << 0 << FailureCause::TimedOut;
}

void TestBackups::historyOfABackupIsCheckedAsAStranger()
{
    QFETCH(QStringList, statements);
    QFETCH(int, deadlineMs);
    QFETCH(FailureCause, outcome);
    TestYard yard;
    {
        TestConnection history(yard.historyPath(), QStringLiteral("change"));
        for (const QString& statement : statements)
            QVERIFY(history.run(statement));
    }
    const Result<qint64> loads = checkHistoryFile(yard.historyPath(), QDeadlineTimer(deadlineMs));
    QVERIFY2(loads.cause() == outcome, qPrintable(loads.logText()));
    if (loads)
        QCOMPARE(*loads, qint64(3));
}

QTEST_GUILESS_MAIN(TestBackups)
#include "test_backups.moc"
