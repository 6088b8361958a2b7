#include "single_instance.h"

#include "support/event_log.h"
#include "support/own_folder.h"
#include "support/regular_file.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>
#include <unistd.h>

namespace {

const QByteArray raiseRequest = "raise\n";
const QByteArray raiseAnswer = "ok\n";

} // namespace

SingleInstance::SingleInstance(const QString& dataFolder, QObject* parent)
    : QObject(parent)
    , m_socket(socketPath(dataFolder))
    , m_lockPath(lockPath(dataFolder))
    , m_lock(m_lockPath)
{
    // Stale only when its process is gone, however old it is.
    m_lock.setStaleLockTime(0);
    makeOwnFolder(dataFolder);
    // QLockFile reads a lock that is there to find its holder: a FIFO would
    // block that read, a link to a device never end it.
    if (entryAt(m_lockPath) == EntryKind::Other)
        setAside(m_lockPath);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockPath(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("quorvane.lock"));
}

QString SingleInstance::socketPath(const QString& dataFolder)
{
    // The user's runtime folder is theirs alone; one socket per data folder,
    // named short enough for a socket address.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray key = QCryptographicHash::hash(
        QDir::cleanPath(QDir(dataFolder).absolutePath()).toUtf8(), QCryptographicHash::Sha256);
    return QDir(folder).filePath(QStringLiteral("quorvane-%1-%2")
                                     .arg(::getuid())
                                     .arg(QString::fromLatin1(key.toHex().left(16))));
}

SingleInstance::Claim SingleInstance::claim(std::chrono::milliseconds patience)
{
    QDeadlineTimer deadline(patience);
    while (!m_lock.tryLock(0)) {
        if (m_lock.error() != QLockFile::LockFailedError) {
            // A data folder we cannot lock is reported by the journal; run as before.
            logEvent(QStringLiteral("no lock %1 (error %2): not checked for another program")
                         .arg(m_lockPath, QString::number(int(m_lock.error()))));
            return Claim::First;
        }
        // The first may be between taking the lock and listening.
        if (askRunningOne(std::chrono::milliseconds(500)))
            return Claim::AnotherRaised;
        if (deadline.hasExpired())
            return Claim::AnotherSilent;
        QThread::msleep(50);
    }
    listen();
    return Claim::First;
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a killed program: its lock was stale, so it is ours.
    QLocalServer::removeServer(m_socket);
    if (!m_server->listen(m_socket)) {
        logEvent(
            QStringLiteral("a later start cannot reach this one: %1").arg(m_server->errorString()));
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
}

bool SingleInstance::askRunningOne(std::chrono::milliseconds patience)
{
    QDeadlineTimer deadline(patience);
    QLocalSocket socket;
    socket.connectToServer(m_socket);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(raiseRequest);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    QByteArray answer;
    while (answer.size() < raiseAnswer.size()
        && socket.waitForReadyRead(int(deadline.remainingTime())))
        answer += socket.readAll();
    return answer.startsWith(raiseAnswer);
}

void SingleInstance::onConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            socket->readLine();
            logEvent(QStringLiteral("another start asked for the window"));
            emit raiseRequested();
            socket->write(raiseAnswer);
            socket->disconnectFromServer();
        });
    }
}

void bringToFront(QWidget& window)
{
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}
