#include "postgres_test_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool runsAsRoot()
{
    return ::geteuid() == 0;
}

const char* serverUser = "postgres";

} // namespace

int freeLocalPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

PostgresTestServer::PostgresTestServer()
{
    m_data = m_dir.filePath(QStringLiteral("data"));
}

PostgresTestServer::~PostgresTestServer()
{
    stop();
}

QString PostgresTestServer::binFolder()
{
    const QString named = qEnvironmentVariable("QUORVANE_PG_BIN");
    return named.isEmpty() ? QStringLiteral("/usr/lib/postgresql/15/bin") : named;
}

bool PostgresTestServer::binariesPresent()
{
    for (const char* tool : { "initdb", "pg_ctl", "postgres", "psql" })
        if (!QFileInfo(QDir(binFolder()).filePath(QLatin1String(tool))).isExecutable())
            return false;
    return true;
}

// As root the server's tools run as the postgres user, which must own the
// folder; as anyone else they run as that user.
bool PostgresTestServer::run(const QString& program, const QStringList& arguments, QString* output, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString path = QDir(binFolder()).filePath(program);
    if (runsAsRoot())
        process.start(QStringLiteral("runuser"), QStringList { QStringLiteral("-u"), QLatin1String(serverUser), QStringLiteral("--"), path } + arguments);
    else
        process.start(path, arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished)
        process.kill();
    process.waitForFinished(1000);
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool PostgresTestServer::create(QString* error)
{
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    if (runsAsRoot()) {
        const passwd* user = ::getpwnam(serverUser);
        if (!user || ::chown(QFile::encodeName(m_dir.path()).constData(), user->pw_uid, user->pw_gid) != 0) {
            *error = QStringLiteral("the temporary folder cannot be given to the postgres user");
            return false;
        }
    }
    QString output;
    if (!run(QStringLiteral("initdb"),
            { QStringLiteral("-D"), m_data, QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-E"),
                QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--auth-local=trust"),
                QStringLiteral("--auth-host=scram-sha-256"), QStringLiteral("--no-sync"), QStringLiteral("--no-instructions") },
            &output, 120000)) {
        *error = QStringLiteral("initdb failed: ") + output;
        return false;
    }
    startWatchdog();
    return start(error);
}

bool PostgresTestServer::start(QString* error)
{
    // A port found free may be taken before the server binds it: try others.
    QString output;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!m_port || attempt > 0)
            m_port = freeLocalPort();
        const QString options = QStringLiteral("-c listen_addresses=127.0.0.1 -c port=%1 -c unix_socket_directories='%2'")
                                    .arg(m_port)
                                    .arg(m_dir.path());
        if (run(QStringLiteral("pg_ctl"),
                { QStringLiteral("-D"), m_data, QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")),
                    QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"), options,
                    QStringLiteral("start") },
                &output, 90000)) {
            m_running = true;
            return true;
        }
        QFile log(m_dir.filePath(QStringLiteral("server.log")));
        if (log.open(QIODevice::ReadOnly) && !log.readAll().contains("could not bind"))
            break;
    }
    if (error)
        *error = QStringLiteral("pg_ctl start failed: ") + output;
    return false;
}

bool PostgresTestServer::stop(QString* error)
{
    if (!m_running)
        return true;
    QString output;
    const bool stopped = run(QStringLiteral("pg_ctl"),
        { QStringLiteral("-D"), m_data, QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"),
            QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("stop") },
        &output, 90000);
    if (stopped)
        m_running = false;
    else if (error)
        *error = QStringLiteral("pg_ctl stop failed: ") + output;
    return stopped;
}

QString PostgresTestServer::admin(const QString& sql, const QString& database, QString* error)
{
    QString output;
    if (!run(QStringLiteral("psql"),
            { QStringLiteral("-h"), m_dir.path(), QStringLiteral("-p"), QString::number(m_port), QStringLiteral("-U"),
                QStringLiteral("postgres"), QStringLiteral("-d"), database, QStringLiteral("-v"),
                QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-At"),
                QStringLiteral("-c"), sql },
            &output, 60000)) {
        if (error)
            *error = output;
        return {};
    }
    return output.trimmed().isNull() ? QStringLiteral("") : output.trimmed();
}

// Waits for the test's own end, however it comes, then stops the server
// at once and removes its folder.
void PostgresTestServer::startWatchdog()
{
    const QString pgCtl = QDir(binFolder()).filePath(QStringLiteral("pg_ctl"));
    const QString asServer = runsAsRoot() ? QStringLiteral("runuser -u %1 -- ").arg(QLatin1String(serverUser)) : QString();
    QProcess watchdog;
    watchdog.setProgram(QStringLiteral("sh"));
    watchdog.setArguments({ QStringLiteral("-c"),
        QStringLiteral("tail --pid=\"$1\" -f /dev/null; %1\"$2\" -D \"$3\" -m immediate stop; rm -rf \"$4\"").arg(asServer),
        QStringLiteral("watchdog"), QString::number(QCoreApplication::applicationPid()), pgCtl, m_data, m_dir.path() });
    watchdog.setStandardInputFile(QProcess::nullDevice());
    watchdog.setStandardOutputFile(QProcess::nullDevice());
    watchdog.setStandardErrorFile(QProcess::nullDevice());
    watchdog.startDetached();
}

bool usePasswordFile(const QString& path, const QByteArray& lines)
{
    QFile passwords(path);
    if (!passwords.open(QIODevice::WriteOnly) || passwords.write(lines) != lines.size())
        return false;
    passwords.close();
    if (!passwords.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        return false;
    qputenv("PGPASSFILE", QFile::encodeName(path));
    return true;
}
