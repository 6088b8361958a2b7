#pragma once

// A PostgreSQL server of a test's own: a new cluster in a temporary folder,
// listening on 127.0.0.1 on a free port, its socket in that folder, with
// password (scram-sha-256) logins over TCP and trust over the socket for
// the test's own setup. Run as the postgres user when the test runs as root.
// Stopped when destroyed; a watchdog process stops it and removes the
// folder should the test itself die.

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

    // SQL run by the superuser over the socket; the rows as psql -At prints
    // them, or a null string on failure (the reason in `error`).
    QString admin(const QString& sql, const QString& database = QStringLiteral("postgres"), QString* error = nullptr);

private:
    bool run(const QString& program, const QStringList& arguments, QString* output, int timeoutMs);
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
