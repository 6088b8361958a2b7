#include "backups/backup_history.h"

#include "support/durable_copy.h"

#include <QAtomicInt>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

QAtomicInt connectionCount;

// One connection, opened and closed within the calling thread.
class OwnConnection {
public:
    explicit OwnConnection(const QString& path)
        : m_name(QStringLiteral("backup-%1").arg(connectionCount.fetchAndAddRelaxed(1)))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        m_open = db.open();
        if (!m_open)
            m_error = db.lastError().text();
    }
    ~OwnConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    bool open() const { return m_open; }
    QString error() const { return m_error; }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
    bool m_open = false;
    QString m_error;
};

} // namespace

QString copyHistory(const QString& live, const QString& to)
{
    // Opening a missing store would create an empty one.
    if (!QFile::exists(live))
        return QStringLiteral("no history at %1").arg(live);
    QString failure;
    {
        OwnConnection connection(live);
        if (!connection.open())
            return connection.error();
        QString quoted = to;
        quoted.replace(QLatin1Char('\''), QLatin1String("''"));
        QSqlQuery vacuum(connection.db());
        if (!vacuum.exec(QStringLiteral("VACUUM INTO '%1'").arg(quoted)))
            failure = vacuum.lastError().text();
    }
    if (failure.isEmpty()) {
        QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (!syncFileAt(to))
            failure = QStringLiteral("cannot sync %1").arg(to);
    }
    return failure;
}

bool historyIntact(const QString& path, qint64* loads, QString* detail)
{
    OwnConnection connection(path);
    if (!connection.open()) {
        *detail = connection.error();
        return false;
    }
    QSqlQuery check(connection.db());
    if (!check.exec(QStringLiteral("PRAGMA integrity_check")) || !check.next()
        || check.value(0).toString() != QLatin1String("ok")) {
        *detail = check.lastError().text() + check.value(0).toString();
        return false;
    }
    QSqlQuery count(connection.db());
    if (!count.exec(QStringLiteral("SELECT count(*) FROM loads")) || !count.next()) {
        *detail = count.lastError().text();
        return false;
    }
    *loads = count.value(0).toLongLong();
    return true;
}

qint64 historyLoads(const QString& path)
{
    OwnConnection connection(path);
    QSqlQuery count(connection.db());
    if (!connection.open() || !count.exec(QStringLiteral("SELECT count(*) FROM loads"))
        || !count.next())
        return -1;
    return count.value(0).toLongLong();
}

bool looksLikeExcel97(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 1024)
        return false;
    const QByteArray header = file.read(512);
    static const QByteArray signature = QByteArray::fromHex("d0cf11e0a1b11ae1");
    // Version 3 (512-byte sectors) is what Excel 97 and the office write.
    return header.startsWith(signature) && header.at(26) == 3 && header.at(30) == 9
        && (file.size() % 512) == 0;
}
