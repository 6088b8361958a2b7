#include "history/history_sender.h"

#include "history/postgres_history_store.h"
#include "history/sqlite_history_store.h"

#include <QSqlDatabase>
#include <QTimer>
#include <atomic>
#include <memory>

class HistorySender::Worker : public QObject {
    Q_OBJECT

public:
    Worker(QString localPath, ServerSettings settings)
        : m_localPath(std::move(localPath))
        , m_settings(std::move(settings))
    {
    }

    void start()
    {
        m_retry = new QTimer(this);
        m_retry->setSingleShot(true);
        connect(m_retry, &QTimer::timeout, this, &Worker::send);
        send();
    }

    void wake()
    {
        m_delayMs = firstRetryMs;
        send();
    }

    void setSettings(const ServerSettings& settings)
    {
        m_settings = settings;
        m_server.reset();
        wake();
    }

    std::atomic<bool> stopping { false };

signals:
    void waitingChanged(int count);
    void failureChanged(const QString& message);
    void refusedChanged(int count, const QString& cause);
    void loadSent(qint64 id);

private:
    void send();
    void deliver();
    void sendLoad(qint64 id);
    void sendPayment(qint64 id);
    void sendAlias(qint64 id);
    void sendAll(HistoryStore::Outbox outbox, int& count);
    void report(int count);
    void reportRefused();
    void setFailure(const QString& message);

    static constexpr int batch = 100;

    QString m_localPath;
    ServerSettings m_settings;
    std::unique_ptr<HistoryStore> m_local;
    std::unique_ptr<PostgresHistoryStore> m_server;
    QTimer* m_retry = nullptr;
    int m_delayMs = firstRetryMs;
    int m_reported = 0;
    QString m_failure;
    RefusedRecords m_refused;
};

void HistorySender::Worker::send()
{
    m_retry->stop();
    if (!m_settings.isSet()) {
        m_server.reset();
        report(0);
        setFailure({});
        return;
    }
    for (int attempt = 0;; ++attempt) {
        const bool reused = m_server != nullptr;
        try {
            deliver();
            m_delayMs = firstRetryMs;
            setFailure({});
            return;
        } catch (const Failure& error) {
            qWarning("history sender: %s %s", qPrintable(error.path()), qPrintable(error.detail()));
            const bool fromServer = error.path() != m_localPath;
            // A broken connection is made anew; the clerk's file only when it
            // went bad, not when another program merely held it.
            m_server.reset();
            if (!fromServer && error.cause() != FailureCause::Locked)
                m_local.reset();
            // A connection idle since the last load may have been closed by
            // the server or the network: one new one is tried at once.
            if (fromServer && reused && attempt == 0)
                continue;
            setFailure(historyFailureMessage(error));
            m_retry->start(m_delayMs);
            m_delayMs = std::min(2 * m_delayMs, longestRetryMs);
            return;
        }
    }
}

void HistorySender::Worker::deliver()
{
    if (!m_local) {
        m_local = std::make_unique<SqliteHistoryStore>(m_localPath);
        reportRefused();
    }
    int count = m_local->outboxCount();
    report(count);
    if (count == 0)
        return;
    if (!m_server) {
        auto server = std::make_unique<PostgresHistoryStore>(m_settings);
        server->checkStationName(m_settings.stationName());
        m_server = std::move(server);
    }
    for (HistoryStore::Outbox outbox : { HistoryStore::Outbox::Loads, HistoryStore::Outbox::Aliases,
             HistoryStore::Outbox::Payments })
        sendAll(outbox, count);
}

void HistorySender::Worker::sendAll(HistoryStore::Outbox outbox, int& count)
{
    QVector<qint64> ids;
    while (!stopping && !(ids = m_local->outboxIds(batch, outbox)).isEmpty()) {
        count = m_local->outboxCount();
        for (qint64 id : ids) {
            if (stopping)
                return;
            try {
                if (outbox == HistoryStore::Outbox::Loads)
                    sendLoad(id);
                else if (outbox == HistoryStore::Outbox::Payments)
                    sendPayment(id);
                else
                    sendAlias(id);
            } catch (const Failure& error) {
                // One the server will never take is kept aside, said, and
                // the rest goes on.
                if (error.cause() != FailureCause::RefusedByServer || error.path() == m_localPath)
                    throw;
                qWarning("history sender: the server refused record %lld of outbox %d: %s", id,
                    int(outbox), qPrintable(error.detail()));
                m_local->setAside(outbox, id, refusalCause(error));
                reportRefused();
            }
            report(--count);
        }
    }
}

namespace {

// The record of this machine as the server keeps it: under the station's
// name, numbered by its id here.
template <typename Record> void sign(Record& record, const QString& station, qint64 id)
{
    record.station = station;
    record.stationNumber = id;
}

// A record the server stored already, sent before its mark was made; or
// one of another machine under the same name holds its number
// (StationTaken).
template <typename Record>
bool storedAlready(
    const Result<std::optional<Record>>& origin, Record record, const QString& server)
{
    if (!origin)
        throw origin.error();
    if (!*origin)
        return false;
    record.id = (*origin)->id;
    if (!(**origin == record))
        throw Failure(FailureCause::StationTaken, server,
            QStringLiteral("station %1 number %2 differs on the server")
                .arg(record.station)
                .arg(record.stationNumber));
    return true;
}

} // namespace

