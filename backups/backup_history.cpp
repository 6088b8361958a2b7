#include "backups/backup_history.h"

#include "history/sqlite_defenses.h"
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
        else if (const Done defended = defendSqliteConnection(db); !defended)
            m_error = defended.detail();
        m_open = m_open && m_error.isEmpty();
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

Done copyHistory(const QString& live, const QString& to)
{
    // Opening a missing store would create an empty one.
    if (!QFile::exists(live))
        return Done(FailureCause::Other, to, QStringLiteral("no history at %1").arg(live));
    QString failure;
    {
        OwnConnection connection(live);
        if (!connection.open())
            return Done(FailureCause::Other, to, connection.error());
        QString quoted = to;
        quoted.replace(QLatin1Char('\''), QLatin1String("''"));
        QSqlQuery vacuum(connection.db());
        if (!vacuum.exec(QStringLiteral("VACUUM INTO '%1'").arg(quoted)))
            failure = vacuum.lastError().text();
    }
    if (failure.isEmpty()) {
        QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (!syncFileAt(to))
            return Done(FailureCause::Other, to, QStringLiteral("cannot sync"));
        return {};
    }
    // SQLite's words for ENOSPC: "database or disk is full".
    const bool full = failure.contains(QLatin1String("full"), Qt::CaseInsensitive);
    return Done(full ? FailureCause::DiskFull : FailureCause::Other, to, failure);
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
