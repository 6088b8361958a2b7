#include "test_shared_history.h"

#include "history/load_query.h"
#include "history/postgres_history_store.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

LoadRecord sampleLoad(
    LoadKind kind, const QString& species, const QString& truck, const QString& volume)
{
    return LoadBuilder(kind)
        .at(QDateTime(QDate(2026, 12, 9), QTime(10, 15)))
        .species(species)
        .truck(truck)
        .firstRow(QStringLiteral("20"))
        .total(volume, QStringLiteral("1000.00"));
}

QString failureText(FailureCause cause, const ServerSettings& settings)
{
    return historyFailureMessage(Failure(cause, settings.location()));
}

ServerSettings TestSharedHistory::settingsFor(
    const QString& user, const QString& database, const QString& station) const
{
    ServerSettings settings;
    settings.host = m_server->host();
    settings.port = m_server->port();
    settings.user = user;
    settings.database = database;
    settings.station = station;
    settings.certificate = m_server->certificateAuthority();
    return settings;
}

QString TestSharedHistory::admin(const QString& sql, const QString& database)
{
    QString error;
    const QString rows = m_server->admin(sql, database, &error);
    if (rows.isNull())
        qWarning("%s: %s", qPrintable(sql), qPrintable(error));
    return rows;
}

int TestSharedHistory::serverLoads(const QString& database)
{
    return m_server->admin(QStringLiteral("SELECT COUNT(*) FROM loads"), database).toInt();
}

void TestSharedHistory::makeDatabase(const QString& name, const QString& owner)
{
    QVERIFY(!admin(
        QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(name, owner), QStringLiteral("postgres"))
                 .isNull());
}

void TestSharedHistory::initTestCase()
{
    if (!PostgresTestServer::binariesPresent())
        QSKIP(qPrintable(QStringLiteral(
            "no PostgreSQL server programs in %1: install postgresql-15 (scripts/install-deps)")
                             .arg(PostgresTestServer::binFolder())));
    QVERIFY(m_dir.isValid());
    m_server = std::make_unique<PostgresTestServer>();
    QString error;
    QVERIFY2(m_server->create(&error), qPrintable(error));
    QVERIFY(!admin(QStringLiteral("CREATE ROLE station LOGIN PASSWORD 'gate-pw'; "
                                  "CREATE ROLE wrongpass LOGIN PASSWORD 'right-pw'; "
                                  "CREATE ROLE nopass LOGIN PASSWORD 'unkept-pw'; "
                                  "CREATE ROLE clerk LOGIN PASSWORD 'clerk-pw'"),
        QStringLiteral("postgres"))
                 .isNull());
    makeDatabase(QStringLiteral("yard_open"), QStringLiteral("station"));
    QVERIFY2(!makeCertificateAuthority(m_dir.path(), QStringLiteral("other-ca"), &error).isEmpty(),
        qPrintable(error));
    // The stations' logins the setup script makes are given their passwords there.
    QVERIFY(usePasswordFile(m_dir.filePath(QStringLiteral("pgpass")),
        "*:*:*:station:gate-pw\n*:*:*:wrongpass:wrong-pw\n*:*:*:clerk:clerk-pw\n*:*:*:gate1:gate1-"
        "pw\n"
        "*:*:*:gate2:gate2-pw\n*:*:*:fake:never-sent-pw\n*:*:*:readme1:readme-pw\n"));
}

void TestSharedHistory::cleanupTestCase()
{
    if (m_server) {
        QString error;
        QVERIFY2(m_server->stop(&error), qPrintable(error));
    }
}

