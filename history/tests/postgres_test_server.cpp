#include "postgres_test_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>
#include <arpa/inet.h>
#include <functional>
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

using OpensslRun = std::function<bool(const QStringList& arguments, QString* output)>;

// A certificate authority `name` in `folder`, and with `signServer` a server
// certificate for 127.0.0.1 and localhost signed by it. EC keys: quick to
// make on a busy machine.
bool makeCertificates(const QString& folder, const QString& name, bool signServer,
    const OpensslRun& openssl, QString* error)
{
    const QDir dir(folder);
    const QStringList ecKey { QStringLiteral("-newkey"), QStringLiteral("ec"),
        QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
        QStringLiteral("-nodes") };
    const QString authority = dir.filePath(name + QStringLiteral(".crt"));
    const QString authorityKey = dir.filePath(name + QStringLiteral(".key"));
    QVector<QStringList> runs { QStringList { QStringLiteral("req"), QStringLiteral("-x509") }
        + ecKey
        + QStringList { QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
            QStringLiteral("/CN=") + name, QStringLiteral("-keyout"), authorityKey,
            QStringLiteral("-out"), authority } };
    if (signServer) {
        const QString request = dir.filePath(QStringLiteral("server.csr"));
        runs << (QStringList { QStringLiteral("req") } + ecKey
            + QStringList { QStringLiteral("-subj"), QStringLiteral("/CN=localhost"),
                QStringLiteral("-addext"),
                QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"),
                QStringLiteral("-keyout"), dir.filePath(QStringLiteral("server.key")),
                QStringLiteral("-out"), request });
        runs << QStringList { QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
            request, QStringLiteral("-CA"), authority, QStringLiteral("-CAkey"), authorityKey,
            QStringLiteral("-set_serial"), QStringLiteral("2"), QStringLiteral("-days"),
            QStringLiteral("2"), QStringLiteral("-copy_extensions"), QStringLiteral("copy"),
            QStringLiteral("-out"), dir.filePath(QStringLiteral("server.crt")) };
    }
    for (const QStringList& arguments : std::as_const(runs)) {
        QString output;
        if (!openssl(arguments, &output)) {
            *error = QStringLiteral("openssl %1 failed: %2").arg(arguments.join(u' '), output);
            return false;
        }
    }
    return true;
}

// Its output and errors together in `output`; with `errors`, the errors
// there apart.
bool runProcess(QProcess& process, int timeoutMs, const QByteArray& input, QString* output,
    QString* errors = nullptr)
{
    process.setProcessChannelMode(errors ? QProcess::SeparateChannels : QProcess::MergedChannels);
    process.start();
    process.write(input);
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished)
        process.kill();
    process.waitForFinished(1000);
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    if (errors)
        *errors = QString::fromUtf8(process.readAllStandardError());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

QString makeCertificateAuthority(const QString& folder, const QString& name, QString* error)
{
    const auto openssl = [](const QStringList& arguments, QString* output) {
        QProcess process;
        process.setProgram(QStringLiteral("openssl"));
        process.setArguments(arguments);
        return runProcess(process, 60000, {}, output);
    };
    if (!makeCertificates(folder, name, false, openssl, error))
        return {};
    return QDir(folder).filePath(name + QStringLiteral(".crt"));
}

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
// folder; as anyone else they run as that user. They run in the server's
// own folder, one they may enter wherever the tests were built.
bool PostgresTestServer::runAsServerUser(const QString& program, const QStringList& arguments,
    QString* output, int timeoutMs, const QByteArray& input)
{
    return runTool(program, arguments, output, nullptr, timeoutMs, input);
}

bool PostgresTestServer::runTool(const QString& program, const QStringList& arguments,
    QString* output, QString* errors, int timeoutMs, const QByteArray& input)
{
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    const QString path = program.contains(u'/') || program == QLatin1String("openssl")
        ? program
        : QDir(binFolder()).filePath(program);
    if (runsAsRoot()) {
        process.setProgram(QStringLiteral("runuser"));
        process.setArguments(QStringList { QStringLiteral("-u"), QLatin1String(serverUser),
                                 QStringLiteral("--"), path }
            + arguments);
    } else {
        process.setProgram(path);
        process.setArguments(arguments);
    }
    return runProcess(process, timeoutMs, input, output, errors);
}

QString PostgresTestServer::certificateAuthority() const
{
    return m_dir.filePath(QStringLiteral("test-ca.crt"));
}

// The server's own authority and certificate, TLS on, and TCP logins only
// over TLS.
bool PostgresTestServer::useTls(QString* error)
{
    const QString tls = m_dir.filePath(QStringLiteral("tls"));
    QString output;
    if (!runAsServerUser(QStringLiteral("/bin/mkdir"),
            { QStringLiteral("-m"), QStringLiteral("0700"), tls }, &output)) {
        *error = QStringLiteral("no folder for the certificates: ") + output;
        return false;
    }
    const auto openssl = [this](const QStringList& arguments, QString* said) {
        return runAsServerUser(QStringLiteral("openssl"), arguments, said);
    };
    if (!makeCertificates(tls, QStringLiteral("test-ca"), true, openssl, error))
        return false;
    // The stations' copy is their user's own, as a station keeps it.
    if (!QFile::copy(tls + QStringLiteral("/test-ca.crt"), certificateAuthority())) {
        *error = QStringLiteral("the certificate authority cannot be copied");
        return false;
    }
    // Appended and rewritten in place, the files stay the server user's.
    QFile config(QDir(m_data).filePath(QStringLiteral("postgresql.conf")));
    QFile access(QDir(m_data).filePath(QStringLiteral("pg_hba.conf")));
    if (!config.open(QIODevice::Append)
        || !access.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("the server's configuration cannot be written");
        return false;
    }
    QTextStream(&config) << "ssl = on\nssl_cert_file = '" << tls << "/server.crt'\nssl_key_file = '"
                         << tls << "/server.key'\n";
    QTextStream(&access) << "local all all trust\n"
                            "hostssl all all 127.0.0.1/32 scram-sha-256\n"
                            "hostssl all all ::1/128 scram-sha-256\n";
    return config.error() == QFileDevice::NoError && access.error() == QFileDevice::NoError;
}

