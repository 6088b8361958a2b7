#include "app/tally_program.h"
#include "backup_fixture.h"
#include "backups/backup_service.h"
#include "backups/backup_store.h"
#include "memory_fixture.h"
#include "records/stock_ledger.h"
#include "tally_window/click_label.h"
#include "tally_window/form1.h"
#include "tally_window/tally_field.h"
#include "tally_window/workbook_commands.h"
#include "test_answers.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using Change = std::function<void(const QString&, const QString&)>;
Q_DECLARE_METATYPE(Change)

// A backup place someone else can write: every way found to turn a backup
// against the books, run through the program and its window 备份与恢复.
namespace {

QMap<QString, QByteArray> hashesUnder(const QString& root)
{
    QMap<QString, QByteArray> hashes;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            hashes.insert(file.fileName(),
                QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256));
    }
    return hashes;
}

bool runSql(const QString& path, const QStringList& statements)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("x"));
        db.setDatabaseName(path);
        ok = db.open();
        for (const QString& statement : statements)
            ok = ok && QSqlQuery(db).exec(statement);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("x"));
    return ok;
}

template <typename T> void put(QByteArray& bytes, qint64 at, T value)
{
    qToLittleEndian(value, bytes.data() + at);
}

// An Excel 97 file whose workbook names `sheets` sheets 入库, each of them
// starting at the workbook's own beginning: read sheet by sheet, every one
// reads the whole file again.
QByteArray ledgerBomb(int sheets)
{
    QByteArray stream;
    const auto record = [&stream](quint16 type, const QByteArray& data) {
        QByteArray head(4, '\0');
        put<quint16>(head, 0, type);
        put<quint16>(head, 2, quint16(data.size()));
        stream += head + data;
    };
    record(0x0809, QByteArray(16, '\0'));
    QByteArray sheet(12, '\0');
    sheet[6] = 2; // two characters, wide
    sheet[7] = 1;
    put<quint16>(sheet, 8, u'入');
    put<quint16>(sheet, 10, u'库');
    for (int at = 0; at < sheets; ++at)
        record(0x0085, sheet);
    record(0x000A, QByteArray());
    stream.resize((stream.size() + 511) / 512 * 512, '\0');
    const quint32 streamSectors = quint32(stream.size() / 512);
    const quint32 tableSectors = (streamSectors + 2 + 127) / 128 + 1;
    QByteArray file(512, '\0');
    file.replace(0, 8, QByteArray::fromHex("d0cf11e0a1b11ae1"));
    put<quint16>(file, 24, 0x3E);
    put<quint16>(file, 26, 3);
    put<quint16>(file, 28, 0xFFFE);
    put<quint16>(file, 30, 9);
    put<quint16>(file, 32, 6);
    put<quint32>(file, 44, tableSectors);
    put<quint32>(file, 48, tableSectors); // the directory follows the table
    put<quint32>(file, 56, 4096);
    put<quint32>(file, 60, 0xFFFFFFFE);
    put<quint32>(file, 68, 0xFFFFFFFE);
    for (int slot = 0; slot < 109; ++slot)
        put<quint32>(file, 76 + 4 * slot, slot < int(tableSectors) ? quint32(slot) : 0xFFFFFFFF);
    QByteArray table(tableSectors * 512, '\xff');
    for (quint32 sector = 0; sector < tableSectors; ++sector)
        put<quint32>(table, 4 * sector, 0xFFFFFFFD);
    put<quint32>(table, 4 * tableSectors, 0xFFFFFFFE);
    for (quint32 at = 0; at < streamSectors; ++at) {
        const quint32 sector = tableSectors + 1 + at;
        put<quint32>(table, 4 * sector, at + 1 < streamSectors ? sector + 1 : 0xFFFFFFFE);
    }
    QByteArray directory(512, '\0');
    const auto entry
        = [&directory](int index, const QString& name, char type, quint32 start, quint32 size) {
              const qint64 at = index * 128;
              for (int c = 0; c < name.size(); ++c)
                  put<quint16>(directory, at + 2 * c, name[c].unicode());
              put<quint16>(directory, at + 64, quint16((name.size() + 1) * 2));
              directory[at + 66] = type;
              put<quint32>(directory, at + 116, start);
              put<quint32>(directory, at + 120, size);
          };
    entry(0, QStringLiteral("Root Entry"), 5, 0xFFFFFFFE, 0);
    entry(1, QStringLiteral("Workbook"), 2, tableSectors + 1, quint32(stream.size()));
    return file + table + directory + stream;
}

