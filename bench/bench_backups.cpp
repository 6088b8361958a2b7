// A year of books backed up and verified: 200 000 loads in the history, a
// ledger the size of 60 000 rows, 10 000 archived bills. Measures the whole
// backup, the longest stall of the event loop while it runs, and a backup
// where only the history and the ledger changed, among the backups a year
// keeps (their lists alone: a backup lists, links and rotates by them).

#include "backups/backup_service.h"
#include "bench_table.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const QString workbooks = QStringLiteral(QUORVANE_WORKBOOKS);

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// The shipped workbook padded to `bytes` in whole sectors.
QByteArray workbookOfSize(const QString& name, qint64 bytes)
{
    QFile file(QDir(workbooks).filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no workbook %s", qPrintable(name));
    QByteArray content = file.readAll();
    content.append(QByteArray((bytes - content.size() + 511) / 512 * 512, '\x01'));
    return content;
}

void fillHistory(const QString& path, int loads, int first = 0)
{
    {
        QSqlDatabase db
            = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery query(db);
        query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS loads (id INTEGER PRIMARY KEY, "
                                  "recorded_at TEXT NOT NULL, day TEXT "
                                  "NOT NULL, kind INTEGER NOT NULL, bill_number TEXT NOT NULL, "
                                  "species TEXT NOT NULL, buyer TEXT "
                                  "NOT NULL, truck TEXT NOT NULL, supplier TEXT NOT NULL, contact "
                                  "TEXT NOT NULL, scaler TEXT NOT "
                                  "NULL, pieces_e4 BIGINT NOT NULL, volume_e4 BIGINT NOT NULL, "
                                  "amount_fen BIGINT NOT NULL, detail "
                                  "TEXT NOT NULL)"));
        query.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS loads_day ON loads (day)"));
        db.transaction();
        query.prepare(QStringLiteral(
            "INSERT INTO loads VALUES (NULL, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        const QString detail = QStringLiteral("{\"lengths\":[\"4\",\"6\"],\"cells\":[%1]}")
                                   .arg(QStringLiteral("\"12\",").repeated(60));
        for (int load = first; load < first + loads; ++load) {
            const QString day = QDate(2026, 1, 1).addDays(load % 365).toString(Qt::ISODate);
            for (const QVariant& value :
                { QVariant(day + QStringLiteral("T10:00:00")), QVariant(day), QVariant(load % 3),
                    QVariant(QStringLiteral("20260101-%1").arg(load)),
                    QVariant(QStringLiteral("红松")), QVariant(QStringLiteral("林场")),
                    QVariant(QStringLiteral("黑A12345")), QVariant(QStringLiteral("供货人")),
                    QVariant(QStringLiteral("13800000000")), QVariant(QStringLiteral("检尺员")),
                    QVariant(qint64(120000)), QVariant(qint64(356000)), QVariant(qint64(1234500)),
                    QVariant(detail) })
                query.addBindValue(value);
            query.exec();
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

// The older backups the rotation keeps after a year: the last days, the
// newest of earlier weeks and of each month, as copies of one backup's lists.
int addKeptBackups(const BackupInfo& like)
{
    QList<QDateTime> times;
    for (int day = 1; day <= 6; ++day)
        times.append(like.time.addDays(-day));
    for (int week = 2; week <= 3; ++week)
        times.append(like.time.addDays(-7 * week));
    for (int month = 1; month <= 11; ++month)
        times.append(like.time.addMonths(-month));
    for (const QDateTime& time : times) {
        const QString folder = QDir(like.place).filePath(backupName(time));
        QDir().mkpath(folder);
        for (const char* list : { "manifest.sha256", "sizes.txt" })
            QFile::copy(QDir(like.folder).filePath(QLatin1String(list)),
                QDir(folder).filePath(QLatin1String(list)));
    }
    return int(times.size());
}

struct Run {
    double seconds = 0;
    double longestStallMs = 0;
    BackupInfo backup;
};

// One backup through the service, the event loop timed meanwhile.
Run timedBackup(BackupService& service)
{
    Run run;
    QElapsedTimer clock, sinceTick;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        run.longestStallMs = std::max(run.longestStallMs, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    bool done = false;
    auto connection
        = QObject::connect(&service, &BackupService::backupDone, [&](const BackupInfo& backup) {
              run.backup = backup;
              done = true;
          });
    clock.start();
    sinceTick.start();
    tick.start();
    service.backUp();
    while (service.busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    run.seconds = clock.nsecsElapsed() / 1e9;
    QObject::disconnect(connection);
    if (!done)
        qFatal("the backup failed");
    return run;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    const BackupSources sources { root.filePath(QStringLiteral("data")),
        root.filePath(QStringLiteral("documents")), root.filePath(QStringLiteral("config")),
        root.filePath(QStringLiteral("config")) };
    for (const QString& folder : { sources.data, sources.documents, sources.config })
        QDir().mkpath(folder);
    QElapsedTimer preparing;
    preparing.start();
    fillHistory(QDir(sources.data).filePath(QStringLiteral("quorvane.sqlite")), 200000);
    // About 100 bytes a ledger row in Excel 97.
    writeFile(QDir(sources.documents).filePath(QStringLiteral("木材出入库台账.xls")),
        workbookOfSize(QStringLiteral("木材出入库台账.xls"), 60000 * 100));
    const QByteArray bill = workbookOfSize(QStringLiteral("木材账单.xls"), 0);
    writeFile(QDir(sources.documents).filePath(QStringLiteral("木材账单.xls")), bill);
    for (int number = 0; number < 10000; ++number)
        writeFile(
            QDir(sources.documents)
                .filePath(QStringLiteral("账单/2026-%1/%2.xls").arg(number / 900 + 1).arg(number)),
            bill);
    writeFile(QDir(sources.config).filePath(QStringLiteral("quorvane.ini")), "[backup]\n");
    qInfo("prepared in %.1f s", preparing.elapsed() / 1000.0);

    BenchTable table;
    QDateTime now(QDate(2026, 12, 31), QTime(9, 0));
    BackupService service(sources, QDir(sources.config).filePath(QStringLiteral("quorvane.ini")),
        [&now] { return now; });
    const Run first = timedBackup(service);
    table.add(QStringLiteral("backup of a year, verified"), first.seconds, QStringLiteral("s"),
        QStringLiteral("%1 MB").arg(first.backup.size / 1e6, 0, 'f', 0));
    table.add(QStringLiteral("longest event loop stall meanwhile"), first.longestStallMs,
        QStringLiteral("ms"));

    const int kept = addKeptBackups(first.backup);
    fillHistory(QDir(sources.data).filePath(QStringLiteral("quorvane.sqlite")), 20, 200000);
    writeFile(QDir(sources.documents).filePath(QStringLiteral("木材出入库台账.xls")),
        workbookOfSize(QStringLiteral("木材出入库台账.xls"), 60020 * 100));
    now = now.addSecs(3600);
    const Run second = timedBackup(service);
    table.add(QStringLiteral("backup, history and ledger changed"), second.seconds,
        QStringLiteral("s"), QStringLiteral("%1 backups kept").arg(kept + 1));
    table.add(QStringLiteral("longest event loop stall meanwhile"), second.longestStallMs,
        QStringLiteral("ms"));
    if (argc > 1)
        table.writeJson(QString::fromLocal8Bit(argv[1]));
    return 0;
}
