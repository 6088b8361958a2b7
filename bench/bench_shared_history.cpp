// The shared history's delivery on a PostgreSQL server of the bench's own,
// set up by the shipped script and reached over TLS with a station's login:
// how long a load takes from record() to committed on the server when loads
// come one at a time and when they come in a burst, and how the outbox
// behaves while the server is down and after it is back.
//
//   bench_shared_history [loads spaced] [burst] [seconds down] [seconds quiet]

#include "history/history_recorder.h"
#include "history/history_sender.h"
#include "history/sqlite_history_store.h"
#include "history_builders.h"
#include "postgres_test_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>

namespace {

void say(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

LoadRecord benchLoad(int number)
{
    // The truck's number alone among the captions, as before.
    return LoadBuilder()
        .at(QDateTime::currentDateTime())
        .buyer({})
        .supplier({})
        .contact({})
        .scaler({})
        .truck(QStringLiteral("闽A%1").arg(number))
        .firstRow(QStringLiteral("20"))
        .total(QStringLiteral("1.2500"), {});
}

QString spread(QVector<qint64> ms)
{
    if (ms.isEmpty())
        return QStringLiteral("none");
    std::sort(ms.begin(), ms.end());
    return QStringLiteral("median %1 ms, p95 %2 ms, max %3 ms (n=%4)")
        .arg(ms[ms.size() / 2])
        .arg(ms[ms.size() * 95 / 100])
        .arg(ms.last())
        .arg(ms.size());
}

struct Station {
    Station(const QString& folder, const ServerSettings& settings)
        : path(historyDatabasePath(folder))
        , recorder([this] { return std::make_unique<SqliteHistoryStore>(path); },
              waitingLoadsPath(folder))
        , sender(path, settings)
    {
        clock.start();
        recorder.setStoredHandler([this](const LoadRecord& load) {
            postedAt.insert(load.id, postStarted);
            sender.loadRecorded();
        });
        QObject::connect(&sender, &HistorySender::loadSent, &sender, [this](qint64 id) {
            sentAt.insert(id, clock.elapsed());
            if (postedAt.contains(id))
                latencies << clock.elapsed() - postedAt.value(id);
        });
        sender.start();
    }
    qint64 post(int number)
    {
        postStarted = clock.elapsed();
        QElapsedTimer took;
        took.start();
        if (!recorder.record(benchLoad(number)))
            say(QStringLiteral("a posting failed"));
        return took.elapsed();
    }
    QString path;
    HistoryRecorder recorder;
    HistorySender sender;
    QElapsedTimer clock;
    qint64 postStarted = 0;
    QHash<qint64, qint64> postedAt, sentAt;
    QVector<qint64> latencies;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int spaced = arguments.value(1, QStringLiteral("50")).toInt();
    const int burst = arguments.value(2, QStringLiteral("200")).toInt();
    const int secondsDown = arguments.value(3, QStringLiteral("20")).toInt();
    // Then still down with no new loads: the sender's tries thin out.
    const int secondsQuiet = arguments.value(4, QStringLiteral("40")).toInt();
    if (!PostgresTestServer::binariesPresent()) {
        say(QStringLiteral("no PostgreSQL server programs in ") + PostgresTestServer::binFolder());
        return 1;
    }
    QTemporaryDir dir;
    PostgresTestServer server;
    QString error;
    if (!server.create(&error) || server.admin(QStringLiteral("CREATE DATABASE yard")).isNull()
        || !server.adminScript(QStringLiteral(QUORVANE_SETUP_SCRIPT), QStringLiteral("yard"),
            { QStringLiteral("station_login=station"), QStringLiteral("station_name=一号门"),
                QStringLiteral("password=gate-pw") },
            &error)) {
        say(QStringLiteral("no server: ") + error);
        return 1;
    }
    if (!usePasswordFile(dir.filePath(QStringLiteral("pgpass")), "*:*:*:station:gate-pw\n")) {
        say(QStringLiteral("no password file in ") + dir.path());
        return 1;
    }
    ServerSettings settings;
    settings.host = server.host();
    settings.port = server.port();
    settings.database = QStringLiteral("yard");
    settings.user = QStringLiteral("station");
    settings.station = QStringLiteral("一号门");
    settings.certificate = server.certificateAuthority();

    Station station(dir.filePath(QStringLiteral("station")), settings);
    QVector<qint64> postings;
    // One load at a time, each after the one before has arrived.
    for (int i = 1; i <= spaced; ++i) {
        postings << station.post(i);
        if (!QTest::qWaitFor([&] { return station.latencies.size() == i; }, 10000))
            say(QStringLiteral("load %1 did not arrive within 10 s").arg(i));
        QTest::qWait(50);
    }
    say(QStringLiteral("loads one at a time, record() to committed on the server: ")
        + spread(station.latencies));

    station.latencies.clear();
    QElapsedTimer all;
    all.start();
    for (int i = 1; i <= burst; ++i)
        postings << station.post(spaced + i);
    if (!QTest::qWaitFor([&] { return station.latencies.size() == burst; }, 60000))
        say(QStringLiteral("the burst did not arrive within 60 s"));
    say(QStringLiteral("%1 loads posted at once: all on the server after %2 ms; each ")
            .arg(burst)
            .arg(all.elapsed())
        + spread(station.latencies));

    // The server down: loads keep coming, one every 500 ms.
    server.stop();
    int highest = 0;
    QObject::connect(&station.sender, &HistorySender::waitingChanged, &app,
        [&](int count) { highest = std::max(highest, count); });
    QElapsedTimer down;
    down.start();
    int posted = spaced + burst;
    QVector<qint64> postingsDown;
    while (down.elapsed() < secondsDown * 1000) {
        postingsDown << station.post(++posted);
        QTest::qWait(500);
    }
    const int waiting = station.sender.waitingCount();
    say(QStringLiteral(
        "server down %1 s: %2 loads posted, %3 waiting, at most %4; the sender said \"%5\"")
            .arg(secondsDown)
            .arg(postingsDown.size())
            .arg(waiting)
            .arg(highest)
            .arg(station.sender.lastFailure()));
    QTest::qWait(secondsQuiet * 1000);
    server.start(&error);
    const qint64 up = station.clock.elapsed();
    if (!QTest::qWaitFor([&] { return station.sender.waitingCount() == 0; }, 120000))
        say(QStringLiteral("the outbox did not empty within 120 s"));
    qint64 first = 0;
    for (qint64 at : std::as_const(station.sentAt))
        if (at > up && (first == 0 || at < first))
            first = at;
    say(QStringLiteral("server up again after %1 s more with no new loads: first load on it after "
                       "%2 ms, outbox empty after %3 ms")
            .arg(secondsQuiet)
            .arg(first - up)
            .arg(station.clock.elapsed() - up));
    say(QStringLiteral("record() while the server was up: ") + spread(postings));
    say(QStringLiteral("record() while the server was down: ") + spread(postingsDown));
    return 0;
}