// A failed connection carries no error code, only words; a clerk's machine
// and its server may speak Chinese (the texts as their translations give
// them).
void TestSharedHistory::failedConnectionIsToldApartInEnglishAndChinese_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cause");
    const QString en = QStringLiteral("connection to server at \"10.0.0.5\", port 5432 failed: ");
    const QString zh = QStringLiteral("连接到\"10.0.0.5\"上的服务器，端口5432失败：");
    const int login = int(FailureCause::LoginRefused);
    const int missing = int(FailureCause::DatabaseMissing);
    const int unreachable = int(FailureCause::Unreachable);
    QTest::newRow("en: wrong password")
        << en + "FATAL:  password authentication failed for user \"gate\"" << login;
    QTest::newRow("en: no password kept") << en + "fe_sendauth: no password supplied" << login;
    QTest::newRow("en: unknown user") << en + "FATAL:  role \"gate\" does not exist" << login;
    QTest::newRow("en: not let in from here") << en
            + "FATAL:  no pg_hba.conf entry for host \"10.0.0.9\", user \"gate\", database \"yard\""
                                              << login;
    QTest::newRow("en: missing database")
        << en + "FATAL:  database \"yard\" does not exist" << missing;
    QTest::newRow("en: refused") << en
            + "Connection refused\n\tIs the server running on that host and accepting TCP/IP "
              "connections?" << unreachable;
    QTest::newRow("en: timeout") << en + "timeout expired" << unreachable;
    QTest::newRow("en: unknown host")
        << "could not translate host name \"office-pc\" to address: Name or service not known"
        << unreachable;
    QTest::newRow("zh: wrong password")
        << zh + "致命错误:  用户 \"gate\" Password 认证失败" << login;
    QTest::newRow("zh: unknown user") << zh + "致命错误:  角色 \"gate\" 不存在" << login;
    QTest::newRow("zh: missing database") << zh + "致命错误:  数据库 \"yard\" 不存在" << missing;
    QTest::newRow("zh: refused") << zh + "拒绝连接\n\t服务器是否在该主机上运行并接受TCP/IP连接?"
                                 << unreachable;
    QTest::newRow("zh: timeout") << zh + "超时满" << unreachable;
    QTest::newRow("zh: unknown host")
        << "无法解释主机名 \"office-pc\" 到地址: 未知的名称或服务" << unreachable;
    QTest::newRow("en client, zh server: wrong password")
        << en + "致命错误:  用户 \"gate\" Password 认证失败" << login;
    const int notEncrypted = int(FailureCause::NotEncrypted);
    const int mismatch = int(FailureCause::CertificateMismatch);
    const int noCertificate = int(FailureCause::CertificateMissing);
    QTest::newRow("en: encrypted connection cut")
        << "SSL connection has been closed unexpectedly" << unreachable;
    QTest::newRow("zh: encrypted connection cut") << "SSL连接异常关闭" << unreachable;
    QTest::newRow("en: no TLS") << en + "server does not support SSL, but SSL was required"
                                << notEncrypted;
    QTest::newRow("zh: no TLS") << zh + "服务器不支持 SSL, 但是要求使用 SSL" << notEncrypted;
    QTest::newRow("en: another authority")
        << en + "SSL error: certificate verify failed" << mismatch;
    QTest::newRow("zh: another authority")
        << zh + "SSL 错误: certificate verify failed" << mismatch;
    QTest::newRow("en: another host's certificate") << en
            + "server certificate for \"yard-pc\" (and 1 other name) does not match host name "
              "\"10.0.0.5\"" << mismatch;
    QTest::newRow("zh: another host's certificate")
        << zh + "\"yard-pc\"的服务器证书与主机名不匹配\"10.0.0.5\"" << mismatch;
    QTest::newRow("en: certificate file gone") << en
            + "root certificate file \"/home/gate/yard.crt\" does not exist\nEither provide the "
              "file or change sslmode" << noCertificate;
    QTest::newRow("zh: certificate file gone") << zh + "根认证文件\"/home/gate/yard.crt\"不存在\n"
                                               << noCertificate;
    QTest::newRow("anything else") << "out of memory" << int(FailureCause::Other);
}

void TestSharedHistory::failedConnectionIsToldApartInEnglishAndChinese()
{
    QFETCH(QString, text);
    QFETCH(int, cause);
    QCOMPARE(int(connectionFailureCause(text)), cause);
}

