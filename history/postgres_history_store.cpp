#include "history/postgres_history_store.h"

#include "history/local_socket.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("history-postgres-%1").arg(counter.fetchAndAddRelaxed(1));
}

bool mentions(const QString& text, std::initializer_list<const char*> phrases)
{
    for (const char* phrase : phrases)
        if (text.contains(QString::fromUtf8(phrase), Qt::CaseInsensitive))
            return true;
    return false;
}

// The system's own words for a failed socket, in the language it speaks.
bool mentionsSocketFailure(const QString& text)
{
    for (int code : { ECONNREFUSED, ETIMEDOUT, EHOSTUNREACH, ENETUNREACH, ECONNRESET })
        if (text.contains(QString::fromLocal8Bit(std::strerror(code))))
            return true;
    return false;
}

} // namespace

// The client library and the server speak the machine's language: English
// or, on a clerk's machine, Chinese (their own translations' words). The
// checks of encryption come first: their words follow "connection to
// server ... failed:" too.
FailureCause connectionFailureCause(const QString& text)
{
    if (mentions(text, { "server does not support SSL", "服务器不支持 SSL" }))
        return FailureCause::NotEncrypted;
    if (mentions(text,
            { "certificate verify failed", "does not match host name", "与主机名不匹配",
                "SSL certificate's name", "SSL证书的名称",
                "could not get server's host name from server certificate" }))
        return FailureCause::CertificateMismatch;
    if (mentions(text, { "root certificate file", "根认证文件", "根证书文件" }))
        return FailureCause::CertificateMissing;
    if (mentions(text,
            { "password authentication failed", "no password supplied", "authentication failed",
                "no pg_hba.conf entry", "Password 认证失败", "认证失败", "pg_hba.conf 记录" })
        || (mentions(text, { "role \"", "角色 \"" })
            && mentions(text, { "does not exist", "不存在" })))
        return FailureCause::LoginRefused;
    if (mentions(text, { "database \"", "数据库 \"" })
        && mentions(text, { "does not exist", "不存在" }))
        return FailureCause::DatabaseMissing;
    // A login the yard's database does not let in: no station's.
    if (mentions(
            text, { "permission denied for database", "CONNECT privilege", "用户没有CONNECT权限" }))
        return FailureCause::NoRight;
    if (mentionsSocketFailure(text)
        || mentions(text,
            { "could not connect", "connection refused", "timeout expired",
                "could not translate host", "no route to host", "network is unreachable",
                "server closed the connection", "connection to server",
                "no connection to the server", "terminating connection",
                "the database system is starting up", "the database system is shutting down",
                "SSL connection has been closed unexpectedly", "SSL SYSCALL error",
                "could not receive data from server", "拒绝连接", "SSL连接异常关闭",
                "SSL SYSCALL 错误", "无法从服务器接收数据", "连接超时", "没有到主机的路由",
                "网络不可达", "未知的名称或服务", "域名解析暂时失败", "超时满", "无法解释主机名",
                "服务器意外地关闭了联接", "没有到服务器的联接", "中断联接", "数据库系统启动中",
                "数据库系统停止中", "连接到\"" }))
        return FailureCause::Unreachable;
    return FailureCause::Other;
}