// A yard whose program runs with a second place, and a hand that plants
// backups there.
class Yard {
    // First made, last gone: the program's files are in it.
    QTemporaryDir m_root;

public:
    Yard()
    {
        for (const char* name : { "data", "config", "second", "outside" })
            QDir().mkpath(path(name));
        prepareMemoryLedger(spreadsheet, ledgerPath(m_root.path()), { QStringLiteral("红松") });
        for (const char* name : { "木材出入库台账.xls", "木材账单.xls" }) {
            QFile::remove(m_root.filePath(QString::fromUtf8(name)));
            QFile::copy(QStringLiteral(QUORVANE_WORKBOOKS "/") + QString::fromUtf8(name),
                m_root.filePath(QString::fromUtf8(name)));
        }
        QSettings ini(path("config") + QStringLiteral("/quorvane.ini"), QSettings::IniFormat);
        ini.setValue(QStringLiteral("history_server/host"), QStringLiteral("yard.example"));
        ini.setValue(QStringLiteral("backup/second_place"), path("second"));
        ini.sync();
        writeBytes(path("config") + QStringLiteral("/yard.crt"), "the yard's certificate");
        writeBytes(m_root.filePath(QStringLiteral("账单/2026-12/2026-12-08-001.xls")), "a bill");
    }
    QString path(const char* name) const { return m_root.filePath(QLatin1String(name)); }
    QString ledger() const { return ledgerPath(m_root.path()); }
    // A load recorded in the live history, as a posting records it.
    void addLoad() const
    {
        QVERIFY(runSql(path("data") + QStringLiteral("/quorvane.sqlite"),
            { QStringLiteral("INSERT INTO loads (recorded_at, day, kind, bill_number, species, "
                             "buyer, truck, supplier, contact, scaler, pieces_e4, volume_e4, "
                             "amount_fen, detail, station_number) VALUES ('2026-12-09T08:00:00', "
                             "'2026-12-09', 0, '', '红松', '', '', '', '', '', 10000, 0, 0, '{}', "
                             "(SELECT coalesce(max(id), 0) + 1 FROM loads))") }));
    }
    QString secondBackups() const { return path("second") + QStringLiteral("/备份"); }
    void start()
    {
        program
            = std::make_unique<TallyProgram>(TallyFolders { m_root.path(), path("config"),
                                                 path("data"), path("data"), path("config"), true },
                spreadsheet);
        program->window().show();
    }
    // Started, its first backup taken, then one load in the history, so
    // the next backup holds books.
    void startWithBooks()
    {
        start();
        QTRY_VERIFY_WITH_TIMEOUT(foot()->text().startsWith(QStringLiteral("已备份")), 60000);
        program->backups()->waitForIdle();
        addLoad();
    }
    QLabel* foot() const
    {
        return program->window().findChild<QLabel*>(QStringLiteral("BackupFoot"));
    }
    // A copy of the newest backup here as a stranger's at the second place,
    // changed by `change`, its manifest written again to match.
    QString plant(const std::function<void(const QString&)>& change) const
    {
        const QString from = listBackups(path("data"), false).first().folder;
        const QString to = secondBackups() + QStringLiteral("/2099-01-02-000000");
        QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString target = QDir(to).filePath(QDir(from).relativeFilePath(file));
            QDir().mkpath(QFileInfo(target).absolutePath());
            QFile::copy(file, target);
            QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        change(to);
        QByteArray hashes, sizes;
        QDirIterator files(to, QDir::Files, QDirIterator::Subdirectories);
        QStringList paths;
        while (files.hasNext())
            paths.append(QDir(to).relativeFilePath(files.next()));
        paths.sort();
        for (const QString& inside : paths) {
            if (inside == QLatin1String("manifest.sha256") || inside == QLatin1String("sizes.txt"))
                continue;
            QFile file(QDir(to).filePath(inside));
            file.open(QIODevice::ReadOnly);
            const QByteArray bytes = file.readAll();
            hashes += QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() + "  "
                + inside.toUtf8() + '\n';
            sizes += QByteArray::number(bytes.size()) + '\t' + inside.toUtf8() + '\n';
        }
        writeBytes(QDir(to).filePath(QStringLiteral("manifest.sha256")), hashes);
        writeBytes(QDir(to).filePath(QStringLiteral("sizes.txt")), sizes);
        return to;
    }

