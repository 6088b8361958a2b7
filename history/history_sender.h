#pragma once

// Delivers what the clerk's outbox holds to the yard's server: the loads,
// oldest first, then the joins of names and the payments, on a thread of
// its own with connections of its own, so that a posting never waits for
// the network. Each goes with the station's name and its number there; the
// server stores it once however often it is sent, and it leaves the outbox
// only after the server has committed it; one the server refuses for good
// (its rules will never take it) is kept aside instead, and the rest goes
// on. While the server cannot be
// reached it tries again after 1 s, doubling up to 30 s, and at once when
// something new is recorded: the recorder's stored handler calls
// loadRecorded(), and so does whoever records a payment or a join.

#include "history/refused_records.h"
#include "history/server_settings.h"

#include <QObject>
#include <QString>
#include <QThread>

class HistorySender : public QObject {
    Q_OBJECT

public:
    // `localPath`: the clerk's SQLite file, whose outbox is sent.
    HistorySender(QString localPath, ServerSettings settings, QObject* parent = nullptr);
    ~HistorySender() override;

    // Starts the thread; connect to the signals before.
    void start();
    // With no server set nothing is sent and nothing counts as waiting.
    void setServerSettings(const ServerSettings& settings);

    // As last reported by the thread.
    int waitingCount() const { return m_waiting; }
    // The cause of the last failed delivery in a clerk's words; empty after
    // one that went well.
    QString lastFailure() const { return m_failure; }
    // What the server refused for good and this machine keeps aside.
    RefusedRecords refused() const { return m_refused; }

    static constexpr int firstRetryMs = 1000;
    static constexpr int longestRetryMs = 30000;

public slots:
    // A load was just recorded: send now.
    void loadRecorded();

signals:
    void waitingChanged(int count);
    void failureChanged(const QString& message);
    void refusedChanged();
    // A load of this machine, by its id here, is committed on the server.
    void loadSent(qint64 id);

private:
    class Worker;
    QThread m_thread;
    Worker* m_worker;
    int m_waiting = 0;
    QString m_failure;
    RefusedRecords m_refused;
};
