// Partner accounts on the SQLite store: balances and statements against
// loads and payments counted by hand, names joined through a chain, a
// reversed payment, the refusals, and a store of the schema before them.

#include "history/sqlite_history_store.h"
#include "history_builders.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>

namespace {

LoadRecord accountLoad(LoadKind kind, const char* day, const QString& amount, const QString& buyer,
    const QString& supplier)
{
    return LoadBuilder(kind)
        .on(QLatin1String(day))
        .buyer(buyer)
        .supplier(supplier)
        .contact({})
        .scaler({})
        .totals(QStringLiteral("5"), QStringLiteral("1.0000"), amount);
}

Payment payment(const char* day, const QString& partner, PaymentDirection direction, qint64 fen)
{
    return PaymentBuilder(direction)
        .at(QDateTime(QDate::fromString(QLatin1String(day), Qt::ISODate), QTime(10, 0)))
        .partner(partner)
        .fen(fen)
        .way(QStringLiteral("转账"));
}

const QString supplier = QStringLiteral("供方乙");
const QString supplierTypo = QStringLiteral("供方已");
const QString buyer = QStringLiteral("林场甲");
const QString buyerMiddle = QStringLiteral("林场甲公司");
const QString buyerOld = QStringLiteral("林厂甲");
const AccountPeriod december { QDate(2026, 12, 1), QDate(2026, 12, 31) };

struct Line {
    AccountEntryKind kind;
    qint64 effectFen;
    qint64 balanceFen;
};

} // namespace

Q_DECLARE_METATYPE(AccountPeriod)
Q_DECLARE_METATYPE(QVector<PartnerBalance>)
Q_DECLARE_METATYPE(QVector<Line>)

class TestPartnerAccounts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void balancesMatchHandCountedFigures_data();
    void balancesMatchHandCountedFigures();
    void statementRunsThroughLoadsAndPaymentsInDateOrder_data();
    void statementRunsThroughLoadsAndPaymentsInDateOrder();
    void partnersOfferedAreFoldedAndSorted();
    void refusedEntriesLeaveTheStoreAsItWas_data();
    void refusedEntriesLeaveTheStoreAsItWas();
    void joinsMadeAtOnceIntoACycleKeepTheEarlier();
    void sumsBeyondSixtyFourBitsAreOutOfRange();
    void storeOfTheEarlierSchemaKeepsItsLoadsAndTakesPayments();
    void everyAccountReadThatFailsGivesItsCause_data();
    void everyAccountReadThatFailsGivesItsCause();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<SqliteHistoryStore> m_store;
    Payment m_reversed;
    Payment m_reversal;
};

// Counted by hand below: a supplier with a misspelt name joined in, and a
// buyer whose old name is joined through a chain.
void TestPartnerAccounts::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_store = std::make_unique<SqliteHistoryStore>(m_dir.filePath(QStringLiteral("yard.sqlite")));
    SqliteHistoryStore& store = *m_store;
    const LoadRecord loads[] = {
        accountLoad(LoadKind::StockIn, "2026-11-20", "1000.00", QString(), supplier),
        accountLoad(LoadKind::StockOut, "2026-11-28", "300.00", buyerOld, QString()),
        accountLoad(LoadKind::StockIn, "2026-12-03", "500.00", QString(), supplierTypo),
        // One truck billed, stocked in and stocked out: in for the supplier,
        // out for the buyer, the bill for neither.
        accountLoad(LoadKind::Bill, "2026-12-05", "800.00", buyer, supplier),
        accountLoad(LoadKind::StockIn, "2026-12-05", "800.00", buyer, supplier),
        accountLoad(LoadKind::StockOut, "2026-12-05", "800.00", buyer, supplier),
        accountLoad(LoadKind::StockOut, "2026-12-10", "100.00", QString(), QString()),
        accountLoad(LoadKind::StockOut, "2027-01-02", "999.00", buyer, QString()),
        accountLoad(LoadKind::StockIn, "2027-01-05", "50.00", QString(), QStringLiteral("新供方")),
    };
    for (LoadRecord load : loads)
        store.record(load);
    PartnerAlias typo = JoinBuilder(supplierTypo, supplier);
    store.recordAlias(typo);
    // A chain is refused here now, but older files and other stations
    // still hold them.
    qint64 number = 0;
    for (const auto& [alias, partner] :
        { std::pair { buyerOld, buyerMiddle }, std::pair { buyerMiddle, buyer } }) {
        QVERIFY(store.receiveAlias(JoinBuilder(alias, partner)
                                       .from(QStringLiteral("二号门"), ++number,
                                           QDateTime(QDate(2026, 11, 1), QTime(8, 0)))));
    }
    Payment payments[] = {
        payment("2026-11-30", buyer, PaymentDirection::Received, 20000),
        payment("2026-12-06", buyer, PaymentDirection::Received, 50000),
        payment("2026-12-07", supplier, PaymentDirection::Paid, 120000),
        payment("2026-12-08", supplierTypo, PaymentDirection::Paid, 9999),
    };
    for (Payment& entered : payments)
        store.recordPayment(entered);
    m_reversed = payments[3];
    const qint64 reversal = store.reversePayment(m_reversed, QStringLiteral("记错了"));
    m_reversal = **store.paymentByOrigin({}, reversal);
}

