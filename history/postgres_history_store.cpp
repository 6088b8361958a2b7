#include "history/postgres_history_store.h"

#include <QAtomicInt>
#include <QSqlError>

namespace {

QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("history-postgres-%1").arg(counter.fetchAndAddRelaxed(1));
}

bool mentions(const QString& text, std::initializer_list<const char*> phrases)
{
    for (const char* phrase : phrases)
        if (text.contains(QLatin1String(phrase), Qt::CaseInsensitive))
            return true;
    return false;
}

// A failed connection carries no SQLSTATE: the client library's words are
// all there is to tell the causes apart.
HistoryFailure connectionFailure(const QString& text)
{
    if (mentions(text, { "password authentication failed", "no password supplied", "authentication failed",
                           "no pg_hba.conf entry", "role \"" }))
        return HistoryFailure::LoginRefused;
    if (mentions(text, { "database \"" }) && mentions(text, { "does not exist" }))
        return HistoryFailure::DatabaseMissing;
    if (mentions(text, { "could not connect", "connection refused", "timeout expired", "could not translate host",
                           "no route to host", "network is unreachable", "server closed the connection",
                           "connection to server", "no connection to the server", "terminating connection",
                           "the database system is starting up", "the database system is shutting down" }))
        return HistoryFailure::Unreachable;
    return HistoryFailure::Other;
}

} // namespace

PostgresHistoryStore::PostgresHistoryStore(const ServerSettings& settings, int schemaVersion)
    : HistoryStore(newConnectionName(), settings.location(), Dialect::Postgres)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName());
    if (!db.isValid())
        throw HistoryError(HistoryFailure::Other, location(), QStringLiteral("the QPSQL driver is not installed"));
    db.setHostName(settings.host.trimmed());
    db.setPort(settings.port);
    db.setDatabaseName(settings.database.trimmed());
    db.setUserName(settings.user.trimmed());
    // A server gone away mid-statement is noticed in seconds, not after the
    // system's TCP timeout of many minutes.
    db.setConnectOptions(QStringLiteral("connect_timeout=%1;keepalives_idle=10;keepalives_interval=5;"
                                        "keepalives_count=3;tcp_user_timeout=15000;application_name=quorvane")
                             .arg(connectTimeoutS));
    if (!db.open())
        fail(db.lastError());
    migrate(schemaVersion);
}

PostgresHistoryStore::~PostgresHistoryStore() = default;

HistoryError PostgresHistoryStore::failure(const QSqlError& error) const
{
    const QString state = error.nativeErrorCode();
    const QString detail = QStringLiteral("%1 (%2)").arg(error.text(), state);
    if (state == QLatin1String("42501"))
        return HistoryError(HistoryFailure::NoRight, location(), detail);
    if (state == QLatin1String("3D000"))
        return HistoryError(HistoryFailure::DatabaseMissing, location(), detail);
    if (state == QLatin1String("28P01") || state == QLatin1String("28000"))
        return HistoryError(HistoryFailure::LoginRefused, location(), detail);
    // Class 08: the connection is gone; 57P: the server is shutting down.
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")))
        return HistoryError(HistoryFailure::Unreachable, location(), detail);
    if (state.isEmpty() || error.type() == QSqlError::ConnectionError)
        return HistoryError(connectionFailure(error.text()), location(), detail);
    return HistoryError(HistoryFailure::Other, location(), detail);
}

QString testServerConnection(const ServerSettings& settings)
{
    if (!settings.isSet())
        return QStringLiteral("没有填写服务器");
    try {
        PostgresHistoryStore store(settings);
    } catch (const HistoryError& error) {
        qWarning("history server test: %s %s", qPrintable(error.location()), qPrintable(error.detail()));
        return historyFailureMessage(error);
    }
    return {};
}