bool PostgresTestServer::create(QString* error)
{
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    if (runsAsRoot()) {
        const passwd* user = ::getpwnam(serverUser);
        if (!user
            || ::chown(QFile::encodeName(m_dir.path()).constData(), user->pw_uid, user->pw_gid)
                != 0) {
            *error = QStringLiteral("the temporary folder cannot be given to the postgres user");
            return false;
        }
    }
    QString output;
    if (!runAsServerUser(QStringLiteral("initdb"),
            { QStringLiteral("-D"), m_data, QStringLiteral("-U"), QStringLiteral("postgres"),
                QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8"),
                QStringLiteral("--auth-local=trust"), QStringLiteral("--auth-host=scram-sha-256"),
                QStringLiteral("--no-sync"), QStringLiteral("--no-instructions") },
            &output, 120000)) {
        *error = QStringLiteral("initdb failed: ") + output;
        return false;
    }
    startWatchdog();
    return useTls(error) && start(error);
}

bool PostgresTestServer::start(QString* error)
{
    // A port found free may be taken before the server binds it: try others.
    QString output;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!m_port || attempt > 0)
            m_port = freeLocalPort();
        const QString options = QStringLiteral(
            "-c listen_addresses=127.0.0.1 -c port=%1 -c unix_socket_directories='%2'")
                                    .arg(m_port)
                                    .arg(m_dir.path());
        if (runAsServerUser(QStringLiteral("pg_ctl"),
                { QStringLiteral("-D"), m_data, QStringLiteral("-l"),
                    m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
                    QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"), options,
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
    const bool stopped = runAsServerUser(QStringLiteral("pg_ctl"),
        { QStringLiteral("-D"), m_data, QStringLiteral("-m"), QStringLiteral("fast"),
            QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
            QStringLiteral("stop") },
        &output, 90000);
    if (stopped)
        m_running = false;
    else if (error)
        *error = QStringLiteral("pg_ctl stop failed: ") + output;
    return stopped;
}

QStringList PostgresTestServer::socketArguments() const
{
    return { QStringLiteral("-h"), m_dir.path(), QStringLiteral("-p"), QString::number(m_port),
        QStringLiteral("-U"), QStringLiteral("postgres") };
}

// Only what psql prints as the rows is given back; its warnings are not.
QString PostgresTestServer::admin(const QString& sql, const QString& database, QString* error)
{
    QString output;
    QString errors;
    if (!runTool(QStringLiteral("psql"),
            socketArguments()
                + QStringList { QStringLiteral("-d"), database, QStringLiteral("-v"),
                    QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-X"), QStringLiteral("-q"),
                    QStringLiteral("-At"), QStringLiteral("-c"), sql },
            &output, &errors)) {
        if (error)
            *error = errors + output;
        return {};
    }
    return output.trimmed().isNull() ? QStringLiteral("") : output.trimmed();
}

// The script goes in on psql's input, so that the server's user need not
// be able to read the test's files.
bool PostgresTestServer::adminScript(
    const QString& file, const QString& database, const QStringList& variables, QString* output)
{
    QFile script(file);
    if (!script.open(QIODevice::ReadOnly)) {
        *output = QStringLiteral("cannot read ") + file;
        return false;
    }
    QStringList arguments
        = socketArguments() + QStringList { QStringLiteral("-d"), database, QStringLiteral("-X") };
    for (const QString& variable : variables)
        arguments << QStringLiteral("-v") << variable;
    arguments << QStringLiteral("-f") << QStringLiteral("-");
    return runAsServerUser(QStringLiteral("psql"), arguments, output, 60000, script.readAll());
}

// Waits for the test's own end, however it comes, then stops the server
// at once and removes its folder.
void PostgresTestServer::startWatchdog()
{
    const QString pgCtl = QDir(binFolder()).filePath(QStringLiteral("pg_ctl"));
    const QString asServer = runsAsRoot()
        ? QStringLiteral("runuser -u %1 -- ").arg(QLatin1String(serverUser))
        : QString();
    QProcess watchdog;
    watchdog.setProgram(QStringLiteral("sh"));
    watchdog.setArguments({ QStringLiteral("-c"),
        QStringLiteral(
            "tail --pid=\"$1\" -f /dev/null; %1\"$2\" -D \"$3\" -m immediate stop; rm -rf \"$4\"")
            .arg(asServer),
        QStringLiteral("watchdog"), QString::number(QCoreApplication::applicationPid()), pgCtl,
        m_data, m_dir.path() });
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