// Each an own process with its own file and its own login, as the two
// gates are, over TLS to a server the setup script made.
void TestSharedHistory::twoStationsPostingAtOnceStoreEveryLoadOnce()
{
    const QString database = QStringLiteral("yard_two");
    makeDatabase(database, QStringLiteral("postgres"));
    runSetupScript(database,
        { QStringLiteral("station_login=gate1"), QStringLiteral("station_name=一号门"),
            QStringLiteral("password=gate1-pw") });
    runSetupScript(database,
        { QStringLiteral("station_login=gate2"), QStringLiteral("station_name=二号门"),
            QStringLiteral("password=gate2-pw") });
    const QStringList stations { QStringLiteral("一号门"), QStringLiteral("二号门") };
    constexpr int loads = 200;
    std::vector<std::unique_ptr<QProcess>> drivers;
    for (const QString& station : stations) {
        const QString folder = m_dir.filePath(QStringLiteral("two/") + station);
        QVERIFY(QDir().mkpath(folder));
        const QString settingsFile = settingsFilePath(folder);
        const QString login
            = station == stations[0] ? QStringLiteral("gate1") : QStringLiteral("gate2");
        QVERIFY(writeServerSettings(settingsFile, settingsFor(login, database, station)));
        auto driver = std::make_unique<QProcess>();
        driver->setProcessChannelMode(QProcess::MergedChannels);
        driver->start(QStringLiteral(QUORVANE_STATION_DRIVER),
            { settingsFile, historyDatabasePath(folder), QString::number(loads),
                QStringLiteral("90000") });
        drivers.push_back(std::move(driver));
    }
    for (int i = 0; i < 2; ++i) {
        QProcess& driver = *drivers[i];
        QVERIFY2(driver.waitForFinished(120000), qPrintable(stations[i]));
        const QString output = QString::fromUtf8(driver.readAll());
        QVERIFY2(driver.exitStatus() == QProcess::NormalExit && driver.exitCode() == 0,
            qPrintable(output));
        const QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
        qInfo("%s: %s", qPrintable(stations[i]),
            qPrintable(lines.filter(QStringLiteral("latency_ms")).join(u' ')));
        SqliteHistoryStore local(
            historyDatabasePath(m_dir.filePath(QStringLiteral("two/") + stations[i])));
        QCOMPARE(local.outboxCount(), 0);
    }
    QCOMPARE(
        admin(QStringLiteral(
                  "SELECT station, COUNT(*), COUNT(DISTINCT station_number), MIN(station_number), "
                  "MAX(station_number) FROM loads GROUP BY station ORDER BY station"),
            database),
        QStringLiteral("一号门|200|200|1|200\n二号门|200|200|1|200"));
    QCOMPARE(admin(QStringLiteral("SELECT COUNT(*) FROM loads"), database), QStringLiteral("400"));
    QCOMPARE(admin(QStringLiteral(
                       "SELECT COUNT(*) FROM pg_stat_ssl s JOIN pg_stat_activity a USING (pid) "
                       "WHERE a.datname = 'yard_two' AND NOT s.ssl"),
                 QStringLiteral("postgres")),
        QStringLiteral("0"));
    // What arrived is the load as recorded, Chinese texts and figures alike.
    PostgresHistoryStore server(settingsFor(QStringLiteral("gate1"), database));
    SqliteHistoryStore local(historyDatabasePath(m_dir.filePath(QStringLiteral("two/二号门"))));
    const std::optional<LoadRecord> sent = *local.loadById(137);
    std::optional<LoadRecord> arrived = *server.loadByOrigin(QStringLiteral("二号门"), 137);
    QVERIFY(sent && arrived);
    QCOMPARE(arrived->station, QStringLiteral("二号门"));
    arrived->id = sent->id;
    arrived->station.clear();
    QCOMPARE(*arrived, *sent);
}