void HistorySender::Worker::sendPayment(qint64 id)
{
    const Result<std::optional<Payment>> read = m_local->paymentByOrigin({}, id);
    if (!read)
        throw read.error();
    if (std::optional<Payment> payment = *read) {
        sign(*payment, m_settings.stationName(), id);
        // This machine's own payment, reversed here, is named as the server knows it.
        if (payment->isReversal() && payment->reversesStation.isEmpty())
            payment->reversesStation = m_settings.stationName();
        if (!m_server->receivePayment(*payment))
            storedAlready(
                m_server->paymentByOrigin(payment->station, id), *payment, m_server->location());
    }
    m_local->markSent(id, HistoryStore::Outbox::Payments);
}

void HistorySender::Worker::sendAlias(qint64 id)
{
    const Result<std::optional<PartnerAlias>> read = m_local->aliasByOrigin({}, id);
    if (!read)
        throw read.error();
    if (std::optional<PartnerAlias> alias = *read) {
        sign(*alias, m_settings.stationName(), id);
        if (!m_server->receiveAlias(*alias))
            storedAlready(
                m_server->aliasByOrigin(alias->station, id), *alias, m_server->location());
    }
    m_local->markSent(id, HistoryStore::Outbox::Aliases);
}

void HistorySender::Worker::sendLoad(qint64 id)
{
    const Result<std::optional<LoadRecord>> read = m_local->loadById(id);
    if (!read)
        throw read.error();
    std::optional<LoadRecord> load = *read;
    if (!load) {
        qWarning("history sender: outbox names load %lld, which is not there", id);
        m_local->markSent(id);
        return;
    }
    load->station = m_settings.stationName();
    load->stationNumber = id;
    if (!m_server->receive(*load)) {
        // There already: this load sent before its mark was made, or one of
        // another machine under the same name, which must not hide ours.
        const Result<std::optional<LoadRecord>> origin = m_server->loadByOrigin(load->station, id);
        // A row there that does not even read is not ours either.
        if (!origin && origin.error().cause() == FailureCause::DamagedLoad)
            throw Failure(FailureCause::StationTaken, m_server->location(),
                QStringLiteral("station %1 number %2 is taken by a row that does not read")
                    .arg(load->station)
                    .arg(id));
        if (!origin)
            throw origin.error();
        const std::optional<LoadRecord>& stored = *origin;
        load->id = stored ? stored->id : 0;
        if (!stored || !(*stored == *load))
            throw Failure(FailureCause::StationTaken, m_server->location(),
                QStringLiteral("station %1 number %2 differs on the server")
                    .arg(load->station)
                    .arg(id));
    }
    m_local->markSent(id);
    emit loadSent(id);
}

void HistorySender::Worker::report(int count)
{
    if (count != m_reported) {
        m_reported = count;
        emit waitingChanged(count);
    }
}

void HistorySender::Worker::reportRefused()
{
    const RefusedRecords refused = m_local->refusedRecords();
    if (!(refused == m_refused)) {
        m_refused = refused;
        emit refusedChanged(refused.count, refused.cause);
    }
}

void HistorySender::Worker::setFailure(const QString& message)
{
    if (message != m_failure) {
        m_failure = message;
        emit failureChanged(message);
    }
}

HistorySender::HistorySender(QString localPath, ServerSettings settings, QObject* parent)
    : QObject(parent)
    , m_worker(new Worker(std::move(localPath), std::move(settings)))
{
    // Qt SQL makes its registry of drivers on first use; made here, that is
    // not raced by the thread's first connection and the caller's.
    QSqlDatabase::drivers();
    m_thread.setObjectName(QStringLiteral("history sender"));
    m_worker->moveToThread(&m_thread);
    // Its connections close on its own thread, as Qt SQL requires.
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(&m_thread, &QThread::started, m_worker, &Worker::start);
    connect(m_worker, &Worker::waitingChanged, this, [this](int count) {
        m_waiting = count;
        emit waitingChanged(count);
    });
    connect(m_worker, &Worker::failureChanged, this, [this](const QString& message) {
        m_failure = message;
        emit failureChanged(message);
    });
    connect(m_worker, &Worker::refusedChanged, this, [this](int count, const QString& cause) {
        m_refused = { count, cause };
        emit refusedChanged();
    });
    connect(m_worker, &Worker::loadSent, this, &HistorySender::loadSent);
}

HistorySender::~HistorySender()
{
    if (m_thread.isRunning()) {
        m_worker->stopping = true;
        m_thread.quit();
        m_thread.wait();
    } else {
        delete m_worker;
    }
}

void HistorySender::start()
{
    m_thread.start();
}

void HistorySender::setServerSettings(const ServerSettings& settings)
{
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, settings] { worker->setSettings(settings); },
        Qt::QueuedConnection);
}

void HistorySender::loadRecorded()
{
    QMetaObject::invokeMethod(m_worker, &Worker::wake, Qt::QueuedConnection);
}

#include "history_sender.moc"
