#pragma once

// A PostgreSQL server of a test's own: a new cluster in a temporary folder,
// listening on 127.0.0.1 on a free port, its socket in that folder, with
// password (scram-sha-256) logins over TLS alone on TCP and trust over the
// socket for the test's own setup. Its certificate, for 127.0.0.1 and
// localhost, is signed by a certificate authority the server makes for
// itself; stations check it against certificateAuthority(). Run as the
// postgres user when the test runs as root. Stopped when destroyed; a
// watchdog process stops it and removes the folder should the test itself
// die.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class PostgresTestServer {
public:
    PostgresTestServer();
    ~PostgresTestServer();

    // /usr/lib/postgresql/15/bin, or the folder QUORVANE_PG_BIN names.
    static QString binFolder();
    static bool binariesPresent();

    // initdb and start; false with the reason in `error`.
    bool create(QString* error);
    bool start(QString* error);
    bool stop(QString* error = nullptr);
    bool isRunning() const { return m_running; }

    QString host() const { return QStringLiteral("127.0.0.1"); }
    int port() const { return m_port; }
    // The certificate a station is given to check the server with.
    QString certificateAuthority() const;
    // Where files the server itself reads may be put.
    QString folder() const { return m_dir.path(); }

    // SQL run by the superuser over the socket; the rows as psql -At prints
    // them, or a null string on failure (the reason in `error`).
    QString admin(const QString& sql, const QString& database = QStringLiteral("postgres"),
        QString* error = nullptr);
    // A psql script file run by the superuser over the socket as an
    // administrator would, with -v name=value for each of `variables`; false
    // on failure. Its output either way.
    bool adminScript(const QString& file, const QString& database, const QStringList& variables,
        QString* output);
    // A program (a path, or a server program's name) run as the user the
    // server runs as; false on failure, its output either way.
    bool runAsServerUser(const QString& program, const QStringList& arguments, QString* output,
        int timeoutMs = 60000, const QByteArray& input = {});
    QStringList socketArguments() const;

private:
    bool runTool(const QString& program, const QStringList& arguments, QString* output,
        QString* errors, int timeoutMs = 60000, const QByteArray& input = {});
    bool useTls(QString* error);
    void startWatchdog();

    QTemporaryDir m_dir;
    QString m_data;
    int m_port = 0;
    bool m_running = false;
};

// Writes the passwords as a user keeps them (the client library refuses a
// file others may read) and points PGPASSFILE at them; false on failure.
bool usePasswordFile(const QString& path, const QByteArray& lines);

// A TCP port on 127.0.0.1 that nothing listened on a moment ago.
int freeLocalPort();

// A certificate authority of its own made in `folder` with openssl: its
// certificate `name`.crt (given back) and key `name`.key. Empty on failure,
// with openssl's words in `error`.
QString makeCertificateAuthority(const QString& folder, const QString& name, QString* error);