void TestSharedHistory::serverStoppedAndStartedAgainLosesNothing()
{
    const QString database = QStringLiteral("yard_outage");
    makeDatabase(database, QStringLiteral("station"));
    const ServerSettings settings = settingsFor(QStringLiteral("station"), database);
    Station station(m_dir.filePath(QStringLiteral("outage")), settings);
    QSignalSpy counts(&station.sender, &HistorySender::waitingChanged);
    station.sender.start();
    int posted = 0;
    auto post = [&](int loads) {
        for (int i = 0; i < loads; ++i)
            QCOMPARE(clerkText(station.recorder.record(sampleLoad(
                         LoadKind::StockIn, QStringLiteral("杉木"), QString::number(++posted)))),
                QString());
    };
    post(10);
    QTRY_COMPARE_WITH_TIMEOUT(serverLoads(database), 10, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(station.sender.waitingCount(), 0, 30000);

    QVERIFY(m_server->stop());
    counts.clear();
    post(30); // stored here all the same
    QTRY_COMPARE_WITH_TIMEOUT(station.sender.waitingCount(), 30, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(
        station.sender.lastFailure(), failureText(FailureCause::Unreachable, settings), 30000);
    int highest = 0;
    for (const QList<QVariant>& count : std::as_const(counts))
        highest = std::max(highest, count.first().toInt());
    QCOMPARE(highest, 30);

    QString error;
    QVERIFY2(m_server->start(&error), qPrintable(error));
    QElapsedTimer drain;
    drain.start();
    QTRY_COMPARE_WITH_TIMEOUT(station.sender.waitingCount(), 0, 60000);
    qInfo("30 loads waited while the server was down; all on the server %lld ms after it was up "
          "again",
        drain.elapsed());
    QCOMPARE(station.sender.lastFailure(), QString());
    QCOMPARE(counts.last().first().toInt(), 0);
    QCOMPARE(
        admin(
            QStringLiteral(
                "SELECT COUNT(*), COUNT(DISTINCT station_number), MAX(station_number) FROM loads"),
            database),
        QStringLiteral("40|40|40"));
}

void TestSharedHistory::connectionClosedWhileIdleIsMadeAnewAtOnce()
{
    const QString database = QStringLiteral("yard_idle");
    makeDatabase(database, QStringLiteral("station"));
    Station station(
        m_dir.filePath(QStringLiteral("idle")), settingsFor(QStringLiteral("station"), database));
    QSignalSpy failures(&station.sender, &HistorySender::failureChanged);
    QSignalSpy sent(&station.sender, &HistorySender::loadSent);
    station.sender.start();
    QCOMPARE(clerkText(station.recorder.record(
                 sampleLoad(LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽A1")))),
        QString());
    QTRY_COMPARE_WITH_TIMEOUT(sent.size(), 1, 30000);
    QCOMPARE(admin(QStringLiteral("SELECT COUNT(pg_terminate_backend(pid)) FROM pg_stat_activity "
                                  "WHERE datname = 'yard_idle' AND application_name = 'quorvane'"),
                 QStringLiteral("postgres")),
        QStringLiteral("1"));
    QCOMPARE(clerkText(station.recorder.record(
                 sampleLoad(LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽A2")))),
        QString());
    QTRY_COMPARE_WITH_TIMEOUT(sent.size(), 2, 30000);
    // Sent on the new connection straight away: the clerk saw no failure.
    QCOMPARE(failures.size(), 0);
    QCOMPARE(serverLoads(database), 2);
}

void TestSharedHistory::refusedConnectionKeepsPostingsLocal_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("database");
    QTest::addColumn<bool>("serverListens");
    QTest::addColumn<QString>(
        "certificate"); // "": the server's authority; else a file in the suite's folder
    QTest::addColumn<int>("cause");
    QTest::newRow("A wrong password is refused")
        << "wrongpass"
        << "yard_open" << true << "" << int(FailureCause::LoginRefused);
    QTest::newRow("A password not kept is refused")
        << "nopass"
        << "yard_open" << true << "" << int(FailureCause::LoginRefused);
    QTest::newRow("A missing database is named")
        << "station"
        << "no_such_yard" << true << "" << int(FailureCause::DatabaseMissing);
    QTest::newRow("No server on the port is unreachable")
        << "station"
        << "yard_open" << false << "" << int(FailureCause::Unreachable);
    QTest::newRow("A server another authority vouches for is refused")
        << "station"
        << "yard_open" << true << "other-ca.crt" << int(FailureCause::CertificateMismatch);
    QTest::newRow("A certificate file that is not there is named")
        << "station"
        << "yard_open" << true << "gone.crt" << int(FailureCause::CertificateMissing);
    QTest::newRow("A certificate that is not one is refused")
        << "station"
        << "yard_open" << true << "pgpass" << int(FailureCause::CertificateMissing);
}

void TestSharedHistory::refusedConnectionKeepsPostingsLocal()
{
    QFETCH(QString, user);
    QFETCH(QString, database);
    QFETCH(bool, serverListens);
    QFETCH(QString, certificate);
    QFETCH(int, cause);
    ServerSettings settings = settingsFor(user, database);
    if (!serverListens)
        settings.port = freeLocalPort();
    if (!certificate.isEmpty())
        settings.certificate = m_dir.filePath(certificate);
    const QString expected = failureText(FailureCause(cause), settings);
    QCOMPARE(clerkText(testServerConnection(settings)), expected);

    const QString folder
        = m_dir.filePath(QStringLiteral("refused/") + QString::fromLatin1(QTest::currentDataTag()));
    {
        Station station(folder, settings);
        station.sender.start();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(clerkText(station.recorder.record(sampleLoad(
                         LoadKind::StockOut, QStringLiteral("松木"), QString::number(i)))),
                QString());
        QTRY_COMPARE_WITH_TIMEOUT(station.sender.lastFailure(), expected, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(station.sender.waitingCount(), 3, 30000);
    }
    SqliteHistoryStore local(historyDatabasePath(folder));
    QCOMPARE(local.totals(LoadFilter {})->of(LoadKind::StockOut).loads, 3);
    QCOMPARE(local.outboxCount(), 3);
}

// PostgreSQL 15 gives no one but the owner the right to make tables in a
// new database.
void TestSharedHistory::userWithoutRightToCreateTablesIsToldSo()
{
    const QString database = QStringLiteral("yard_locked");
    makeDatabase(database, QStringLiteral("postgres"));
    const ServerSettings settings = settingsFor(QStringLiteral("clerk"), database);
    QCOMPARE(
        clerkText(testServerConnection(settings)), failureText(FailureCause::NoRight, settings));
    QCOMPARE(admin(QStringLiteral("SELECT COUNT(*) FROM pg_tables WHERE schemaname = 'public'"),
                 database),
        QStringLiteral("0"));
    // Once the administrator gives the right, as the message asks, it works.
    QVERIFY(!admin(QStringLiteral("GRANT CREATE ON SCHEMA public TO clerk"), database).isNull());
    QCOMPARE(clerkText(testServerConnection(settings)), QString());
}

void TestSharedHistory::olderServerSchemaIsBroughtUpToDate_data()
{
    QTest::addColumn<int>("version");
    for (int version = 1; version < HistoryStore::currentSchemaVersion(); ++version)
        QTest::addRow("A server of schema %d", version) << version;
}

void TestSharedHistory::olderServerSchemaIsBroughtUpToDate()
{
    QFETCH(int, version);
    const QString database = QStringLiteral("yard_old_%1").arg(version);
    makeDatabase(database, QStringLiteral("station"));
    const ServerSettings settings = settingsFor(QStringLiteral("station"), database);
    {
        PostgresHistoryStore old(settings, version);
        QCOMPARE(old.schemaVersion(), version);
        QSqlQuery insert(old.database());
        QVERIFY(insert.exec(
            QStringLiteral("INSERT INTO loads (recorded_at, day, kind, bill_number, species, "
                           "buyer, truck, supplier, contact, "
                           "scaler, pieces_e4, volume_e4, amount_fen, detail) VALUES "
                           "('2026-01-02T08:00:00', '2026-01-02', 1, '', "
                           "'杉木', '甲', '乙', '丙', '丁', '戊', 50000, 22590, 180720, '{}')")));
        // As the program of that schema numbered its own loads.
        if (version >= 2)
            QVERIFY(insert.exec(QStringLiteral("UPDATE loads SET station_number = id")));
    }
    PostgresHistoryStore store(settings);
    QCOMPARE(store.schemaVersion(), HistoryStore::currentSchemaVersion());
    QCOMPARE(
        store.totals(LoadFilter {})->of(LoadKind::StockIn), loadTotals(1, 50000, 22590, 180720));
    QCOMPARE(admin(QStringLiteral("SELECT station, station_number FROM loads"), database),
        QStringLiteral("|1"));
    LoadRecord load = sampleLoad(LoadKind::StockIn, QStringLiteral("松木"), QStringLiteral("闽B1"));
    load.station = QStringLiteral("一号门");
    load.stationNumber = 1;
    QVERIFY(store.receive(load));
    QVERIFY(!store.receive(load));
}

void TestSharedHistory::resentLoadIsStoredOnceAndAStationNameUsedTwiceIsCaught()
{
    const QString database = QStringLiteral("yard_resend");
    makeDatabase(database, QStringLiteral("station"));
    const ServerSettings settings
        = settingsFor(QStringLiteral("station"), database, QStringLiteral("三号门"));
    const QString first = m_dir.filePath(QStringLiteral("resend/first"));
    {
        Station station(first, settings);
        station.sender.start();
        QSignalSpy sent(&station.sender, &HistorySender::loadSent);
        QCOMPARE(clerkText(station.recorder.record(sampleLoad(
                     LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽A1")))),
            QString());
        QTRY_COMPARE_WITH_TIMEOUT(sent.size(), 1, 30000);
        // As if the program had died between the server's commit and the
        // mark: the load is sent again.
        QSqlQuery again(station.recorder.store()->database());
        QVERIFY2(again.exec(QStringLiteral("INSERT INTO outbox (load_id) VALUES (1)")),
            qPrintable(again.lastError().text()));
        station.sender.loadRecorded();
        QTRY_COMPARE_WITH_TIMEOUT(sent.size(), 2, 30000);
        QCOMPARE(station.sender.waitingCount(), 0);
        QCOMPARE(station.sender.lastFailure(), QString());
    }
    QCOMPARE(serverLoads(database), 1);

    // Another machine under the same name: its first load must not be taken
    // for the one already there.
    Station other(m_dir.filePath(QStringLiteral("resend/other")), settings);
    other.sender.start();
    QCOMPARE(clerkText(other.recorder.record(
                 sampleLoad(LoadKind::StockOut, QStringLiteral("松木"), QStringLiteral("闽C9")))),
        QString());
    QTRY_COMPARE_WITH_TIMEOUT(
        other.sender.lastFailure(), failureText(FailureCause::StationTaken, settings), 30000);
    QCOMPARE(other.sender.waitingCount(), 1);
    QCOMPARE(admin(QStringLiteral("SELECT truck FROM loads"), database), QStringLiteral("闽A1"));
    // Renamed, it is sent.
    ServerSettings renamed = settings;
    renamed.station = QStringLiteral("四号门");
    other.sender.setServerSettings(renamed);
    QTRY_COMPARE_WITH_TIMEOUT(serverLoads(database), 2, 30000);
    QCOMPARE(admin(QStringLiteral("SELECT station, truck FROM loads ORDER BY id"), database),
        QStringLiteral("三号门|闽A1\n四号门|闽C9"));
}

void TestSharedHistory::windowQueriesWorkOnTheServerAndFallBackToThisMachine()
{
    const QString database = QStringLiteral("yard_reading");
    makeDatabase(database, QStringLiteral("station"));
    const ServerSettings settings = settingsFor(QStringLiteral("station"), database);
    const QString localPath = historyDatabasePath(m_dir.filePath(QStringLiteral("reading")));
    {
        PostgresHistoryStore server(settings);
        const struct {
            const char* station;
            LoadKind kind;
            const char* species;
            const char* truck;
            const char* volume;
        } loads[] = {
            { "一号门", LoadKind::StockIn, "杉木", "闽A1", "1.0000" },
            { "一号门", LoadKind::StockIn, "杉木", "闽A2", "2.5000" },
            { "二号门", LoadKind::StockOut, "杉木", "100%_车", "0.5000" },
        };
        qint64 number = 0;
        for (const auto& row : loads) {
            LoadRecord load = sampleLoad(row.kind, QString::fromUtf8(row.species),
                QString::fromUtf8(row.truck), QString::fromUtf8(row.volume));
            load.station = QString::fromUtf8(row.station);
            load.stationNumber = ++number;
            QVERIFY(server.receive(load));
        }
    }
    checkServerQueries(openReadingStore(settings, localPath));
    ServerSettings unreachable = settings;
    unreachable.port = freeLocalPort();
    const ReadingStore reading = openReadingStore(unreachable, localPath);
    QVERIFY(!reading.shared);
    QCOMPARE(reading.store->location(), localPath);
    QVERIFY2(reading.notice.startsWith(failureText(FailureCause::Unreachable, unreachable)),
        qPrintable(reading.notice));
}

void TestSharedHistory::checkServerQueries(const ReadingStore& reading)
{
    QVERIFY(reading.shared);
    QCOMPARE(reading.notice, QString());
    HistoryStore& store = *reading.store;
    QCOMPARE(*store.recordedStations(),
        (QStringList { QStringLiteral("一号门"), QStringLiteral("二号门") }));
    LoadFilter gate;
    gate.station = QStringLiteral("一号门");
    const Result<KindTotals> totals = store.totals(gate);
    QVERIFY(totals);
    KindTotals gateTotals;
    gateTotals.of(LoadKind::StockIn) = loadTotals(2, 0, 35000, 200000);
    QCOMPARE(*totals, gateTotals);
    LoadFilter text;
    text.text = QStringLiteral("%_");
    QCOMPARE(store.totals(text)->of(LoadKind::StockOut).loads, 1);
    const Result<QVector<ReportRow>> months
        = store.stockReport(LoadFilter {}, ReportGrouping::ByMonth);
    QVERIFY(months);
    QCOMPARE(months->size(), 1);
    QCOMPARE(months->at(0).key, QStringLiteral("2026-12"));
    QCOMPARE(months->at(0).netVolume()->units(), 30000);
    Result<std::unique_ptr<LoadCursor>> listing
        = store.listLoads(gate, LoadColumn::Station, Qt::AscendingOrder);
    QVERIFY(listing);
    const Result<QVector<ListedLoad>> rows = listing.value()->next(10);
    QVERIFY(rows);
    QCOMPARE(rows->size(), 2);
    QCOMPARE(store.recentValues(LoadColumn::Truck)->size(), 3);
}

QTEST_GUILESS_MAIN(TestSharedHistory)
