#pragma once

// A server on 127.0.0.1 (or on a local socket) that poses as PostgreSQL to take a password: it
// answers a request for TLS (or GSSAPI encryption) with 'N', then asks
// for the password in clear text, keeps every byte any client sends and
// hangs up once an answer came.
// It serves on the event loop of the thread that made it.

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QTcpServer>
#include <functional>

class FakePostgresServer : public QObject {
public:
    FakePostgresServer();

    bool listen();
    // On the socket at `path`, as PostgreSQL's .s.PGSQL.<port>.
    bool listenAt(const QString& path);
    int port() const { return m_server.serverPort(); }
    int connections() const { return m_connections; }
    // Everything every client sent, in the order it came.
    QByteArray received() const { return m_received; }

private:
    void serve(QIODevice* socket, const std::function<void()>& hangUp);

    QTcpServer m_server;
    QLocalServer m_local;
    int m_connections = 0;
    QByteArray m_received;
};