void TestPartnerAccounts::balancesMatchHandCountedFigures_data()
{
    QTest::addColumn<AccountPeriod>("period");
    QTest::addColumn<QVector<PartnerBalance>>("balances");
    const QStringList supplierNames { supplier, supplierTypo };
    const QStringList buyerNames { buyer, buyerOld, buyerMiddle };
    QTest::newRow("December opens with November and leaves January out")
        << december
        << QVector<PartnerBalance> {
               partnerBalance(supplier, supplierNames, -100000, 0, 0, 130000, 120000),
               partnerBalance(buyer, buyerNames, 10000, 80000, 50000, 0, 0),
           };
    QTest::newRow("All time counts every load and payment once")
        << AccountPeriod {}
        << QVector<PartnerBalance> {
               partnerBalance(supplier, supplierNames, 0, 0, 0, 230000, 120000),
               partnerBalance(
                   QStringLiteral("新供方"), { QStringLiteral("新供方") }, 0, 0, 0, 5000, 0),
               partnerBalance(buyer, buyerNames, 0, 209900, 70000, 0, 0),
           };
    QTest::newRow("A period after everything holds only openings")
        << AccountPeriod { QDate(2027, 2, 1), {} }
        << QVector<PartnerBalance> {
               partnerBalance(supplier, supplierNames, -110000, 0, 0, 0, 0),
               partnerBalance(
                   QStringLiteral("新供方"), { QStringLiteral("新供方") }, -5000, 0, 0, 0, 0),
               partnerBalance(buyer, buyerNames, 139900, 0, 0, 0, 0),
           };
}

void TestPartnerAccounts::balancesMatchHandCountedFigures()
{
    QFETCH(AccountPeriod, period);
    QFETCH(QVector<PartnerBalance>, balances);
    const Result<QVector<PartnerBalance>> read = m_store->partnerBalances(period);
    QVERIFY(read);
    QCOMPARE(read->size(), balances.size());
    for (qsizetype i = 0; i < balances.size(); ++i) {
        const PartnerBalance& got = read->at(i);
        const PartnerBalance& want = balances[i];
        QCOMPARE(got.partner, want.partner);
        QCOMPARE(got.names, want.names);
        QCOMPARE((QVector<Fen> { got.opening, got.sold, got.received, got.supplied, got.paid }),
            (QVector<Fen> { want.opening, want.sold, want.received, want.supplied, want.paid }));
    }
}

void TestPartnerAccounts::statementRunsThroughLoadsAndPaymentsInDateOrder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("opening");
    QTest::addColumn<QVector<Line>>("lines");
    using K = AccountEntryKind;
    QTest::newRow("A misspelt supplier's statement is its partner's, reversal and all")
        << supplierTypo << qint64(-100000)
        << QVector<Line> { { K::StockIn, -50000, -150000 }, { K::StockIn, -80000, -230000 },
               { K::Payment, 120000, -110000 }, { K::Payment, 9999, -100001 },
               { K::Payment, -9999, -110000 } };
    QTest::newRow("A buyer's old name joined through a chain gives the buyer's statement")
        << buyerOld << qint64(10000)
        << QVector<Line> { { K::StockOut, 80000, 90000 }, { K::Payment, -50000, 40000 } };
}

