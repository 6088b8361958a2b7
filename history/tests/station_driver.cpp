// A scaling station as the tally window runs the history: each load recorded
// into the clerk's file through HistoryRecorder, the sender delivering the
// outbox to the server on its own thread. Posts the given number of loads
// one after another, then waits until the server has every one.
//
//   station_driver <settings.ini> <clerk's file> <loads> <deadline ms> [<ms between loads>]
//
// Prints "waiting N" as the outbox changes, "failure TEXT" as the sender's
// cause changes, and at the end "latency_ms median=.. p95=.. max=..": from
// before a load's record() to its commit on the server seen here. Exits 0
// once every load is on the server, 1 at the deadline, 2 on a posting that
// failed.

#include "history/history_recorder.h"
#include "history/history_sender.h"
#include "history/sqlite_history_store.h"
#include "history_builders.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

void say(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

LoadRecord numberedLoad(int number)
{
    return LoadBuilder(number % 3 == 0 ? LoadKind::StockOut : LoadKind::StockIn)
        .at(QDateTime(QDate(2026, 12, 9), QTime(8, 0)).addSecs(number))
        .species(number % 2 ? QStringLiteral("杉木") : QStringLiteral("松木"))
        .truck(QStringLiteral("闽A%1").arg(number, 5, 10, QLatin1Char('0')))
        .length(QStringLiteral("6"))
        .firstRow(QStringLiteral("20"), QString::number(number % 9 + 1))
        .total(QStringLiteral("1.%1").arg(number % 10000, 4, 10, QLatin1Char('0')),
            QStringLiteral("800.00"));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 5 && arguments.size() != 6) {
        say(QStringLiteral("usage: station_driver <settings.ini> <clerk's file> <loads> <deadline "
                           "ms> [<ms between loads>]"));
        return 64;
    }
    const QString localPath = arguments[2];
    const int loads = arguments[3].toInt();
    const int deadlineMs = arguments[4].toInt();

    HistoryRecorder recorder(
        [localPath] { return std::make_unique<SqliteHistoryStore>(localPath); },
        waitingLoadsPath(QFileInfo(localPath).absolutePath()));
    HistorySender sender(localPath, readServerSettings(arguments[1]));
    QElapsedTimer clock;
    clock.start();
    QHash<qint64, qint64> postedAt;
    QVector<qint64> latencies;
    qint64 postStarted = 0;
    recorder.setStoredHandler([&](const LoadRecord& load) {
        postedAt.insert(load.id, postStarted);
        sender.loadRecorded();
    });
    int posted = 0;
    auto finishIfDone = [&] {
        if (posted < loads || sender.waitingCount() != 0 || latencies.size() < loads)
            return;
        if (latencies.isEmpty())
            latencies << 0;
        std::sort(latencies.begin(), latencies.end());
        say(QStringLiteral("latency_ms median=%1 p95=%2 max=%3 n=%4")
                .arg(latencies[latencies.size() / 2])
                .arg(latencies[latencies.size() * 95 / 100])
                .arg(latencies.last())
                .arg(latencies.size()));
        app.exit(0);
    };
    QObject::connect(&sender, &HistorySender::waitingChanged, &app, [&](int count) {
        say(QStringLiteral("waiting %1").arg(count));
        finishIfDone();
    });
    QObject::connect(&sender, &HistorySender::failureChanged, &app,
        [&](const QString& message) { say(QStringLiteral("failure ") + message); });
    QObject::connect(&sender, &HistorySender::loadSent, &app, [&](qint64 id) {
        const auto found = postedAt.constFind(id);
        if (found != postedAt.constEnd())
            latencies << clock.elapsed() - *found;
        finishIfDone();
    });

    // One load per turn of the event loop, as postings come between events.
    QTimer posting;
    QObject::connect(&posting, &QTimer::timeout, &app, [&] {
        if (posted == loads) {
            posting.stop();
            finishIfDone();
            return;
        }
        postStarted = clock.elapsed();
        const Done stored = recorder.record(numberedLoad(++posted));
        if (!stored) {
            say(QStringLiteral("record failed ") + stored.logText());
            app.exit(2);
        }
    });
    QTimer::singleShot(deadlineMs, &app, [&] {
        say(QStringLiteral("deadline: %1 of %2 posted, %3 waiting")
                .arg(posted)
                .arg(loads)
                .arg(sender.waitingCount()));
        app.exit(1);
    });
    sender.start();
    posting.start(arguments.value(5).toInt());
    return app.exec();
}