    MemorySpreadsheet spreadsheet;
    std::unique_ptr<TallyProgram> program;
};

QTableWidget* openBackupsWindow(Yard& yard)
{
    emit static_cast<ClickLabel*>(yard.foot())->clicked();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("Backups") && window->isVisible())
            return window->findChild<QTableWidget*>(QStringLiteral("BackupList"));
    return nullptr;
}

} // namespace

class TestBackupAttacks : public QObject {
    Q_OBJECT

private slots:
    void linkAtABackupPlaceIsRefused_data();
    void linkAtABackupPlaceIsRefused();
    void hostileBackup_data();
    void hostileBackup();
    void deletedBooksAreNoticedBeforeAnyBackup();
    void restoredJournalComesBackOnScreen();
};

void TestBackupAttacks::linkAtABackupPlaceIsRefused_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<int>("messages");
    // The second place's failure is said once until it works again.
    QTest::newRow("the second place's 备份 links to a home") << QStringLiteral("second") << 1;
    QTest::newRow("the data folder's 备份 links to a home") << QStringLiteral("data") << 2;
}

void TestBackupAttacks::linkAtABackupPlaceIsRefused()
{
    QFETCH(QString, place);
    QFETCH(int, messages);
    Yard yard;
    QTemporaryDir home;
    for (const char* file : { ".config/Quorvane/quorvane.ini", ".ssh/id_ed25519",
             ".local/share/Quorvane/quorvane.sqlite", ".2026-12-09-120000/notes" })
        writeBytes(home.filePath(QString::fromUtf8(file)), file);
    const auto before = hashesUnder(home.path());
    QVERIFY(QFile::link(
        home.path(), yard.path(place.toLatin1().constData()) + QStringLiteral("/备份")));
    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok);
    yard.start();
    QTRY_COMPARE_WITH_TIMEOUT(answers.waitingAnswers(), 0, 60000);
    // 立即备份 as well.
    if (messages > 1)
        answers.setNextAnswer(MessageAnswer::Ok);
    QVERIFY(backUpAndWait(*yard.program->backups()));
    QCOMPARE(answers.texts().size(), messages);
    for (const QString& text : answers.texts())
        QVERIFY2(text.contains(QStringLiteral("是一个链接")), qPrintable(text));
    QCOMPARE(hashesUnder(home.path()), before);
    QVERIFY(
        QFileInfo(yard.path(place.toLatin1().constData()) + QStringLiteral("/备份")).isSymLink());
}

