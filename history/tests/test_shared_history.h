#pragma once

// The yard's shared history on a real PostgreSQL server the suite starts
// itself, over TLS checked against the server's own certificate authority.
// test_shared_history.cpp: two station programs posting at once, the server
// stopped and started under a running sender, refused logins, a user
// without the right to make tables, servers of older schemas, resends, and
// the window's queries against the server. test_shared_accounts.cpp:
// payments and joins of names of two stations. test_yard_server_rules.cpp: the
// setup script's roles and rules against a hostile station, a fake server
// and a server with another certificate, and the README's steps from a bare
// server. test_yard_server_attacks.cpp: what a station's login tried on the
// yard server, and the program's schema compared with the script's.

#include "history/history_recorder.h"
#include "history/history_sender.h"
#include "history/reading_store.h"
#include "history/sqlite_history_store.h"
#include "history_builders.h"
#include "postgres_test_server.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QTemporaryDir>
#include <future>
#include <memory>

LoadRecord sampleLoad(LoadKind kind, const QString& species, const QString& truck,
    const QString& volume = QStringLiteral("1.2500"));

QString failureText(FailureCause cause, const ServerSettings& settings);

// Waits, serving this thread's events (a fake server's), for a call made on
// another thread.
template <typename Call> auto whileServing(Call call)
{
    auto result = std::async(std::launch::async, std::move(call));
    QDeadlineTimer deadline(60000);
    while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready
        && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return result.get();
}

// The recorder and the sender as the tally window holds them.
struct Station {
    Station(const QString& folder, const ServerSettings& settings)
        : path(historyDatabasePath(folder))
        , recorder([this] { return std::make_unique<SqliteHistoryStore>(path); },
              waitingLoadsPath(folder))
        , sender(path, settings)
    {
        recorder.setStoredHandler([this](const LoadRecord&) { sender.loadRecorded(); });
    }
    QString path;
    HistoryRecorder recorder;
    HistorySender sender;
};

class TestSharedHistory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void failedConnectionIsToldApartInEnglishAndChinese_data();
    void failedConnectionIsToldApartInEnglishAndChinese();
    void twoStationsPostingAtOnceStoreEveryLoadOnce();
    void serverStoppedAndStartedAgainLosesNothing();
    void connectionClosedWhileIdleIsMadeAnewAtOnce();
    void refusedConnectionKeepsPostingsLocal_data();
    void refusedConnectionKeepsPostingsLocal();
    void userWithoutRightToCreateTablesIsToldSo();
    void olderServerSchemaIsBroughtUpToDate_data();
    void olderServerSchemaIsBroughtUpToDate();
    void resentLoadIsStoredOnceAndAStationNameUsedTwiceIsCaught();
    void windowQueriesWorkOnTheServerAndFallBackToThisMachine();

    // test_shared_accounts.cpp
    void paymentsOfTwoStationsReachTheServerOnceEach();

    // test_yard_server_rules.cpp
    void setupScriptMakesTheProgramsTables();
    void setupScriptBringsAnEarlierServerUnderItsRulesKeepingEveryRow();
    void stationLoginCannotChangeTheHistory_data();
    void stationLoginCannotChangeTheHistory();
    void stationRecordingUnderAnotherNameIsRefusedWithItsCause();
    void stationMeetingAnOlderSchemaAsksForTheAdministrator();
    void fakeServerNeverReceivesThePassword();
    void fakeServerOnAStrangersSocketNeverReceivesThePassword();
    void readmeStepsSetUpABareServer();

    // test_yard_server_attacks.cpp
    void yardServerWithstandsAStationsAttacks_data();
    void yardServerWithstandsAStationsAttacks();

private:
    ServerSettings settingsFor(const QString& user, const QString& database,
        const QString& station = QStringLiteral("一号门")) const;
    void makeDatabase(const QString& name, const QString& owner);
    int serverLoads(const QString& database);
    QString admin(const QString& sql, const QString& database);
    void checkServerQueries(const ReadingStore& reading);
    // Runs the setup script on `database`, with `variables` (-v name=value).
    void runSetupScript(const QString& database, const QStringList& variables = {});
    // A database set up by the script with the stations gate1 (一号门) and
    // gate2 (二号门), and one load of each.
    void makeYard(const QString& database);
    // The loads (or another table's rows) as the server holds them, every
    // column, for comparing.
    QString loadsDump(const QString& database, const QString& table = QStringLiteral("loads"));

    std::unique_ptr<PostgresTestServer> m_server;
    QTemporaryDir m_dir;
};
