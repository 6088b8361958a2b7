// A station's login attacking the yard server the setup script leaves, and
// the schema the program makes compared with the script's from pg_catalog.

#include "fake_postgres_server.h"
#include "history/load_query.h"
#include "history/postgres_history_store.h"
#include "test_shared_history.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

namespace {

enum class Attack {
    PlantedFunctions,
    SquattedReversals,
    ReversalRules,
    ChainOfJoins,
    JoinInAnOldSnapshot,
    LongSupplier,
    HugeDetail,
    HostList,
};

const QStringList gate1Login { QStringLiteral("station_login=gate1"),
    QStringLiteral("station_name=一号门"), QStringLiteral("password=gate1-pw") };

// Every table, column, index, constraint, trigger, function and policy of
// the schema `%1`, one line each, the schema's name left out.
const QString schemaShapeSql = QStringLiteral(R"(
WITH s AS (SELECT oid FROM pg_catalog.pg_namespace WHERE nspname = '%1')
SELECT replace(string_agg(line, E'\n' ORDER BY line), '%1.', '') FROM (
  SELECT 'relation ' || c.relname || ' ' || c.relkind::text || ' rls=' || c.relrowsecurity AS line
    FROM pg_class c JOIN s ON c.relnamespace = s.oid
  UNION ALL SELECT 'column ' || c.relname || '.' || a.attname || ' '
      || format_type(a.atttypid, a.atttypmod) || ' notnull=' || a.attnotnull || ' default='
      || COALESCE(pg_get_expr(d.adbin, d.adrelid), '')
    FROM pg_class c JOIN s ON c.relnamespace = s.oid
    JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped
    LEFT JOIN pg_attrdef d ON d.adrelid = c.oid AND d.adnum = a.attnum WHERE c.relkind = 'r'
  UNION ALL SELECT 'index ' || pg_get_indexdef(i.indexrelid)
    FROM pg_index i JOIN pg_class c ON c.oid = i.indrelid JOIN s ON c.relnamespace = s.oid
  UNION ALL SELECT 'constraint ' || c.relname || ' ' || o.conname || ' '
      || pg_get_constraintdef(o.oid) || ' valid=' || o.convalidated
    FROM pg_constraint o JOIN pg_class c ON c.oid = o.conrelid JOIN s ON c.relnamespace = s.oid
  UNION ALL SELECT 'trigger ' || pg_get_triggerdef(t.oid)
    FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid JOIN s ON c.relnamespace = s.oid
    WHERE NOT t.tgisinternal
  UNION ALL SELECT 'function ' || p.proname || ' definer=' || p.prosecdef || ' '
      || array_to_string(p.proconfig, ',') || ' ' || p.prosrc
    FROM pg_proc p JOIN s ON p.pronamespace = s.oid
  UNION ALL SELECT 'policy ' || c.relname || ' ' || p.polname || ' ' || p.polcmd::text || ' '
      || array_to_string(ARRAY(SELECT rolname FROM pg_roles WHERE oid = ANY (p.polroles)
          ORDER BY 1), ',')
      || ' ' || COALESCE(pg_get_expr(p.polqual, p.polrelid), '') || ' '
      || COALESCE(pg_get_expr(p.polwithcheck, p.polrelid), '')
    FROM pg_policy p JOIN pg_class c ON c.oid = p.polrelid JOIN s ON c.relnamespace = s.oid
) lines)");

// The lines of what the program makes too: the script's own table of
// logins, its function and its rules (and their switch) left out.
QString programPart(const QString& shape)
{
    QStringList kept;
    for (QString line : shape.split(u'\n'))
        if (!line.contains(QLatin1String("station_logins"))
            && !line.contains(QLatin1String("quorvane_station_name"))
            && !line.startsWith(QLatin1String("policy ")))
            kept << line.replace(QLatin1String(" rls=true"), QLatin1String(" rls=false"));
    return kept.join(u'\n');
}

// A failed statement's SQLSTATE, or "ok".
QString outcome(QSqlQuery& query, const QString& sql)
{
    if (query.exec(sql))
        return QStringLiteral("ok");
    return query.lastError().nativeErrorCode();
}

const QString paymentInsert = QStringLiteral(
    "INSERT INTO payments (station, station_number, recorded_at, day, partner, direction, "
    "amount_fen, way, note, reverses_station, reverses_number) ");

} // namespace

Q_DECLARE_METATYPE(Attack)