void TestBackupAttacks::hostileBackup_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("ledgerRows");
    const QString refused = QStringLiteral("已损坏，不能恢复");
    QTest::newRow("a history with a trigger that forges every load, another server and "
                  "certificate, is refused")
        << Change([](const QString& backup, const QString&) {
               QVERIFY(runSql(QDir(backup).filePath(QStringLiteral("数据/quorvane.sqlite")),
                   { QStringLiteral(
                       "CREATE TRIGGER forge AFTER INSERT ON loads BEGIN UPDATE "
                       "loads SET buyer = '木业乙（已篡改）' WHERE id = new.id; END") }));
               writeBytes(QDir(backup).filePath(QStringLiteral("设置/quorvane.ini")),
                   "[history_server]\nhost=attacker.example\ncertificate=attacker.crt\n");
               writeBytes(QDir(backup).filePath(QStringLiteral("设置/attacker.crt")), "attacker");
           })
        << refused << QStringLiteral("—");
    QTest::newRow("an endless view in place of the loads is refused at once") << Change(
        [](const QString& backup, const QString&) {
            QVERIFY(runSql(QDir(backup).filePath(QStringLiteral("数据/quorvane.sqlite")),
                { QStringLiteral("DROP TABLE loads"),
                    QStringLiteral("CREATE VIEW loads AS WITH RECURSIVE r(id) AS (SELECT 1 "
                                   "UNION ALL SELECT id + 1 FROM r) SELECT id FROM r") }));
        }) << refused << QStringLiteral("—");
    QTest::newRow("a folder link inside the backup is refused") << Change(
        [](const QString& backup, const QString& outside) {
            const QString bills = QDir(backup).filePath(QStringLiteral("文档/账单"));
            QVERIFY(QDir().rename(bills, QDir(outside).filePath(QStringLiteral("账单"))));
            QVERIFY(QFile::link(QDir(outside).filePath(QStringLiteral("账单")), bills));
        }) << refused << QStringLiteral("—");
    QTest::newRow("a ledger of fifty thousand sheets named 入库 is read once") << Change(
        [](const QString& backup, const QString&) {
            writeBytes(QDir(backup).filePath(QStringLiteral("文档/木材出入库台账.xls")),
                ledgerBomb(50000));
        }) << QStringLiteral("完好") << QStringLiteral("0");
    QTest::newRow("a backup of another machine says so, and the restore asks knowing it") << Change(
        [](const QString& backup, const QString&) {
            QFile origin(QDir(backup).filePath(QStringLiteral("origin.txt")));
            QVERIFY(origin.open(QIODevice::ReadOnly));
            QByteArray text = origin.readAll();
            origin.close();
            text.replace("machine=", "machine=another-");
            writeBytes(origin.fileName(), text);
        }) << QStringLiteral("完好（来自另一台电脑或另一个用户）") << QStringLiteral("0");
    QTest::newRow("a ledger larger than a year's is read as none") << Change(
        [](const QString& backup, const QString&) {
            QFile ledger(QDir(backup).filePath(QStringLiteral("文档/木材出入库台账.xls")));
            QVERIFY(ledger.open(QIODevice::WriteOnly | QIODevice::Append));
            QVERIFY(ledger.resize(65 * 1024 * 1024));
        }) << QStringLiteral("完好") << QStringLiteral("—");
}

void TestBackupAttacks::hostileBackup()
{
    QFETCH(Change, change);
    QFETCH(QString, state);
    QFETCH(QString, ledgerRows);
    Yard yard;
    TestAnswers answers;
    yard.startWithBooks();
    const QString outside = yard.path("outside");
    yard.plant([&](const QString& backup) { change(backup, outside); });
    const auto config = hashesUnder(yard.path("config"));

    QElapsedTimer answered;
    answered.start();
    QTableWidget* table = openBackupsWindow(yard);
    QVERIFY(table);
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 3, 10000);
    QVERIFY(answered.elapsed() < 10000);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("2099-01-02 00:00:00"));
    QCOMPARE(table->item(0, 2)->text(), ledgerRows);
    QCOMPARE(table->item(0, 5)->text(), state);
    table->selectRow(0);
    auto* whole = table->window()->findChild<QPushButton*>(QStringLiteral("RestoreWhole"));
    QCOMPARE(whole->isEnabled(), state != QStringLiteral("已损坏，不能恢复"));
    if (whole->isEnabled()) {
        answers.setNextAnswer(MessageAnswer::Yes);
        answers.setNextAnswer(MessageAnswer::Ok);
        QTest::mouseClick(whole, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(answers.waitingAnswers(), 0, 60000);
        QVERIFY2(answers.texts().last().startsWith(QStringLiteral("已恢复")),
            qPrintable(answers.texts().join('\n')));
        QCOMPARE(answers.texts().first().contains(QStringLiteral("来自另一台电脑或另一个用户")),
            state.contains(QStringLiteral("另一台电脑")));
    } else {
        // Past the window, the service itself refuses it.
        answers.setNextAnswer(MessageAnswer::Ok);
        QVERIFY(yard.program->backups()->restore(listBackups(yard.path("second"), false).first()));
        QTRY_COMPARE_WITH_TIMEOUT(answers.waitingAnswers(), 0, 60000);
        QVERIFY2(answers.texts().last().contains(QStringLiteral("已损坏，不能恢复")),
            qPrintable(answers.texts().join('\n')));
    }
    // The yard server, its certificate and the backup places stay as they were.
    QCOMPARE(hashesUnder(yard.path("config")), config);
    // The program ends within 5 s of its exit, whatever its worker does.
    table->window()->findChild<QPushButton*>(QStringLiteral("BackUpNow"))->click();
    QElapsedTimer ending;
    ending.start();
    yard.program.reset();
    QVERIFY(ending.elapsed() < 5000);
}

