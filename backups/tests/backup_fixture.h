#pragma once

// A yard's files in a temporary folder: the history (the program's own
// SQLite store, whose loads each have their pieces), the two workbooks, a
// bill archive, the configuration and the unit prices; and the backup
// service over them.

#include "backups/backup_service.h"
#include "backups/backup_store.h"
#include "history/sqlite_history_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

inline QString workbookSource()
{
    return qEnvironmentVariable("QUORVANE_WORKBOOKS", QStringLiteral(QUORVANE_WORKBOOKS));
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Every regular file under a folder and its hash, by relative path.
inline QMap<QString, QByteArray> folderHashes(const QString& root)
{
    QMap<QString, QByteArray> hashes;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            hashes.insert(QDir(root).relativeFilePath(path),
                QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256));
    }
    return hashes;
}

// A connection of the calling thread's own, removed with it.
class TestConnection {
public:
    explicit TestConnection(const QString& path, const QString& name)
        : m_name(name)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=20000"));
        db.open();
    }
    ~TestConnection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    // Runs a statement; false (with the reason printed) when it fails.
    bool run(const QString& statement) const
    {
        QSqlQuery query(db());
        if (query.exec(statement))
            return true;
        qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        return false;
    }
    qint64 number(const QString& statement) const
    {
        QSqlQuery query(db());
        return query.exec(statement) && query.next() ? query.value(0).toLongLong() : -1;
    }

private:
    QString m_name;
};

// One load of `pieces` and as many payments naming it, in one transaction:
// a copy taken in the middle would show a load without all of them.
inline bool addLoad(const TestConnection& connection, int pieces)
{
    if (!connection.run(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    bool ok = connection.run(QStringLiteral(
        "INSERT INTO loads (recorded_at, day, kind, bill_number, species, buyer, "
        "truck, supplier, contact, scaler, pieces_e4, volume_e4, amount_fen, detail, "
        "station_number) VALUES ('2026-12-09T08:00:00', '2026-12-09', 0, '', '红松', '', '', '', "
        "'', '', %1, 0, 0, '{}', "
        "(SELECT coalesce(max(id), 0) + 1 FROM loads))")
                                 .arg(pieces));
    for (int piece = 0; ok && piece < pieces; ++piece)
        ok = connection.run(QStringLiteral(
            "INSERT INTO payments (station, station_number, recorded_at, day, partner, "
            "direction, amount_fen, way, note, reverses_station, reverses_number) SELECT '', "
            "(SELECT coalesce(max(station_number), 0) + 1 FROM payments), '', '', '', 0, 0, '', "
            "(SELECT max(id) FROM loads), '', 0"));
    return connection.run(ok ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK")) && ok;
}

class TestYard {
public:
    explicit TestYard(int bills = 5)
    {
        for (const char* name : { "data", "documents", "config", "place" })
            QDir().mkpath(m_root.filePath(QLatin1String(name)));
        m_sources = { m_root.filePath(QStringLiteral("data")),
            m_root.filePath(QStringLiteral("documents")), m_root.filePath(QStringLiteral("config")),
            m_root.filePath(QStringLiteral("config")) };
        for (const char* name : { "木材出入库台账.xls", "木材账单.xls" })
            QFile::copy(QDir(workbookSource()).filePath(QString::fromUtf8(name)),
                QDir(m_sources.documents).filePath(QString::fromUtf8(name)));
        for (int bill = 0; bill < bills; ++bill)
            writeBytes(billPath(bill), QByteArray("bill ") + QByteArray::number(bill));
        writeBytes(
            QDir(m_sources.config).filePath(QStringLiteral("quorvane.ini")), "[server]\nhost=\n");
        writeBytes(QDir(m_sources.config).filePath(QStringLiteral("1(0).txt")), "350\r\n");
        writeBytes(QDir(m_sources.data).filePath(QStringLiteral("tally.json")), "{}");
        // The program's own store, as a backup must hold it.
        {
            SqliteHistoryStore store(historyPath());
        }
        TestConnection connection(historyPath(), QStringLiteral("yard"));
        for (int load = 0; load < 3; ++load)
            addLoad(connection, 4);
    }
    QString path(const char* name) const { return m_root.filePath(QLatin1String(name)); }
    QString settingsPath() const
    {
        return QDir(m_sources.config).filePath(QStringLiteral("quorvane.ini"));
    }
    QString historyPath() const
    {
        return QDir(m_sources.data).filePath(QStringLiteral("quorvane.sqlite"));
    }
    QString billPath(int bill) const
    {
        return QDir(m_sources.documents).filePath(QStringLiteral("账单/2026-12/%1.xls").arg(bill));
    }
    const BackupSources& sources() const { return m_sources; }
    QString place() const { return path("place"); }

private:
    QTemporaryDir m_root;
    BackupSources m_sources;
};

// Waits for a backup already running, backs up now and waits for that to
// end, a minute at the most each.
inline bool backUpAndWait(BackupService& service)
{
    const auto idle = [&service] { return !service.busy(); };
    return QTest::qWaitFor(idle, 60000) && service.backUp() && QTest::qWaitFor(idle, 60000);
}

// The yard's backup service as the program makes it, its settings in the
// yard's file and its time from `clock`; what it says is kept.
class YardBackups : public BackupService {
public:
    YardBackups(const TestYard& yard, Clock clock)
        : BackupService(yard.sources(), yard.settingsPath(), std::move(clock))
    {
        connect(this, &BackupService::message, this,
            [this](const QString& text) { m_said.append(text); });
    }
    const QStringList& said() const { return m_said; }

private:
    QStringList m_said;
};