// What the program makes on a server of its own is what the script makes,
// and the script taking over the program's makes the same as on a bare one.
void TestSharedHistory::setupScriptMakesTheProgramsTables()
{
    makeDatabase(QStringLiteral("yard_by_script"), QStringLiteral("postgres"));
    runSetupScript(QStringLiteral("yard_by_script"));
    makeDatabase(QStringLiteral("yard_by_program"), QStringLiteral("station"));
    {
        PostgresHistoryStore program(
            settingsFor(QStringLiteral("station"), QStringLiteral("yard_by_program")));
    }
    const QString byScript
        = admin(schemaShapeSql.arg(QStringLiteral("quorvane")), QStringLiteral("yard_by_script"));
    QVERIFY2(byScript.contains(QLatin1String("constraint loads loads_text_lengths")),
        qPrintable(byScript));
    QVERIFY(byScript.contains(QLatin1String("trigger CREATE TRIGGER partner_aliases_depth_check")));
    QVERIFY(byScript.contains(QLatin1String("policy loads stations_insert_own")));
    // Line by line, so that a difference shows where it is.
    QCOMPARE(admin(schemaShapeSql.arg(QStringLiteral("public")), QStringLiteral("yard_by_program"))
                 .replace(QLatin1String("public, pg_temp"), QLatin1String("quorvane, pg_temp"))
                 .split(u'\n'),
        programPart(byScript).split(u'\n'));
    QCOMPARE(admin(QStringLiteral("SELECT version FROM history_schema"),
                 QStringLiteral("yard_by_program")),
        QString::number(HistoryStore::currentSchemaVersion()));

    runSetupScript(QStringLiteral("yard_by_program"));
    QCOMPARE(
        admin(schemaShapeSql.arg(QStringLiteral("quorvane")), QStringLiteral("yard_by_program"))
            .split(u'\n'),
        byScript.split(u'\n'));
    QCOMPARE(admin(QStringLiteral("SELECT string_agg(DISTINCT tableowner, ',') FROM pg_tables "
                                  "WHERE schemaname IN ('public', 'quorvane')"),
                 QStringLiteral("yard_by_script")),
        QStringLiteral("quorvane_owner"));
}

void TestSharedHistory::yardServerWithstandsAStationsAttacks_data()
{
    QTest::addColumn<Attack>("attack");
    QTest::newRow("The script over functions and a trigger a login planted stops and runs none")
        << Attack::PlantedFunctions;
    QTest::newRow("Reversals of another station's payments not yet stored are refused")
        << Attack::SquattedReversals;
    QTest::newRow("A payment is reversed once, and a reversal not at all") << Attack::ReversalRules;
    QTest::newRow("A chain of 1000 joins is refused past one step") << Attack::ChainOfJoins;
    QTest::newRow("A join checked in an old snapshot is refused") << Attack::JoinInAnOldSnapshot;
    QTest::newRow("A supplier of 976 characters is kept aside and the next load arrives")
        << Attack::LongSupplier;
    QTest::newRow("A detail of 64 MB is refused") << Attack::HugeDetail;
    QTest::newRow("A host list gives a fake server no password") << Attack::HostList;
}