void TestBackupAttacks::deletedBooksAreNoticedBeforeAnyBackup()
{
    Yard yard;
    {
        TestAnswers answers;
        yard.startWithBooks();
        QVERIFY(backUpAndWait(*yard.program->backups()));
        yard.program.reset();
    }
    // A dead disk: the data folder (with its backups) and the workbooks.
    QVERIFY(QDir(yard.path("data")).removeRecursively());
    QVERIFY(QFile::remove(yard.ledger()));
    const QStringList backupsBefore
        = QDir(yard.secondBackups()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    TestAnswers answers;
    QStringList backupsAtQuestion;
    answers.whileShown = [&](const Message&) {
        if (backupsAtQuestion.isEmpty())
            backupsAtQuestion = QDir(yard.secondBackups())
                                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)
                + QDir(yard.path("data") + QStringLiteral("/备份"))
                      .entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    };
    answers.setNextAnswer(MessageAnswer::Yes);
    answers.setNextAnswer(MessageAnswer::Ok);
    yard.start();
    QTRY_COMPARE_WITH_TIMEOUT(answers.waitingAnswers(), 0, 60000);
    const QString question = answers.texts().first();
    QVERIFY2(question.contains(QStringLiteral("历史记录"))
            && question.contains(QStringLiteral("木材出入库台账.xls")),
        qPrintable(question));
    QCOMPARE(backupsAtQuestion, backupsBefore);
    QVERIFY2(answers.texts().last().startsWith(QStringLiteral("已恢复")),
        qPrintable(answers.texts().last()));
    QVERIFY(QFileInfo(yard.ledger()).size() > 0);
}

void TestBackupAttacks::restoredJournalComesBackOnScreen()
{
    Yard yard;
    TestAnswers answers;
    yard.start();
    QTRY_VERIFY_WITH_TIMEOUT(yard.foot()->text().startsWith(QStringLiteral("已备份")), 60000);
    TallyField* buyer = yard.program->window().fields().text17;
    buyer->setText(QStringLiteral("木业甲"));
    const auto journal = [&yard] {
        QFile file(yard.path("data") + QStringLiteral("/tally-journal.json"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    QTRY_VERIFY_WITH_TIMEOUT(journal().contains(QStringLiteral("木业甲")), 10000);
    QVERIFY(backUpAndWait(*yard.program->backups()));
    const BackupInfo withSheet = listBackups(yard.path("data"), false).first();
    buyer->setText(QStringLiteral("木业丙"));
    answers.setNextAnswer(MessageAnswer::Ok); // what was restored
    answers.setNextAnswer(MessageAnswer::Yes); // the sheet on screen is replaced
    QVERIFY(yard.program->backups()->restore(withSheet));
    QTRY_COMPARE_WITH_TIMEOUT(answers.waitingAnswers(), 0, 60000);
    QVERIFY2(answers.texts().first().contains(QStringLiteral("未完成的检尺单")),
        qPrintable(answers.texts().first()));
    QCOMPARE(buyer->text(), QStringLiteral("木业甲"));
}

QTEST_MAIN(TestBackupAttacks)
#include "test_backup_attacks.moc"