void TestPartnerAccounts::statementRunsThroughLoadsAndPaymentsInDateOrder()
{
    QFETCH(QString, name);
    QFETCH(qint64, opening);
    QFETCH(QVector<Line>, lines);
    const Result<PartnerStatement> statement = m_store->partnerStatement(name, december);
    QVERIFY(statement);
    QCOMPARE(statement->opening.units(), opening);
    QCOMPARE(statement->entries.size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const AccountEntry& entry = statement->entries[i];
        QCOMPARE(int(entry.kind), int(lines[i].kind));
        QCOMPARE(entry.effect.units(), lines[i].effectFen);
        QCOMPARE(entry.balance.units(), lines[i].balanceFen);
        QVERIFY(entry.day >= december.from && entry.day <= december.to);
        QVERIFY(i == 0 || statement->entries[i - 1].day <= entry.day);
    }
    QCOMPARE(statement->closing.units(), lines.last().balanceFen);
    // The statement closes where the partner's balance does.
    const QVector<PartnerBalance> balances = *m_store->partnerBalances(december);
    for (const PartnerBalance& balance : balances)
        if (balance.partner == statement->partner)
            QCOMPARE(balance.closing(), std::optional<Fen>(statement->closing));
    if (name == supplierTypo) {
        QCOMPARE(statement->entries[0].number, QStringLiteral("3"));
        QCOMPARE(statement->entries[3].payment, m_reversed);
        QCOMPARE(statement->entries[4].payment, m_reversal);
        QCOMPARE(m_reversal.reversesNumber, m_reversed.stationNumber);
        QCOMPARE(m_reversal.day, m_reversed.day);
    }
}

void TestPartnerAccounts::partnersOfferedAreFoldedAndSorted()
{
    QCOMPARE(*m_store->partnerNames(), (QStringList { supplier, QStringLiteral("新供方"), buyer }));
}

void TestPartnerAccounts::refusedEntriesLeaveTheStoreAsItWas_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<FailureCause>("cause");
    QTest::newRow("A payment reversed once is not reversed again")
        << "second reversal" << FailureCause::AlreadyReversed;
    QTest::newRow("A reversal is not reversed")
        << "reversal" << FailureCause::ReversalNotReversible;
    QTest::newRow("A name is not joined into itself") << "self" << FailureCause::JoinRefused;
    QTest::newRow("A join closing a cycle through the chain is refused")
        << "cycle" << FailureCause::JoinIntoJoined;
    QTest::newRow("A name joined already is not joined elsewhere")
        << "twice" << FailureCause::JoinRefused;
    QTest::newRow("A name is not joined into one joined into another")
        << "into joined" << FailureCause::JoinIntoJoined;
    QTest::newRow("A name others are joined into is not joined elsewhere")
        << "of partner" << FailureCause::JoinOfPartner;
    QTest::newRow("A payment of no amount is refused") << "zero" << FailureCause::PaymentIncomplete;
    QTest::newRow("A payment to nobody is refused") << "nobody" << FailureCause::PaymentIncomplete;
}

void TestPartnerAccounts::refusedEntriesLeaveTheStoreAsItWas()
{
    QFETCH(QString, entry);
    QFETCH(FailureCause, cause);
    const int waiting = m_store->outboxCount();
    const QVector<PartnerBalance> before = *m_store->partnerBalances({});
    const QHash<QString, std::pair<QString, QString>> joins {
        { QStringLiteral("self"), { buyer, buyer } },
        { QStringLiteral("cycle"), { buyer, buyerOld } },
        { QStringLiteral("twice"), { buyerOld, supplier } },
        { QStringLiteral("into joined"), { QStringLiteral("新供方"), supplierTypo } },
        { QStringLiteral("of partner"), { supplier, QStringLiteral("新供方") } },
    };
    PartnerAlias join = JoinBuilder(joins.value(entry).first, joins.value(entry).second);
    Payment entered
        = payment("2026-12-09", entry == QLatin1String("nobody") ? QStringLiteral("  ") : buyer,
            PaymentDirection::Received, entry == QLatin1String("zero") ? 0 : 100);
    try {
        if (entry == QLatin1String("second reversal"))
            m_store->reversePayment(m_reversed, {});
        else if (entry == QLatin1String("reversal"))
            m_store->reversePayment(m_reversal, {});
        else if (entry == QLatin1String("zero") || entry == QLatin1String("nobody"))
            m_store->recordPayment(entered);
        else
            m_store->recordAlias(join);
        QFAIL("the entry was recorded");
    } catch (const Failure& error) {
        QCOMPARE(error.cause(), cause);
        QVERIFY(!historyFailureMessage(error).contains(QStringLiteral("历史数据库")));
    }
    QCOMPARE(m_store->outboxCount(), waiting);
    const QVector<PartnerBalance> after = *m_store->partnerBalances({});
    QCOMPARE(after.size(), before.size());
    for (qsizetype i = 0; i < after.size(); ++i)
        QCOMPARE(after[i].closing(), before[i].closing());
}