namespace {

// Held by the one program that brings a server's schema up at a time (and
// by the yard's setup script); a server set up by the script lets only its
// owner take it.
constexpr qint64 migrationLockKey = QUORVANE_MIGRATION_LOCK;

class PostgresDriver : public HistoryDriver {
public:
    QString qtDriverName() const override { return QStringLiteral("QPSQL"); }
    QString idColumn() const override { return QStringLiteral("BIGSERIAL PRIMARY KEY"); }
    QStringList beginSchemaStep() const override
    {
        return { QStringLiteral("BEGIN"),
            QStringLiteral("SELECT pg_catalog.pg_advisory_xact_lock(%1)").arg(migrationLockKey) };
    }
    bool takesServerSteps() const override { return true; }
    QString tableExistsSql() const override
    {
        return QStringLiteral("SELECT pg_catalog.to_regclass(?) IS NOT NULL");
    }
    QString insertedIdClause() const override { return QStringLiteral(" RETURNING id"); }
    qint64 insertedId(QSqlQuery& insert) const override
    {
        return insert.next() ? insert.value(0).toLongLong() : 0;
    }
    Failure classify(const QSqlError& error, const QString& location) const override;
};

Failure PostgresDriver::classify(const QSqlError& error, const QString& location) const
{
    const QString state = error.nativeErrorCode();
    const QString detail = QStringLiteral("%1 (%2)").arg(error.text(), state);
    if (state == QLatin1String("42501")) {
        // Row-level security refused a load under a name not this login's.
        const bool otherStation = mentions(error.text(), { "row-level security", "行级安全" });
        return Failure(otherStation ? FailureCause::StationNotAllowed : FailureCause::NoRight,
            location, detail);
    }
    // A row the server's rules will never take: too long, a reversal of
    // nothing, a chain of joins. Waiting would not help.
    if (state.startsWith(QLatin1String("22")) || state.startsWith(QLatin1String("23"))
        || state == QLatin1String("54000"))
        return Failure(FailureCause::RefusedByServer, location, detail);
    if (state == QLatin1String("3D000"))
        return Failure(FailureCause::DatabaseMissing, location, detail);
    if (state == QLatin1String("28P01") || state == QLatin1String("28000"))
        return Failure(FailureCause::LoginRefused, location, detail);
    // Class 08: the connection is gone; 57P: the server is shutting down.
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")))
        return Failure(FailureCause::Unreachable, location, detail);
    if (state.isEmpty() || error.type() == QSqlError::ConnectionError)
        return Failure(connectionFailureCause(error.text()), location, detail);
    return Failure(FailureCause::Other, location, detail);
}

// A value in the client library's own quoting.
QString quotedOption(QString value)
{
    value.replace(u'\\', QLatin1String("\\\\"));
    value.replace(u'\'', QLatin1String("\\'"));
    return u'\'' + value + u'\'';
}

// A local socket gets no TLS, whatever the options say: each one the host
// names (libpq takes a list) must be one no other user could have made. An
// abstract socket ("@name") anyone may bind.
void refuseForeignSockets(const ServerSettings& settings, const QString& location)
{
    for (const QString& part : settings.host.split(u',')) {
        const QString host = part.trimmed();
        LocalSocketCheck check;
        if (host.startsWith(u'@'))
            check = { LocalSocketCheck::Unsafe, QStringLiteral("abstract socket %1").arg(host) };
        else if (host.startsWith(u'/'))
            check = checkLocalSocket(host, settings.port);
        if (check.outcome == LocalSocketCheck::Missing)
            throw Failure(FailureCause::Unreachable, location, check.detail);
        if (check.outcome == LocalSocketCheck::Unsafe)
            throw Failure(FailureCause::SocketNotSafe, location, check.detail);
    }
}

// Over TCP the connection is encrypted and the server must show the
// certificate the settings name before anything else is sent, the password
// above all. GSSAPI encryption, which would stand in for TLS unchecked, is
// not offered. A local socket is this machine's own.
QString encryptionOptions(const ServerSettings& settings, const QString& location)
{
    if (settings.mixesSocketAndAddress())
        throw Failure(FailureCause::HostsMixed, location, settings.host);
    refuseForeignSockets(settings, location);
    if (!settings.usesTls())
        return {};
    const QFileInfo certificate(settings.certificate.trimmed());
    // Whoever may rewrite the file may stand in for the server; and Qt
    // hands the options on with every ';' made a space.
    const bool othersMayChange = certificate.permission(QFile::WriteOther)
        || (certificate.ownerId() != ::geteuid() && certificate.ownerId() != 0);
    if (settings.certificate.trimmed().isEmpty() || certificate.absoluteFilePath().contains(u';')
        || !certificate.isFile() || !certificate.isReadable() || othersMayChange)
        throw Failure(FailureCause::CertificateMissing, location,
            QStringLiteral("certificate file \"%1\" not usable").arg(settings.certificate));
    return QStringLiteral("sslmode=verify-full;sslrootcert=%1;gssencmode=disable;")
        .arg(quotedOption(certificate.absoluteFilePath()));
}

} // namespace

PostgresHistoryStore::PostgresHistoryStore(const ServerSettings& settings, int schemaVersion)
    : HistoryStore(newConnectionName(), settings.location(), std::make_unique<PostgresDriver>())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(driver().qtDriverName(), connectionName());
    if (!db.isValid())
        throw Failure(
            FailureCause::Other, location(), QStringLiteral("the QPSQL driver is not installed"));
    db.setHostName(settings.host.trimmed());
    db.setPort(settings.port);
    db.setDatabaseName(settings.database.trimmed());
    db.setUserName(settings.user.trimmed());
    // A server gone away mid-statement is noticed in seconds, not after the
    // system's TCP timeout of many minutes.
    db.setConnectOptions(encryptionOptions(settings, location())
        + QStringLiteral("connect_timeout=%1;keepalives_idle=10;keepalives_interval=5;"
                         "keepalives_count=3;tcp_user_timeout=15000;application_name=quorvane")
              .arg(connectTimeoutS));
    if (!db.open())
        fail(db.lastError());
    readLoginRights();
    if (!m_mayChangeSchema && this->schemaVersion() < schemaVersion)
        throw Failure(FailureCause::SchemaOutdated, location(),
            QStringLiteral("schema %1, program knows %2")
                .arg(this->schemaVersion())
                .arg(schemaVersion));
    migrate(schemaVersion);
}

// The schema's steps are the owner's: a login that owns the tables or may
// act as their owner, or anyone on a database without them yet (where it
// needs the right to make tables). A station's login set up by the yard's
// script records under the one station name its function gives.
void PostgresHistoryStore::readLoginRights()
{
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral(
            "SELECT (SELECT pg_has_role(c.relowner, 'USAGE') FROM pg_class c WHERE c.oid = "
            "to_regclass('history_schema')), "
            "has_function_privilege(to_regprocedure('quorvane_station_name()'), 'EXECUTE')"))
        || !query.next())
        fail(query.lastError());
    m_mayChangeSchema = query.isNull(0) || query.value(0).toBool();
    if (!query.value(1).toBool())
        return;
    if (!query.exec(QStringLiteral("SELECT quorvane_station_name()")) || !query.next())
        fail(query.lastError());
    if (!query.isNull(0))
        m_boundStation = query.value(0).toString();
}

void PostgresHistoryStore::checkStationName(const QString& station) const
{
    if (m_boundStation && *m_boundStation != station)
        throw Failure(FailureCause::StationNotAllowed, location(),
            QStringLiteral("this login records as %1, not %2").arg(*m_boundStation, station));
}

PostgresHistoryStore::~PostgresHistoryStore() = default;

Done testServerConnection(const ServerSettings& settings)
{
    if (!settings.isSet())
        return Failure(FailureCause::ServerNotSet, QString());
    try {
        PostgresHistoryStore store(settings);
        store.checkStationName(settings.stationName());
    } catch (const Failure& error) {
        qWarning(
            "history server test: %s %s", qPrintable(error.path()), qPrintable(error.detail()));
        return error;
    }
    return {};
}
