#include "backup_fixture.h"
#include "backups/backup_plan.h"
#include "backups/backup_service.h"
#include "backups/ledger_rows.h"

#include <QRandomGenerator>
#include <QtEndian>

namespace {

// Made by the office from data/posted-ledger.fods: rows 6, 7, 9, 10 and 12
// of 入库 and row 6 of 出库 posted; formulas down to row 20 of both.
QString postedLedger()
{
    return QStringLiteral(QUORVANE_BACKUP_TEST_DATA "/posted-ledger.xls");
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every entry of the first sector table points at itself.
QByteArray loopingChains(QByteArray bytes)
{
    const qint64 table = (qFromLittleEndian<quint32>(bytes.constData() + 76) + 1) * 512;
    for (quint32 entry = 0; entry < 128; ++entry)
        qToLittleEndian(entry, bytes.data() + table + entry * 4);
    return bytes;
}

BackupInfo backupOf(const QDateTime& time)
{
    BackupInfo info;
    info.name = backupName(time);
    info.time = time;
    return info;
}

} // namespace

class TestBackupSummaries : public QObject {
    Q_OBJECT

private slots:
    void ledgerRowsAreReadFromTheWorkbookFile_data();
    void ledgerRowsAreReadFromTheWorkbookFile();
    void damagedLedgerNeverReadsPastItsBytes();
    void backupListsTheRowsOfItsOwnLedger();
    void restoreMessageSaysWhatCameBack_data();
    void restoreMessageSaysWhatCameBack();
};

void TestBackupSummaries::ledgerRowsAreReadFromTheWorkbookFile_data()
{
    const QByteArray posted = bytesOf(postedLedger());
    QVERIFY(posted.size() > 4096);
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("rows");
    QTest::newRow("rows posted on both sheets count, gaps and formulas do not")
        << posted << qint64(6);
    QTest::newRow("the prepared ledger has no rows posted")
        << bytesOf(QDir(workbookSource()).filePath(QStringLiteral("木材出入库台账.xls")))
        << qint64(0);
    QTest::newRow("a workbook cut short at half reads as unknown")
        << posted.left(posted.size() / 2) << qint64(-1);
    QTest::newRow("a workbook cut after its header reads as unknown")
        << posted.left(512) << qint64(-1);
    QTest::newRow("a workbook whose sector chains loop reads as unknown")
        << loopingChains(posted) << qint64(-1);
    QTest::newRow("a text file under the name reads as unknown")
        << QByteArray("日期,树种,材积\n2026-12-09,红松,12.5\n") << qint64(-1);
    QTest::newRow("an empty file reads as unknown") << QByteArray() << qint64(-1);
}

void TestBackupSummaries::ledgerRowsAreReadFromTheWorkbookFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, rows);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("木材出入库台账.xls"));
    writeBytes(path, bytes);
    QCOMPARE(postedLedgerRows(path), rows);
    // A link to it is never followed.
    const QString link = folder.filePath(QStringLiteral("link.xls"));
    QVERIFY(QFile::link(path, link));
    QCOMPARE(postedLedgerRows(link), qint64(-1));
}

// Bytes changed anywhere: an answer within the sheets' rows or unknown,
// never a read outside the file (the sanitizer build) or a hang.
void TestBackupSummaries::damagedLedgerNeverReadsPastItsBytes()
{
    const QByteArray posted = bytesOf(postedLedger());
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("damaged.xls"));
    QRandomGenerator random(20261209);
    for (int attempt = 0; attempt < 400; ++attempt) {
        QByteArray bytes = posted;
        for (int change = random.bounded(1, 6); change > 0; --change)
            bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
        writeBytes(path, bytes);
        const qint64 rows = postedLedgerRows(path);
        QVERIFY2(rows >= -1 && rows <= 2 * 65536, qPrintable(QString::number(attempt)));
    }
}

