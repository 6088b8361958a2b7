// The yard server as history/server/setup-yard-server.sql leaves it: a
// station's login reads and inserts its own loads and nothing else, a
// station never sends its password to a server that will not encrypt or
// shows another certificate, and the README's steps work from a bare server.

#include "fake_postgres_server.h"
#include "history/postgres_history_store.h"
#include "test_shared_history.h"

#include <QSettings>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QStringList gate1 { QStringLiteral("station_login=gate1"),
    QStringLiteral("station_name=一号门"), QStringLiteral("password=gate1-pw") };
const QStringList gate2 { QStringLiteral("station_login=gate2"),
    QStringLiteral("station_name=二号门"), QStringLiteral("password=gate2-pw") };

} // namespace

void TestSharedHistory::runSetupScript(const QString& database, const QStringList& variables)
{
    QString output;
    QVERIFY2(
        m_server->adminScript(QStringLiteral(QUORVANE_SETUP_SCRIPT), database, variables, &output),
        qPrintable(output));
}

void TestSharedHistory::makeYard(const QString& database)
{
    makeDatabase(database, QStringLiteral("postgres"));
    runSetupScript(database);
    runSetupScript(database, gate1);
    runSetupScript(database, gate2);
    const struct {
        const char* login;
        const char* station;
    } stations[] = { { "gate1", "一号门" }, { "gate2", "二号门" } };
    for (const auto& station : stations) {
        PostgresHistoryStore store(settingsFor(
            QLatin1String(station.login), database, QString::fromUtf8(station.station)));
        LoadRecord load
            = sampleLoad(LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽A1"));
        load.station = QString::fromUtf8(station.station);
        // Beyond the numbers a new station's own first loads take.
        load.stationNumber = 100;
        QVERIFY(store.receive(load));
        QVERIFY(store.receivePayment(
            PaymentBuilder().from(load.station, 100).at(load.recordedAt).fen(100)));
        QVERIFY(store.receiveAlias(JoinBuilder(QStringLiteral("林厂甲"), QStringLiteral("林场甲"))
                                       .from(load.station, 100, load.recordedAt)));
    }
}

QString TestSharedHistory::loadsDump(const QString& database, const QString& table)
{
    return admin(
        QStringLiteral("SELECT string_agg(l::text, E'\\n' ORDER BY id) FROM %1 l").arg(table),
        database);
}

void TestSharedHistory::setupScriptBringsAnEarlierServerUnderItsRulesKeepingEveryRow()
{
    // As the earlier README had it: one login owning the database and the
    // tables, which every station used.
    const QString database = QStringLiteral("yard_earlier");
    makeDatabase(database, QStringLiteral("station"));
    {
        PostgresHistoryStore earlier(settingsFor(QStringLiteral("station"), database));
        for (const char* station : { "一号门", "二号门", "一号门" }) {
            LoadRecord load = sampleLoad(
                LoadKind::StockOut, QStringLiteral("松木"), QString::fromUtf8(station));
            load.station = QString::fromUtf8(station);
            load.stationNumber
                = admin(QStringLiteral("SELECT COUNT(*) + 1 FROM loads"), database).toInt();
            QVERIFY(earlier.receive(load));
        }
        QSqlQuery careless(earlier.database());
        QVERIFY(careless.exec(QStringLiteral("GRANT ALL ON loads TO PUBLIC")));
    }
    const QString before = loadsDump(database);
    QCOMPARE(before.count(u'\n'), 2);
    runSetupScript(database);
    runSetupScript(database, gate1);
    QCOMPARE(loadsDump(database), before);
    QCOMPARE(admin(QStringLiteral("SELECT pg_get_userbyid(datdba) FROM pg_database WHERE datname = "
                                  "current_database()"),
                 database),
        QStringLiteral("quorvane_owner"));
    // The login of old is a station now, or nothing at all.
    QCOMPARE(clerkText(testServerConnection(settingsFor(QStringLiteral("station"), database))),
        failureText(FailureCause::NoRight, settingsFor(QStringLiteral("station"), database)));
    QCOMPARE(
        clerkText(testServerConnection(settingsFor(QStringLiteral("gate1"), database))), QString());

    // Again: nothing changes, not a grant, a rule or a row.
    const auto snapshot = [&] {
        QString schema;
        const bool dumped = m_server->runAsServerUser(QStringLiteral("pg_dump"),
            m_server->socketArguments()
                + QStringList { QStringLiteral("-d"), database, QStringLiteral("-s") },
            &schema);
        // pg_dump marks each dump with a key of its own.
        QStringList lines = schema.split(u'\n');
        lines.erase(
            std::remove_if(lines.begin(), lines.end(),
                [](const QString& line) { return line.contains(QLatin1String("restrict ")); }),
            lines.end());
        return QStringList { dumped ? lines.join(u'\n') : QStringLiteral("no dump: ") + schema,
            loadsDump(database),
            admin(QStringLiteral("SELECT string_agg(login || '=' || station, ',' ORDER BY login) "
                                 "FROM station_logins"),
                database),
            admin(QStringLiteral("SELECT string_agg(r.rolname || ':' || r.rolcanlogin || ':' || "
                                 "COALESCE(m.roleid::regrole::text, ''), "
                                 "',' ORDER BY 1) FROM pg_roles r LEFT JOIN pg_auth_members m ON "
                                 "m.member = r.oid"),
                database),
            admin(QStringLiteral(
                      "SELECT datacl::text FROM pg_database WHERE datname = current_database()"),
                database) };
    };
    const QStringList once = snapshot();
    QVERIFY2(
        once[0].contains(QLatin1String("CREATE POLICY stations_insert_own")), qPrintable(once[0]));
    runSetupScript(database);
    runSetupScript(database, gate1);
    QCOMPARE(snapshot(), once);
}

void TestSharedHistory::stationLoginCannotChangeTheHistory_data()
{
    QTest::addColumn<QString>("sql");
    const QString insert = QStringLiteral(
        "INSERT INTO loads (%1recorded_at, day, kind, bill_number, species, buyer, truck, "
        "supplier, contact, scaler, "
        "pieces_e4, volume_e4, amount_fen, detail, station, station_number) VALUES "
        "(%2'2026-12-09T10:00:00', "
        "'2026-12-09', 1, '', '杉木', '', '', '', '', '', 0, 0, 100, '{}', '%3', %4)");
    QTest::newRow("Changing another station's amounts is refused")
        << "UPDATE loads SET amount_fen = 1 WHERE station = '二号门'";
    QTest::newRow("Changing its own loads is refused")
        << "UPDATE loads SET amount_fen = 1 WHERE station = '一号门'";
    QTest::newRow("Deleting loads is refused") << "DELETE FROM loads";
    QTest::newRow("Truncating the loads is refused") << "TRUNCATE loads";
    QTest::newRow("Dropping the loads is refused") << "DROP TABLE loads";
    QTest::newRow("Inserting under another station's name is refused")
        << insert.arg(QString(), QString(), QStringLiteral("二号门")).arg(2);
    QTest::newRow("Choosing a load's id is refused")
        << insert.arg(QStringLiteral("id, "), QStringLiteral("1000, "), QStringLiteral("一号门"))
               .arg(2);
    QTest::newRow("Switching row-level security off is refused")
        << "ALTER TABLE loads DISABLE ROW LEVEL SECURITY";
    QTest::newRow("Binding itself to another station is refused")
        << "UPDATE station_logins SET station = '二号门' WHERE login = 'gate1'";
    QTest::newRow("Replacing the station's name function is refused")
        << "CREATE OR REPLACE FUNCTION quorvane_station_name() RETURNS TEXT LANGUAGE sql AS $$ "
           "SELECT '二号门' $$";
    QTest::newRow("Lowering the schema's version is refused")
        << "UPDATE history_schema SET version = 1";
    QTest::newRow("Making a table in the yard's schema is refused")
        << "CREATE TABLE loads_copy (id BIGINT)";
    QTest::newRow("Acting as the owner is refused") << "SET ROLE quorvane_owner";
    QTest::newRow("Changing its own payment is refused")
        << "UPDATE payments SET amount_fen = 1 WHERE station = '一号门'";
    QTest::newRow("Deleting payments is refused") << "DELETE FROM payments";
    QTest::newRow("Truncating the payments is refused") << "TRUNCATE payments";
    QTest::newRow("Inserting a payment under another station's name is refused")
        << "INSERT INTO payments (station, station_number, recorded_at, day, partner, direction, "
           "amount_fen, way, note, reverses_station, reverses_number) VALUES ('二号门', 2, "
           "'2026-12-09T10:00:00', '2026-12-09', '林场甲', 2, -100, '', '', '二号门', 100)";
    QTest::newRow("Switching the payments' row-level security off is refused")
        << "ALTER TABLE payments DISABLE ROW LEVEL SECURITY";
    QTest::newRow("Changing a join of names is refused")
        << "UPDATE partner_aliases SET partner = '林厂甲' WHERE station = '一号门'";
    QTest::newRow("Deleting the joins of names is refused") << "DELETE FROM partner_aliases";
    QTest::newRow("Truncating the joins of names is refused") << "TRUNCATE partner_aliases";
    QTest::newRow("Making a large object is refused") << "SELECT lo_create(0)";
    QTest::newRow("Making a large object the old way is refused") << "SELECT lo_creat(-1)";
    QTest::newRow("Making a temporary table is refused") << "CREATE TEMP TABLE scratch (id BIGINT)";
    QTest::newRow("Making a function is refused")
        << "CREATE FUNCTION public.now() RETURNS timestamptz LANGUAGE sql AS $$ SELECT "
           "'2000-01-01'::timestamptz $$";
    QTest::newRow("Taking the migration lock is refused")
        << QStringLiteral("SELECT pg_advisory_lock(%1)").arg(0x51766873);
    QTest::newRow("Trying the migration lock is refused")
        << QStringLiteral("SELECT pg_try_advisory_xact_lock(%1)").arg(0x51766873);
    QTest::newRow("Making a schema is refused") << "CREATE SCHEMA stations_own";
}

void TestSharedHistory::stationLoginCannotChangeTheHistory()
{
    QFETCH(QString, sql);
    const QString database = QStringLiteral("yard_rules");
    if (admin(QStringLiteral("SELECT COUNT(*) FROM pg_database WHERE datname = 'yard_rules'"),
            QStringLiteral("postgres"))
        == u'0')
        makeYard(database);
    const auto state = [&] {
        return QStringList { loadsDump(database), loadsDump(database, QStringLiteral("payments")),
            loadsDump(database, QStringLiteral("partner_aliases")),
            admin(QStringLiteral("SELECT version FROM history_schema"), database),
            admin(QStringLiteral("SELECT string_agg(login || '=' || station, ',' ORDER BY login) "
                                 "FROM station_logins"),
                database),
            admin(
                QStringLiteral("SELECT relrowsecurity FROM pg_class WHERE oid = 'loads'::regclass"),
                database),
            admin(QStringLiteral(
                      "SELECT prosrc FROM pg_proc WHERE proname = 'quorvane_station_name'"),
                database),
            admin(QStringLiteral("SELECT COUNT(*) FROM pg_tables WHERE schemaname = 'public'"),
                database) };
    };
    const QStringList before = state();
    QCOMPARE(before[0].count(u'\n'), 1);
    {
        PostgresHistoryStore station(settingsFor(QStringLiteral("gate1"), database));
        QSqlQuery attack(station.database());
        QVERIFY2(!attack.exec(sql), qPrintable(sql));
        QVERIFY2(attack.lastError().nativeErrorCode() == QLatin1String("42501"),
            qPrintable(attack.lastError().text()));
    }
    QCOMPARE(state(), before);
}

void TestSharedHistory::stationRecordingUnderAnotherNameIsRefusedWithItsCause()
{
    const QString database = QStringLiteral("yard_names");
    makeYard(database);
    const ServerSettings misnamed
        = settingsFor(QStringLiteral("gate1"), database, QStringLiteral("二号门"));
    const QString refused = failureText(FailureCause::StationNotAllowed, misnamed);
    QVERIFY(!refused.contains(QStringLiteral("损坏")));
    QCOMPARE(clerkText(testServerConnection(misnamed)), refused);
    {
        // Whatever the program believes, the server holds to the binding.
        PostgresHistoryStore store(misnamed);
        LoadRecord load
            = sampleLoad(LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽X1"));
        load.station = QStringLiteral("二号门");
        load.stationNumber = 2;
        try {
            store.receive(load);
            QFAIL("a load under another station's name was stored");
        } catch (const Failure& error) {
            QCOMPARE(int(error.cause()), int(FailureCause::StationNotAllowed));
        }
    }
    Station station(m_dir.filePath(QStringLiteral("names")), misnamed);
    station.sender.start();
    QCOMPARE(clerkText(station.recorder.record(
                 sampleLoad(LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽X2")))),
        QString());
    QTRY_COMPARE_WITH_TIMEOUT(station.sender.lastFailure(), refused, 30000);
    QCOMPARE(station.sender.waitingCount(), 1);
    // Named as the administrator bound it, the load goes.
    station.sender.setServerSettings(
        settingsFor(QStringLiteral("gate1"), database, QStringLiteral("一号门")));
    QTRY_COMPARE_WITH_TIMEOUT(station.sender.waitingCount(), 0, 30000);
    QCOMPARE(admin(QStringLiteral("SELECT station, truck FROM loads ORDER BY id"), database),
        QStringLiteral("一号门|闽A1\n二号门|闽A1\n一号门|闽X2"));

    // The station's next number taken, before these rules, by a row that
    // does not even read: taken all the same, not a damaged history.
    QVERIFY(!admin(
        QStringLiteral(
            "INSERT INTO loads (recorded_at, day, kind, bill_number, species, buyer, truck, "
            "supplier, contact, scaler, pieces_e4, volume_e4, amount_fen, detail, station, "
            "station_number) SELECT recorded_at, day, kind, bill_number, species, buyer, "
            "'闽Z9', supplier, contact, scaler, pieces_e4, volume_e4, amount_fen, '{not json', "
            "station, 2 FROM loads WHERE truck = '闽X2'"),
        database)
                 .isNull());
    QCOMPARE(clerkText(station.recorder.record(
                 sampleLoad(LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽X3")))),
        QString());
    const ServerSettings named = settingsFor(QStringLiteral("gate1"), database);
    QTRY_COMPARE_WITH_TIMEOUT(
        station.sender.lastFailure(), failureText(FailureCause::StationTaken, named), 30000);
    QCOMPARE(station.sender.waitingCount(), 1);
}

void TestSharedHistory::stationMeetingAnOlderSchemaAsksForTheAdministrator()
{
    const QString database = QStringLiteral("yard_behind");
    makeYard(database);
    QVERIFY(!admin(QStringLiteral("UPDATE history_schema SET version = 3"), database).isNull());
    const ServerSettings settings = settingsFor(QStringLiteral("gate1"), database);
    const QString expected = failureText(FailureCause::SchemaOutdated, settings);
    QVERIFY(expected.startsWith(QStringLiteral("服务器上的历史数据表需要管理员升级")));
    QCOMPARE(clerkText(testServerConnection(settings)), expected);
    const ReadingStore reading
        = openReadingStore(settings, historyDatabasePath(m_dir.filePath(QStringLiteral("behind"))));
    QVERIFY(!reading.shared);
    QVERIFY2(reading.notice.startsWith(expected), qPrintable(reading.notice));
    QCOMPARE(
        admin(QStringLiteral("SELECT version FROM history_schema"), database), QStringLiteral("3"));
}

// The attack as it was: a server on the configured address that will not
// encrypt and asks for the password in clear text. A connection that
// merely prefers TLS hands it over; the program's never does.
void TestSharedHistory::fakeServerNeverReceivesThePassword()
{
    FakePostgresServer fake;
    QVERIFY(fake.listen());
    const bool preferringGaveItAway = whileServing([port = fake.port()] {
        bool sent = false;
        {
            QSqlDatabase db
                = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("preferring"));
            db.setHostName(QStringLiteral("127.0.0.1"));
            db.setPort(port);
            db.setUserName(QStringLiteral("fake"));
            db.setDatabaseName(QStringLiteral("yard"));
            db.setConnectOptions(QStringLiteral("sslmode=prefer;connect_timeout=5"));
            sent = !db.open();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("preferring"));
        return sent;
    });
    QVERIFY(preferringGaveItAway);
    QVERIFY2(fake.received().contains("never-sent-pw"),
        "the fake server must be able to take a password");

    FakePostgresServer guarded;
    QVERIFY(guarded.listen());
    ServerSettings settings = settingsFor(QStringLiteral("fake"), QStringLiteral("yard"));
    settings.port = guarded.port();
    const QString refused = failureText(FailureCause::NotEncrypted, settings);
    QCOMPARE(
        whileServing([settings] { return clerkText(testServerConnection(settings)); }), refused);
    {
        Station station(m_dir.filePath(QStringLiteral("fake")), settings);
        station.sender.start();
        QCOMPARE(clerkText(station.recorder.record(sampleLoad(
                     LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽F1")))),
            QString());
        QTRY_COMPARE_WITH_TIMEOUT(station.sender.lastFailure(), refused, 30000);
        QCOMPARE(station.sender.waitingCount(), 1);
    }
    QVERIFY(guarded.connections() >= 2);
    QVERIFY(!guarded.received().contains("never-sent-pw"));
    QVERIFY(!guarded.received().contains("fake")); // not even the user's name
}

// Without TLS the socket is the only proof of the server: in a folder anyone
// may write, one a stranger made is never connected to, while the same fake
// on a socket of the user's own shows the password would have gone.
void TestSharedHistory::fakeServerOnAStrangersSocketNeverReceivesThePassword()
{
    if (::geteuid() != 0)
        QSKIP("only root can give the fake server's socket to another user");
    QTemporaryDir top;
    const QString folder = top.filePath(QStringLiteral("sockets"));
    QVERIFY(QDir(top.path()).mkdir(QStringLiteral("sockets")));
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 01777) == 0);
    ServerSettings settings = settingsFor(QStringLiteral("fake"), QStringLiteral("yard"));
    settings.host = folder;
    settings.port = 5439;
    const QString socket = QDir(folder).filePath(QStringLiteral(".s.PGSQL.5439"));
    FakePostgresServer fake;
    QVERIFY(fake.listenAt(socket));
    whileServing([settings] { return clerkText(testServerConnection(settings)); });
    QVERIFY2(fake.received().contains("never-sent-pw"),
        "the fake server must be able to take a password");

    QVERIFY(::lchown(QFile::encodeName(socket).constData(), 65534, 65534) == 0);
    const int connections = fake.connections();
    const QString refused = failureText(FailureCause::SocketNotSafe, settings);
    QCOMPARE(
        whileServing([settings] { return clerkText(testServerConnection(settings)); }), refused);
    {
        Station station(m_dir.filePath(QStringLiteral("stranger")), settings);
        station.sender.start();
        QCOMPARE(clerkText(station.recorder.record(sampleLoad(
                     LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽F2")))),
            QString());
        QTRY_COMPARE_WITH_TIMEOUT(station.sender.lastFailure(), refused, 30000);
        QCOMPARE(station.sender.waitingCount(), 1);
    }
    QCOMPARE(fake.connections(), connections);
}

// The README's section, step by step, on a database of its own: the
// certificate made by the shipped script and put in use, the tables and a
// station's login made by the shipped SQL, the certificate copied beside
// the station's settings and named there.
void TestSharedHistory::readmeStepsSetUpABareServer()
{
    const QString serverFolder = m_server->folder() + QStringLiteral("/readme");
    QString output;
    QVERIFY2(m_server->runAsServerUser(QStringLiteral("/bin/mkdir"), { serverFolder }, &output),
        qPrintable(output));
    QVERIFY2(
        m_server->runAsServerUser(QStringLiteral(QUORVANE_CERTIFICATE_SCRIPT),
            { serverFolder, QStringLiteral("127.0.0.1"), QStringLiteral("localhost") }, &output),
        qPrintable(output));
    const QString certificate = serverFolder + QStringLiteral("/yard-server.crt");
    QVERIFY2(
        output.contains(QStringLiteral("ALTER SYSTEM SET ssl_cert_file = '%1'").arg(certificate)),
        qPrintable(output));
    // A second run would lock out every station given the first certificate.
    QVERIFY(!m_server->runAsServerUser(QStringLiteral(QUORVANE_CERTIFICATE_SCRIPT),
        { serverFolder, QStringLiteral("127.0.0.1") }, &output));
    // The suite's own certificate back for what follows, however this ends.
    const auto restored = [this] {
        for (const char* step : { "ALTER SYSTEM RESET ssl_cert_file",
                 "ALTER SYSTEM RESET ssl_key_file", "SELECT pg_reload_conf()" })
            m_server->admin(QLatin1String(step));
        if (!QTest::qWaitFor(
                [&] {
                    return clerkText(testServerConnection(settingsFor(
                                         QStringLiteral("station"), QStringLiteral("yard_open"))))
                        .isEmpty();
                },
                30000))
            qWarning("the server did not take its own certificate back");
    };
    const std::shared_ptr<void> restore(nullptr, [&](void*) { restored(); });
    for (const QString& step : { QStringLiteral("ALTER SYSTEM SET ssl = on"),
             QStringLiteral("ALTER SYSTEM SET ssl_cert_file = '%1'").arg(certificate),
             QStringLiteral("ALTER SYSTEM SET ssl_key_file = '%1/yard-server.key'")
                 .arg(serverFolder),
             QStringLiteral("SELECT pg_reload_conf()") })
        QVERIFY(!admin(step, QStringLiteral("postgres")).isNull());
    makeDatabase(QStringLiteral("yard_readme"), QStringLiteral("postgres"));
    runSetupScript(QStringLiteral("yard_readme"));
    runSetupScript(QStringLiteral("yard_readme"),
        { QStringLiteral("station_login=readme1"), QStringLiteral("station_name=一号门"),
            QStringLiteral("password=readme-pw") });

    // A folder name the connection's options must quote.
    const QString config = m_dir.filePath(QStringLiteral("readme station's"));
    QVERIFY(QDir().mkpath(config));
    QVERIFY(QFile::copy(certificate, config + QStringLiteral("/yard-server.crt")));
    {
        QSettings ini(settingsFilePath(config), QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("history_server"));
        ini.setValue(QStringLiteral("host"), m_server->host());
        ini.setValue(QStringLiteral("port"), m_server->port());
        ini.setValue(QStringLiteral("database"), QStringLiteral("yard_readme"));
        ini.setValue(QStringLiteral("user"), QStringLiteral("readme1"));
        ini.setValue(QStringLiteral("station"), QStringLiteral("一号门"));
        ini.setValue(QStringLiteral("certificate"), QStringLiteral("yard-server.crt"));
    }
    const ServerSettings settings = readServerSettings(settingsFilePath(config));
    QCOMPARE(settings.certificate, config + QStringLiteral("/yard-server.crt"));
    // The server takes up its new certificate a moment after the reload.
    QTRY_COMPARE_WITH_TIMEOUT(clerkText(testServerConnection(settings)), QString(), 30000);
    // The suite's own authority does not vouch for the new certificate.
    QCOMPARE(clerkText(testServerConnection(
                 settingsFor(QStringLiteral("readme1"), QStringLiteral("yard_readme")))),
        failureText(FailureCause::CertificateMismatch,
            settingsFor(QStringLiteral("readme1"), QStringLiteral("yard_readme"))));
    Station station(config, settings);
    station.sender.start();
    QCOMPARE(clerkText(station.recorder.record(
                 sampleLoad(LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽R1")))),
        QString());
    QTRY_COMPARE_WITH_TIMEOUT(serverLoads(QStringLiteral("yard_readme")), 1, 30000);
    QCOMPARE(
        admin(QStringLiteral("SELECT station, truck FROM loads"), QStringLiteral("yard_readme")),
        QStringLiteral("一号门|闽R1"));
}