// Two stations may join names at once, each allowed where it was made.
void TestPartnerAccounts::joinsMadeAtOnceIntoACycleKeepTheEarlier()
{
    const auto join = [](const char* alias, const char* partner) {
        return JoinBuilder(QString::fromUtf8(alias), QString::fromUtf8(partner)).build();
    };
    const PartnerNames names(
        { join("甲", "乙"), join("乙", "丙"), join("丙", "甲"), join("甲", "丁") });
    for (const char* name : { "甲", "乙", "丙" })
        QCOMPARE(names.partnerOf(QString::fromUtf8(name)), QStringLiteral("丙"));
    QCOMPARE(names.namesOf(QStringLiteral("丙")), (QStringList { "丙", "乙", "甲" }));
    QCOMPARE(names.partnerOf(QStringLiteral("丁")), QStringLiteral("丁"));
}

void TestPartnerAccounts::sumsBeyondSixtyFourBitsAreOutOfRange()
{
    SqliteHistoryStore store(m_dir.filePath(QStringLiteral("huge.sqlite")));
    for (int i = 0; i < 2; ++i) {
        Payment huge = payment(
            "2026-12-01", buyer, PaymentDirection::Paid, std::numeric_limits<qint64>::max() - 1);
        store.recordPayment(huge);
    }
    const Result<QVector<PartnerBalance>> balances = store.partnerBalances({});
    QVERIFY(!balances);
    QCOMPARE(balances.error().cause(), FailureCause::OutOfRange);
    const Result<PartnerStatement> statement = store.partnerStatement(buyer, {});
    QVERIFY(!statement);
    QCOMPARE(statement.error().cause(), FailureCause::OutOfRange);
}

void TestPartnerAccounts::storeOfTheEarlierSchemaKeepsItsLoadsAndTakesPayments()
{
    const QString path = m_dir.filePath(QStringLiteral("earlier.sqlite"));
    {
        SqliteHistoryStore earlier(path, 4);
        QCOMPARE(earlier.schemaVersion(), 4);
        LoadRecord load = accountLoad(LoadKind::StockOut, "2026-12-02", "300.00", buyer, QString());
        earlier.record(load);
    }
    SqliteHistoryStore store(path);
    QCOMPARE(store.schemaVersion(), HistoryStore::currentSchemaVersion());
    QCOMPARE(store.totals({})->of(LoadKind::StockOut), loadTotals(1, 50000, 10000, 30000));
    Payment received = payment("2026-12-03", buyer, PaymentDirection::Received, 10000);
    store.recordPayment(received);
    PartnerAlias join = JoinBuilder(buyerOld, buyer);
    store.recordAlias(join);
    QCOMPARE(store.outboxCount(), 3);
    QCOMPARE(store.outboxIds(10, HistoryStore::Outbox::Payments), QVector<qint64> { received.id });
    QCOMPARE(store.outboxIds(10, HistoryStore::Outbox::Aliases), QVector<qint64> { join.id });
    QCOMPARE(store.partnerBalances({})->first().closing()->units(), 20000);
}

void TestPartnerAccounts::everyAccountReadThatFailsGivesItsCause_data()
{
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("table");
    for (const char* table : { "loads", "payments", "partner_aliases" }) {
        for (const char* read : { "balances", "statement", "names" })
            QTest::addRow("The %s fail with their cause when %s cannot be read", read, table)
                << read << table;
    }
}

void TestPartnerAccounts::everyAccountReadThatFailsGivesItsCause()
{
    QFETCH(QString, read);
    QFETCH(QString, table);
    const QString path = m_dir.filePath(QStringLiteral("gone-%1-%2.sqlite").arg(read, table));
    SqliteHistoryStore store(path);
    Payment received = payment("2026-12-03", buyer, PaymentDirection::Received, 10000);
    store.recordPayment(received);
    QSqlQuery rename(store.database());
    QVERIFY(rename.exec(QStringLiteral("ALTER TABLE %1 RENAME TO away").arg(table)));
    std::optional<Failure> failure;
    auto take = [&failure](const auto& result) {
        if (!result)
            failure = result.error();
    };
    if (read == QLatin1String("balances"))
        take(store.partnerBalances(december));
    else if (read == QLatin1String("statement"))
        take(store.partnerStatement(buyer, december));
    else
        take(store.partnerNames());
    QVERIFY(failure);
    QCOMPARE(failure->cause(), FailureCause::Other);
    QCOMPARE(failure->path(), path);
    QVERIFY2(failure->detail().contains(table), qPrintable(failure->detail()));
}

QTEST_GUILESS_MAIN(TestPartnerAccounts)
#include "test_partner_accounts.moc"
