// Partner accounts on the yard server: payments and joins of names of two
// stations, delivered by their senders, stored once each.

#include "history/postgres_history_store.h"
#include "test_shared_history.h"

#include <QSqlQuery>
#include <QtTest>

// Each gate records payments, reverses one and joins a name on its own
// file; the server keeps each once, however often it is sent, and one
// reversal of a payment that both gates reversed.
void TestSharedHistory::paymentsOfTwoStationsReachTheServerOnceEach()
{
    const QString database = QStringLiteral("yard_accounts");
    makeDatabase(database, QStringLiteral("postgres"));
    const QStringList logins { QStringLiteral("gate1"), QStringLiteral("gate2") };
    const QStringList names { QStringLiteral("一号门"), QStringLiteral("二号门") };
    std::vector<std::unique_ptr<Station>> gates;
    for (int i = 0; i < 2; ++i) {
        runSetupScript(database,
            { QStringLiteral("station_login=") + logins[i],
                QStringLiteral("station_name=") + names[i],
                QStringLiteral("password=%1-pw").arg(logins[i]) });
        const QString folder = m_dir.filePath(QStringLiteral("accounts/") + names[i]);
        QVERIFY(QDir().mkpath(folder));
        gates.push_back(
            std::make_unique<Station>(folder, settingsFor(logins[i], database, names[i])));
        SqliteHistoryStore local(gates[i]->path);
        Payment received = PaymentBuilder().fen(10000 * (i + 1));
        Payment paid = PaymentBuilder(PaymentDirection::Paid).fen(500);
        local.recordPayment(received);
        local.recordPayment(paid);
        local.reversePayment(received, QStringLiteral("记错了"));
        PartnerAlias join = JoinBuilder(QStringLiteral("林厂甲"), QStringLiteral("林场甲"));
        if (i == 0)
            local.recordAlias(join);
        gates[i]->sender.start();
    }
    const auto rows = [&](const char* table) {
        return admin(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)), database);
    };
    QTRY_COMPARE_WITH_TIMEOUT(rows("payments"), QStringLiteral("6"), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(rows("partner_aliases"), QStringLiteral("1"), 30000);
    // As if gate 1 had died before marking them sent: sent again, kept once.
    SqliteHistoryStore first(gates[0]->path);
    QSqlQuery again(first.database());
    QVERIFY(again.exec(QStringLiteral("INSERT INTO payment_outbox (payment_id) VALUES (3)")));
    QVERIFY(again.exec(QStringLiteral("INSERT INTO alias_outbox (alias_id) VALUES (1)")));
    gates[0]->sender.loadRecorded();
    QTRY_COMPARE_WITH_TIMEOUT(first.outboxCount(), 0, 30000);
    QCOMPARE(rows("payments"), QStringLiteral("6"));
    QCOMPARE(rows("partner_aliases"), QStringLiteral("1"));
    QCOMPARE(admin(QStringLiteral("SELECT station, station_number, amount_fen, reverses_station, "
                                  "reverses_number FROM payments ORDER BY station, station_number"),
                 database),
        QStringLiteral("一号门|1|10000||0\n一号门|2|500||0\n一号门|3|-10000|一号门|1\n"
                       "二号门|1|20000||0\n二号门|2|500||0\n二号门|3|-20000|二号门|1"));

    // Gate 2 reverses gate 1's payment as the server shows it, and gate 1
    // its own at the same time.
    PostgresHistoryStore server(settingsFor(QStringLiteral("gate2"), database, names[1]));
    const std::optional<Payment> gate1Paid = *server.paymentByOrigin(names[0], 2);
    QVERIFY(gate1Paid);
    SqliteHistoryStore(gates[1]->path).reversePayment(*gate1Paid, {});
    first.reversePayment(**first.paymentByOrigin({}, 2), {});
    gates[0]->sender.loadRecorded();
    gates[1]->sender.loadRecorded();
    QTRY_COMPARE_WITH_TIMEOUT(first.outboxCount(), 0, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(SqliteHistoryStore(gates[1]->path).outboxCount(), 0, 30000);
    QCOMPARE(rows("payments"), QStringLiteral("7"));
    for (const auto& gate : gates)
        QCOMPARE(gate->sender.lastFailure(), QString());

    // The server's account: both gates' payments, the old name folded in.
    const QVector<PartnerBalance> balances = *server.partnerBalances({});
    QCOMPARE(balances.size(), 1);
    QCOMPARE(balances[0].names, (QStringList { "林场甲", "林厂甲" }));
    QCOMPARE(balances[0].received.units(), 0);
    QCOMPARE(balances[0].paid.units(), 500);
    const PartnerStatement statement = *server.partnerStatement(QStringLiteral("林厂甲"), {});
    QCOMPARE(statement.entries.size(), 7);
    QCOMPARE(statement.closing.units(), 500);
}