void TestSharedHistory::yardServerWithstandsAStationsAttacks()
{
    QFETCH(Attack, attack);
    const QString database = QStringLiteral("yard_attacks");
    if (attack != Attack::PlantedFunctions && attack != Attack::HostList
        && admin(QStringLiteral("SELECT COUNT(*) FROM pg_database WHERE datname = '%1'")
                     .arg(database),
               QStringLiteral("postgres"))
            == u'0')
        makeYard(database);
    const auto gate = [&](const char* login, const char* station) {
        return std::make_unique<PostgresHistoryStore>(
            settingsFor(QLatin1String(login), database, QString::fromUtf8(station)));
    };
    switch (attack) {
    case Attack::PlantedFunctions: {
        // As the earlier README had it: the station's login owns the database.
        const QString planted = QStringLiteral("yard_planted");
        makeDatabase(planted, QStringLiteral("station"));
        {
            PostgresHistoryStore owner(settingsFor(QStringLiteral("station"), planted));
            QSqlQuery plant(owner.database());
            for (const char* sql :
                { "CREATE TABLE public.calls (what TEXT)", "GRANT ALL ON public.calls TO PUBLIC",
                    "CREATE FUNCTION public.format(text, text) RETURNS text LANGUAGE sql AS "
                    "$$ INSERT INTO public.calls VALUES ('format') RETURNING $1 $$",
                    "CREATE FUNCTION public.quote_ident(name) RETURNS text LANGUAGE sql AS "
                    "$$ INSERT INTO public.calls VALUES ('quote_ident') RETURNING 'x' $$",
                    "CREATE FUNCTION public.pg_has_role(name, name, text) RETURNS boolean "
                    "LANGUAGE sql AS $$ INSERT INTO public.calls VALUES ('pg_has_role') "
                    "RETURNING false $$",
                    "CREATE FUNCTION public.doubled() RETURNS trigger LANGUAGE plpgsql AS "
                    "$$ BEGIN INSERT INTO public.calls VALUES ('trigger'); "
                    "NEW.amount_fen := 2 * NEW.amount_fen; RETURN NEW; END $$",
                    "CREATE TRIGGER doubled BEFORE INSERT OR UPDATE ON loads FOR EACH ROW "
                    "EXECUTE FUNCTION public.doubled()" })
                QVERIFY2(plant.exec(QLatin1String(sql)), qPrintable(plant.lastError().text()));
        }
        QString output;
        QVERIFY(!m_server->adminScript(
            QStringLiteral(QUORVANE_SETUP_SCRIPT), planted, gate1Login, &output));
        for (const char* named : { "function public.format(text,text)",
                 "function public.quote_ident(name)", "function public.pg_has_role(name,name,text)",
                 "trigger doubled on public.loads", "drop_foreign_objects=yes" })
            QVERIFY2(output.contains(QLatin1String(named)), qPrintable(output));
        QCOMPARE(admin(QStringLiteral("SELECT COUNT(*) FROM public.calls"), planted), u'0');
        QCOMPARE(admin(QStringLiteral("SELECT pg_get_userbyid(datdba) FROM pg_database WHERE "
                                      "datname = current_database()"),
                     planted),
            QStringLiteral("station"));
        QVERIFY(m_server->adminScript(QStringLiteral(QUORVANE_SETUP_SCRIPT), planted,
            gate1Login + QStringList { QStringLiteral("drop_foreign_objects=yes") }, &output));
        QCOMPARE(admin(QStringLiteral("SELECT COUNT(*) FROM public.calls"), planted), u'0');
        QCOMPARE(admin(QStringLiteral("SELECT COUNT(*) FROM pg_proc WHERE pronamespace = "
                                      "'public'::regnamespace"),
                     planted),
            u'0');
        QCOMPARE(admin(QStringLiteral("SELECT string_agg(rolname, ',') FROM pg_roles WHERE "
                                      "rolsuper AND rolname <> 'postgres'"),
                     planted),
            QString());
        PostgresHistoryStore station(settingsFor(QStringLiteral("gate1"), planted));
        LoadRecord load
            = sampleLoad(LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽P1"));
        load.station = QStringLiteral("一号门");
        load.stationNumber = 1;
        QVERIFY(station.receive(load));
        QCOMPARE(admin(QStringLiteral("SELECT amount_fen FROM loads"), planted),
            QStringLiteral("100000"));
        break;
    }
    case Attack::SquattedReversals: {
        const auto store1 = gate("gate1", "一号门");
        QSqlQuery squat(store1->database());
        QCOMPARE(
            outcome(squat,
                paymentInsert
                    + QStringLiteral(
                        "SELECT '一号门', 1000 + n, '2026-12-09T10:00:00', '2026-12-09', "
                        "'林场甲', 1, -100, '', '', '二号门', n FROM generate_series(1, 200) n")),
            QStringLiteral("23503"));
        // 二号门's own payment and its reversal are stored as the clerk made them.
        const auto gate2 = gate("gate2", "二号门");
        PaymentBuilder payment;
        payment.from(QStringLiteral("二号门"), 1)
            .at(QDateTime(QDate(2026, 12, 9), QTime(11, 0)))
            .fen(500);
        QVERIFY(gate2->receivePayment(payment));
        QVERIFY(gate2->receivePayment(payment.from(QStringLiteral("二号门"), 2)
                                          .fen(-500)
                                          .reversing(QStringLiteral("二号门"), 1)));
        QCOMPARE(admin(QStringLiteral("SELECT COUNT(*) FROM payments WHERE reverses_number <> 0"),
                     database),
            u'1');
        break;
    }
    case Attack::ReversalRules: {
        const auto store2 = gate("gate1", "一号门");
        QSqlQuery attack(store2->database());
        const QString reversal = paymentInsert
            + QStringLiteral("VALUES ('一号门', %1, '2026-12-09T10:00:00', '2026-12-09', '林场甲', "
                             "1, -100, '', '', '%2', %3)");
        QCOMPARE(outcome(attack, reversal.arg(2000).arg(QStringLiteral("一号门")).arg(100)),
            QStringLiteral("ok"));
        QCOMPARE(outcome(attack, reversal.arg(2001).arg(QStringLiteral("一号门")).arg(100)),
            QStringLiteral("23505"));
        QCOMPARE(outcome(attack, reversal.arg(2002).arg(QStringLiteral("一号门")).arg(2000)),
            QStringLiteral("23503"));
        break;
    }
    case Attack::ChainOfJoins: {
        const auto store3 = gate("gate1", "一号门");
        QSqlQuery attack(store3->database());
        int stored = 0;
        for (int link = 1; link < 1000; ++link)
            stored += outcome(attack,
                          QStringLiteral(
                              "INSERT INTO partner_aliases (station, station_number, recorded_at, "
                              "alias, partner) VALUES ('一号门', %1, '2026-12-09T10:00:00', "
                              "'x%2', 'x%3')")
                              .arg(3000 + link)
                              .arg(link)
                              .arg(link + 1))
                == QLatin1String("ok");
        QCOMPARE(stored, 500);
        QCOMPARE(admin(QStringLiteral("SELECT COUNT(*) FROM partner_aliases a JOIN "
                                      "partner_aliases b ON a.partner = b.alias"),
                     database),
            u'0');
        break;
    }
    case Attack::JoinInAnOldSnapshot: {
        const auto store4 = gate("gate1", "一号门");
        QSqlQuery attack(store4->database());
        QCOMPARE(outcome(attack, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ")),
            QStringLiteral("ok"));
        QCOMPARE(outcome(attack,
                     QStringLiteral("INSERT INTO partner_aliases (station, station_number, "
                                    "recorded_at, alias, partner) VALUES ('一号门', 5000, "
                                    "'2026-12-09T10:00:00', 'y1', 'y2')")),
            QStringLiteral("23514"));
        QCOMPARE(outcome(attack, QStringLiteral("ROLLBACK")), QStringLiteral("ok"));
        break;
    }
    case Attack::LongSupplier: {
        Station station(m_dir.filePath(QStringLiteral("long-supplier")),
            settingsFor(QStringLiteral("gate1"), database));
        station.sender.start();
        LoadRecord longOne
            = sampleLoad(LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽L1"));
        longOne.tally.captions[Tally::Supplier].value = QString(976, QChar(0x6797));
        QCOMPARE(clerkText(station.recorder.record(longOne)), QString());
        QTRY_COMPARE_WITH_TIMEOUT(station.sender.refused().count, 1, 30000);
        QCOMPARE(station.sender.refused().notice(),
            QStringLiteral("服务器拒收了 1 条记录：有文字超过了服务器允许的长度"));
        QCOMPARE(clerkText(station.recorder.record(sampleLoad(
                     LoadKind::StockIn, QStringLiteral("杉木"), QStringLiteral("闽L2")))),
            QString());
        // The sender may not have seen the new load yet: wait for the server.
        QTRY_COMPARE_WITH_TIMEOUT(
            admin(QStringLiteral("SELECT string_agg(truck, ',') FROM loads WHERE truck "
                                 "LIKE '闽L%'"),
                database),
            QStringLiteral("闽L2"), 30000);
        QCOMPARE(station.sender.lastFailure(), QString());
        // A text as long as a field holds is stored.
        LoadRecord fieldLong = longOne;
        fieldLong.tally.captions[Tally::Supplier].value = QString(fieldTextLength, QChar(0x6797));
        fieldLong.tally.captions[Tally::Truck].value = QStringLiteral("闽L3");
        QCOMPARE(clerkText(station.recorder.record(fieldLong)), QString());
        QTRY_COMPARE_WITH_TIMEOUT(
            admin(QStringLiteral("SELECT COUNT(*) FROM loads WHERE truck = '闽L3'"), database),
            QStringLiteral("1"), 30000);
        QCOMPARE(station.sender.refused().count, 1);
        break;
    }
    case Attack::HugeDetail: {
        const auto store5 = gate("gate1", "一号门");
        QSqlQuery attack(store5->database());
        QCOMPARE(outcome(attack,
                     QStringLiteral(
                         "INSERT INTO loads (recorded_at, day, kind, bill_number, species, buyer, "
                         "truck, supplier, contact, scaler, pieces_e4, volume_e4, amount_fen, "
                         "detail, station, station_number) VALUES ('2026-12-09T10:00:00', "
                         "'2026-12-09', 1, '', '杉木', '', '', '', '', '', 0, 0, 100, "
                         "repeat('x', 64 * 1024 * 1024), '一号门', 7000)")),
            QStringLiteral("23514"));
        break;
    }
    case Attack::HostList: {
        FakePostgresServer fake;
        QVERIFY(fake.listen());
        ServerSettings settings = settingsFor(QStringLiteral("fake"), QStringLiteral("yard"));
        settings.port = fake.port();
        settings.host = QStringLiteral("localhost,127.0.0.1");
        QVERIFY(settings.usesTls());
        QCOMPARE(whileServing([settings] { return clerkText(testServerConnection(settings)); }),
            failureText(FailureCause::NotEncrypted, settings));
        settings.host = m_server->folder() + QStringLiteral(",127.0.0.1");
        QCOMPARE(whileServing([settings] { return clerkText(testServerConnection(settings)); }),
            failureText(FailureCause::HostsMixed, settings));
        QVERIFY(fake.connections() >= 1);
        QVERIFY(!fake.received().contains("never-sent-pw"));
        QVERIFY(!fake.received().contains("fake"));
        break;
    }
    }
}
