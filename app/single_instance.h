#pragma once

// One program at a time per user and data folder, so that two tally
// windows never share one journal or post into one ledger. The first start
// holds a lock file in the data folder and listens on a local socket of the
// user's own; a later start asks it to come to the front and ends. A lock
// left by a killed program names a process that is gone: the next start
// takes it over, with the socket the killed one left.

#include <QLockFile>
#include <QObject>
#include <QString>
#include <chrono>

class QLocalServer;
class QWidget;

class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const QString& dataFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Claim {
        First, // this program runs
        AnotherRaised, // another runs and was asked to come to the front
        AnotherSilent, // another holds the lock but did not answer in time
    };
    Claim claim(std::chrono::milliseconds patience = std::chrono::seconds(10));

    static QString socketPath(const QString& dataFolder);
    static QString lockPath(const QString& dataFolder);

signals:
    // A later start asked for the window.
    void raiseRequested();

private:
    void listen();
    bool askRunningOne(std::chrono::milliseconds patience);
    void onConnection();

    QString m_socket;
    QString m_lockPath;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
};

// Shown, restored from the task bar, raised and given the keyboard.
void bringToFront(QWidget& window);