void TestBackupSummaries::backupListsTheRowsOfItsOwnLedger()
{
    TestYard yard;
    const QDateTime noon(QDate(2026, 12, 9), QTime(12, 0), Qt::UTC);
    const QString ledger
        = QDir(yard.sources().documents).filePath(QStringLiteral("木材出入库台账.xls"));
    const BackupOutcome prepared = takeBackup(yard.sources(), yard.place(), noon);
    QVERIFY(QFile::remove(ledger) && QFile::copy(postedLedger(), ledger));
    const BackupOutcome posted = takeBackup(yard.sources(), yard.place(), noon.addSecs(60));
    QVERIFY(QFile::remove(ledger));
    const BackupOutcome none = takeBackup(yard.sources(), yard.place(), noon.addSecs(120));
    QVERIFY(prepared.ok() && posted.ok() && none.ok());
    QCOMPARE(posted->ledgerRows, qint64(6));
    QList<qint64> listed;
    for (const BackupInfo& backup : listBackups(yard.place(), true))
        listed.append(backup.ledgerRows);
    QCOMPARE(listed, QList<qint64>({ -1, 6, 0 }));
}

void TestBackupSummaries::restoreMessageSaysWhatCameBack_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<qint64>("loads");
    QTest::addColumn<QString>("message");
    const QString kept = QStringLiteral("恢复前的文件已另存为备份 2026-12-09-101500。");
    QTest::newRow("a whole backup lists its kinds, the loads, and each bill once")
        << QStringList { QStringLiteral("数据/quorvane.sqlite"),
               QStringLiteral("数据/tally-journal.json"), QStringLiteral("数据/quorvane.log"),
               QStringLiteral("文档/木材出入库台账.xls"), QStringLiteral("文档/木材账单.xls"),
               QStringLiteral("文档/账单/2026-12/2026-12-08-001.pdf"),
               QStringLiteral("文档/账单/2026-12/2026-12-08-001.xls"),
               QStringLiteral("文档/账单/2026-12/2026-12-08-002.xls"),
               QStringLiteral("文档/台账存档/木材出入库台账 2025.xls"),
               QStringLiteral("设置/quorvane.ini"), QStringLiteral("设置/1(0).txt") }
        << qint64(12345)
        << QStringLiteral("已恢复 2026-12-08 08:30 的备份：库存账本、木材账单、历史记录（12 345 "
                          "车）、单价、设置、账单 2 份、存档的台账 1 本、未完成的检尺单、日志。")
            + kept;
    QTest::newRow("one bill is named by its place in the archive")
        << QStringList { QStringLiteral("文档/账单/2026-12/2026-12-08-002.xls") } << qint64(-1)
        << QStringLiteral("已恢复 2026-12-08 08:30 的备份中的账单 2026-12/2026-12-08-002.xls。")
            + kept;
    QTest::newRow("the history alone says its loads")
        << QStringList { QStringLiteral("数据/quorvane.sqlite") } << qint64(7)
        << QStringLiteral("已恢复 2026-12-08 08:30 的备份中的历史记录（7 车）。") + kept;
    QTest::newRow("the ledger alone is named with its file")
        << QStringList { QStringLiteral("文档/木材出入库台账.xls") } << qint64(-1)
        << QStringLiteral("已恢复 2026-12-08 08:30 的备份中的库存账本（木材出入库台账.xls）。")
            + kept;
    QTest::newRow("prices of their own folder and unknown files are counted, not listed")
        << QStringList { QStringLiteral("单价/1(2).txt"), QStringLiteral("文档/旧台账.xls"),
               QStringLiteral("数据/notes.txt") }
        << qint64(-1)
        << QStringLiteral("已恢复 2026-12-08 08:30 的备份：单价、其他文件 2 个。") + kept;
    QTest::newRow("a history whose loads cannot be read has no count") << QStringList {
        QStringLiteral("数据/quorvane.sqlite"), QStringLiteral("设置/quorvane.ini")
    } << qint64(-1) << QStringLiteral("已恢复 2026-12-08 08:30 的备份：历史记录、设置。") + kept;
    QTest::newRow("nothing restored says nothing changed")
        << QStringList() << qint64(-1)
        << QStringLiteral("2026-12-08 08:30 的备份中没有要恢复的文件，所有文件都没有改动。");
}

void TestBackupSummaries::restoreMessageSaysWhatCameBack()
{
    QFETCH(QStringList, paths);
    QFETCH(qint64, loads);
    QFETCH(QString, message);
    RestoredBooks restored;
    restored.files = paths;
    restored.loads = loads;
    const BackupInfo from = backupOf(QDateTime(QDate(2026, 12, 8), QTime(8, 30)));
    QCOMPARE(restoreDoneMessage(from, restored, QStringLiteral("2026-12-09-101500")), message);
}

QTEST_GUILESS_MAIN(TestBackupSummaries)
#include "test_backup_summaries.moc"
