#include "history/sqlite_history_store.h"

#include "history/sqlite_defenses.h"

#include <QAtomicInt>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QThread>

namespace {

QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("history-sqlite-%1").arg(counter.fetchAndAddRelaxed(1));
}

// SQLite's primary result codes, as the driver reports them.
enum SqliteCode {
    Perm = 3,
    Busy = 5,
    Locked = 6,
    ReadOnly = 8,
    IoErr = 10,
    Corrupt = 11,
    Full = 13,
    CantOpen = 14,
    NotADb = 26,
};

// The driver gives no code for a failed commit, only SQLite's own words.
int resultCode(const QSqlError& error)
{
    if (!error.nativeErrorCode().isEmpty())
        return error.nativeErrorCode().toInt() & 0xff;
    const QString text = error.driverText() + u' ' + error.databaseText();
    if (text.contains(QLatin1String("disk is full")))
        return Full;
    if (text.contains(QLatin1String("locked")) || text.contains(QLatin1String("busy")))
        return Busy;
    if (text.contains(QLatin1String("malformed")) || text.contains(QLatin1String("not a database")))
        return Corrupt;
    if (text.contains(QLatin1String("readonly")) || text.contains(QLatin1String("read-only")))
        return ReadOnly;
    return 0;
}

class SqliteDriver : public HistoryDriver {
public:
    QString qtDriverName() const override { return QStringLiteral("QSQLITE"); }
    QString idColumn() const override { return QStringLiteral("INTEGER PRIMARY KEY"); }
    // Taken at once, so that two programs never both read the old version.
    QStringList beginSchemaStep() const override { return { QStringLiteral("BEGIN IMMEDIATE") }; }
    bool takesServerSteps() const override { return false; }
    QString tableExistsSql() const override
    {
        return QStringLiteral(
            "SELECT COUNT(*) > 0 FROM sqlite_master WHERE type = 'table' AND name = ?");
    }
    QString insertedIdClause() const override { return {}; }
    qint64 insertedId(QSqlQuery& insert) const override
    {
        return insert.lastInsertId().toLongLong();
    }
    Failure classify(const QSqlError& error, const QString& path) const override;
};

Failure SqliteDriver::classify(const QSqlError& error, const QString& path) const
{
    const QString detail = QStringLiteral("%1 (%2)").arg(error.text(), error.nativeErrorCode());
    // SUM() stops at the 64-bit range with a plain error of its own.
    if (error.databaseText().contains(QLatin1String("integer overflow")))
        return Failure(FailureCause::OutOfRange, path, detail);
    switch (resultCode(error)) {
    case Busy:
    case Locked:
        return Failure(FailureCause::Locked, path, detail);
    case Corrupt:
    case NotADb:
        return Failure(FailureCause::Damaged, path, detail);
    case Full:
        return Failure(FailureCause::DiskFull, path, detail);
    case Perm:
    case ReadOnly:
    case CantOpen:
        return Failure(FailureCause::NotWritable, path, detail);
    case IoErr:
        // A failed write on a full disk often comes back as an I/O error.
        if (QStorageInfo(QFileInfo(path).absolutePath()).bytesAvailable() < 64 * 1024)
            return Failure(FailureCause::DiskFull, path, detail);
        return Failure(FailureCause::Other, path, detail);
    default:
        return Failure(FailureCause::Other, path, detail);
    }
}

} // namespace

QString historyDatabasePath(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("quorvane.sqlite"));
}

SqliteHistoryStore::SqliteHistoryStore(const QString& path, int schemaVersion)
    : HistoryStore(newConnectionName(), path, std::make_unique<SqliteDriver>())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(driver().qtDriverName(), connectionName());
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw Failure(FailureCause::NotWritable, path, QStringLiteral("cannot make the folder"));
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (!db.open())
        fail(db.lastError());
    // Before the file's schema is read for the first time.
    if (const Done defended = defendSqliteConnection(db); !defended)
        throw defended.error();
    QSqlQuery pragma(db);
    // WAL: readers never block the writer; FULL: a posted load survives a
    // power cut, at one sync per record. Two programs making a new file at
    // once may both want its lock for the switch to WAL; SQLite then
    // refuses one of them at once instead of letting it wait.
    QDeadlineTimer deadline(busyTimeoutMs);
    while (!pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"))) {
        if ((pragma.lastError().nativeErrorCode().toInt() & 0xff) != Busy || deadline.hasExpired())
            fail(pragma.lastError());
        QThread::msleep(5);
    }
    if (!pragma.exec(QStringLiteral("PRAGMA synchronous=FULL")))
        fail(pragma.lastError());
    migrate(schemaVersion);
}

SqliteHistoryStore::~SqliteHistoryStore() = default;
