#include "fake_postgres_server.h"

#include <QLocalSocket>
#include <QTcpSocket>
#include <QtEndian>
#include <memory>

namespace {

constexpr quint32 sslRequest = 80877103;
constexpr quint32 gssEncryptionRequest = 80877104;

quint32 readInt(const QByteArray& bytes, int at)
{
    return qFromBigEndian<quint32>(bytes.constData() + at);
}

QByteArray cleartextPasswordRequest()
{
    QByteArray message("R");
    char body[8];
    qToBigEndian<quint32>(8, body);
    qToBigEndian<quint32>(3, body + 4);
    return message + QByteArray(body, sizeof body);
}

} // namespace

FakePostgresServer::FakePostgresServer()
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            serve(socket, [socket] { socket->disconnectFromHost(); });
        }
    });
    connect(&m_local, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_local.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            serve(socket, [socket] { socket->disconnectFromServer(); });
        }
    });
}

bool FakePostgresServer::listenAt(const QString& path)
{
    m_local.setSocketOptions(QLocalServer::WorldAccessOption);
    return m_local.listen(path);
}

bool FakePostgresServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost);
}

// Until the startup message the client's messages have no type byte: a
// length, then a code or the protocol's version.
void FakePostgresServer::serve(QIODevice* socket, const std::function<void()>& hangUp)
{
    ++m_connections;
    auto pending = std::make_shared<QByteArray>();
    auto started = std::make_shared<bool>(false);
    connect(socket, &QIODevice::readyRead, this, [this, socket, pending, started, hangUp] {
        const QByteArray bytes = socket->readAll();
        m_received += bytes;
        // What came after the request for a password is all it wanted.
        if (*started) {
            hangUp();
            return;
        }
        *pending += bytes;
        while (pending->size() >= 8) {
            const quint32 length = readInt(*pending, 0);
            if (length < 8 || quint32(pending->size()) < length)
                return;
            const quint32 code = readInt(*pending, 4);
            pending->remove(0, int(length));
            if (length == 8 && (code == sslRequest || code == gssEncryptionRequest)) {
                socket->write("N");
                continue;
            }
            *started = true;
            socket->write(cleartextPasswordRequest());
            return;
        }
    });
}
