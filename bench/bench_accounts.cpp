// Partner accounts on a year of a busy yard: 200 000 loads and 20 000
// payments among 300 suppliers and 200 buyers, a few of them joined under a
// second spelling. The balances of every partner for the year and one
// partner's statement for the year, on the clerk's SQLite file (once more
// with another station's chain of 1 000 joins) and, when
// the PostgreSQL server programs are there, on a server of its own. The
// yard's budgets: 300 ms and 200 ms.
//
//   bench_accounts [--json PATH] [--no-server]

#include "bench_table.h"
#include "history/postgres_history_store.h"
#include "history/sqlite_history_store.h"
#include "history_builders.h"
#include "postgres_test_server.h"

#include "accounts_window/accounts.h"
#include "accounts_window/partner_account.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <functional>

namespace {

constexpr int loadCount = 200000;
constexpr int paymentCount = 20000;
constexpr int suppliers = 300;
constexpr int buyers = 200;
constexpr int joinedNames = 6;
const QDate yearStart(2026, 1, 1);
const AccountPeriod year { yearStart, QDate(2026, 12, 31) };

QString supplierName(int n)
{
    return QStringLiteral("林场%1").arg(n);
}

QString buyerName(int n)
{
    return QStringLiteral("木材公司%1").arg(n);
}

// One row of each table, in the order of its columns below.
QVector<QVariantList> makeLoads()
{
    QRandomGenerator random(20261209);
    const QString detail = QStringLiteral("{\"grid\":\"%1\"}").arg(QString(1200, u'0'));
    QVector<QVariantList> rows;
    rows.reserve(loadCount);
    for (int i = 0; i < loadCount; ++i) {
        const QDateTime when = QDateTime(yearStart, QTime(7, 0)).addSecs(qint64(i) * 157);
        const int draw = random.bounded(20);
        const int kind = draw < 9 ? 1 : draw < 18 ? 2 : 3;
        // Now and then a joined name's other spelling.
        const int supplier = random.bounded(suppliers), buyer = random.bounded(buyers);
        const bool misspelt = supplier < joinedNames && random.bounded(10) == 0;
        rows << QVariantList { when.toString(Qt::ISODate), when.date().toString(Qt::ISODate), kind,
            QStringLiteral(""), QStringLiteral("落叶松"), buyerName(buyer),
            QStringLiteral("黑A%1").arg(10000 + random.bounded(90000)),
            misspelt ? supplierName(supplier) + QStringLiteral("号") : supplierName(supplier),
            QStringLiteral("张三"), QStringLiteral("李四"), qint64(random.bounded(20, 200)) * 10000,
            qint64(random.bounded(5000, 300000)), qint64(random.bounded(400000, 24000000)), detail,
            i + 1 };
    }
    return rows;
}

QVector<QVariantList> makePayments()
{
    QRandomGenerator random(20261210);
    QVector<QVariantList> rows;
    for (int i = 0; i < paymentCount; ++i) {
        const QDateTime when = QDateTime(yearStart, QTime(8, 0)).addSecs(qint64(i) * 1570);
        const bool paid = random.bounded(2) == 0;
        rows << QVariantList { QStringLiteral(""), i + 1, when.toString(Qt::ISODate),
            when.date().toString(Qt::ISODate),
            paid ? supplierName(random.bounded(suppliers)) : buyerName(random.bounded(buyers)),
            paid ? 1 : 2, qint64(random.bounded(100000, 50000000)), QStringLiteral("转账"),
            QStringLiteral(""), QStringLiteral(""), 0 };
    }
    return rows;
}

const char loadColumns[] = "recorded_at, day, kind, bill_number, species, buyer, truck, supplier, "
                           "contact, scaler, pieces_e4, volume_e4, amount_fen, detail, "
                           "station_number";
const char paymentColumns[] = "station, station_number, recorded_at, day, partner, direction, "
                              "amount_fen, way, note, reverses_station, reverses_number";

bool insertRows(
    QSqlDatabase db, const char* table, const char* columns, const QVector<QVariantList>& rows)
{
    db.transaction();
    QSqlQuery insert(db);
    const QStringList places(rows.first().size(), QStringLiteral("?"));
    insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(QLatin1String(table), QLatin1String(columns), places.join(u',')));
    for (const QVariantList& row : rows) {
        for (int v = 0; v < row.size(); ++v)
            insert.bindValue(v, row[v]);
        if (!insert.exec()) {
            qWarning("bench fill: %s", qPrintable(insert.lastError().text()));
            db.rollback();
            return false;
        }
    }
    return db.commit();
}

void joinNames(HistoryStore& store)
{
    for (int n = 0; n < joinedNames; ++n) {
        PartnerAlias join = JoinBuilder(supplierName(n) + QStringLiteral("号"), supplierName(n));
        store.recordAlias(join);
    }
}

// Another station's chain of joins, 链1 → 链2 → … → 链1000 → 林场1: every
// name in it counts as 林场1. The names were once built in quadratic time.
constexpr int chainLength = 1000;

// Whether every join of the chain holds.
bool chainJoins(HistoryStore& store)
{
    for (int n = 1; n <= chainLength; ++n) {
        store.receiveAlias(
            JoinBuilder(QStringLiteral("链%1").arg(n),
                n == chainLength ? supplierName(1) : QStringLiteral("链%1").arg(n + 1))
                .from(QStringLiteral("二号门"), n, QDateTime(yearStart, QTime(6, 0))));
    }
    const Result<QVector<PartnerBalance>> balances = store.partnerBalances(year);
    if (!balances)
        return false;
    for (const PartnerBalance& balance : *balances)
        if (balance.partner == supplierName(1))
            return balance.names.size() > chainLength;
    return false;
}

// The first run, and the median of the next five.
void measure(
    BenchTable& table, const QString& name, const QString& note, const std::function<bool()>& read)
{
    std::vector<double> runs;
    for (int i = 0; i < 6; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!read()) {
            table.add(name + QStringLiteral(" (failed)"), 0, QStringLiteral("ms"), note);
            return;
        }
        runs.push_back(clock.nsecsElapsed() / 1e6);
    }
    table.add(name + QStringLiteral(", first"), runs.front(), QStringLiteral("ms"), note);
    runs.erase(runs.begin());
    table.add(name + QStringLiteral(", median"), percentile(runs, 0.5), QStringLiteral("ms"), note);
}

void measureStore(BenchTable& table, HistoryStore& store, const QString& where)
{
    measure(table, where + QStringLiteral(" balances, year"),
        QStringLiteral("budget 300 ms; %1 partners").arg(suppliers + buyers), [&] {
            const Result<QVector<PartnerBalance>> balances = store.partnerBalances(year);
            return balances && balances->size() == suppliers + buyers;
        });
    measure(table, where + QStringLiteral(" statement, year"),
        QStringLiteral("budget 200 ms; a joined supplier"), [&] {
            const Result<PartnerStatement> statement
                = store.partnerStatement(supplierName(0), year);
            return statement && statement->entries.size() > 100;
        });
    measure(
        table, where + QStringLiteral(" partner names"), QStringLiteral("the payment dialog"), [&] {
            const Result<QStringList> names = store.partnerNames();
            return names && names->size() == suppliers + buyers;
        });
}

// What the clerk waits for: the window 往来账 shown with every balance,
// and one partner's account with its entries.
void measureWindows(BenchTable& table, HistoryStore& store)
{
    AccountsContext context;
    context.reader = &store;
    context.recorder = &store;
    context.today = [] { return year.to; };
    measure(table, QStringLiteral("往来账 shown, year"),
        QStringLiteral("budget 300 ms; %1 partners").arg(suppliers + buyers), [&] {
            Accounts window(context);
            window.show();
            QApplication::processEvents();
            return true;
        });
    measure(table, QStringLiteral("partner's account shown, year"),
        QStringLiteral("budget 200 ms; a joined supplier"), [&] {
            PartnerAccount account(context, supplierName(0), year);
            account.show();
            QApplication::processEvents();
            return account.statement().has_value();
        });
}

void benchSqlite(
    BenchTable& table, const QVector<QVariantList>& loads, const QVector<QVariantList>& payments)
{
    QTemporaryDir folder;
    SqliteHistoryStore store(folder.filePath(QStringLiteral("quorvane.sqlite")));
    if (!insertRows(store.database(), "loads", loadColumns, loads)
        || !insertRows(store.database(), "payments", paymentColumns, payments))
        return;
    joinNames(store);
    QSqlQuery(store.database()).exec(QStringLiteral("ANALYZE"));
    measureStore(table, store, QStringLiteral("SQLite"));
    measureWindows(table, store);
    if (!chainJoins(store)) {
        table.add(QStringLiteral("a chain of 1 000 joins (not recorded)"), 0, QStringLiteral("ms"),
            QString());
        return;
    }
    AccountsContext context;
    context.reader = &store;
    context.today = [] { return year.to; };
    measure(table, QStringLiteral("往来账 shown, year, a chain of 1 000 joins"),
        QStringLiteral("budget 300 ms; %1 partners").arg(suppliers + buyers), [&] {
            Accounts window(context);
            window.show();
            QApplication::processEvents();
            return true;
        });
}

// Rows as PostgreSQL's COPY reads them (no tab, newline or backslash in them).
bool writeCopyFile(const QString& path, const QVector<QVariantList>& rows)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QVariantList& row : rows) {
        QStringList fields;
        for (const QVariant& value : row)
            fields << value.toString();
        file.write((fields.join(u'\t') + u'\n').toUtf8());
    }
    file.setPermissions(file.permissions() | QFileDevice::ReadOther);
    return true;
}

void benchPostgres(
    BenchTable& table, const QVector<QVariantList>& loads, const QVector<QVariantList>& payments)
{
    if (!PostgresTestServer::binariesPresent())
        return;
    QTemporaryDir dir;
    PostgresTestServer server;
    QString error;
    if (!server.create(&error)
        || server.admin(QStringLiteral("CREATE ROLE yard LOGIN PASSWORD 'yard-pw'")).isNull()
        || server.admin(QStringLiteral("CREATE DATABASE yard OWNER yard")).isNull()
        || !usePasswordFile(dir.filePath(QStringLiteral("pgpass")), "*:*:*:yard:yard-pw\n")) {
        qWarning("no server: %s", qPrintable(error));
        return;
    }
    ServerSettings settings;
    settings.host = server.host();
    settings.port = server.port();
    settings.database = QStringLiteral("yard");
    settings.user = QStringLiteral("yard");
    settings.certificate = server.certificateAuthority();
    PostgresHistoryStore store(settings);
    const QString loadFile = server.folder() + QStringLiteral("/loads.tsv");
    const QString paymentFile = server.folder() + QStringLiteral("/payments.tsv");
    if (!writeCopyFile(loadFile, loads) || !writeCopyFile(paymentFile, payments)
        || server
               .admin(QStringLiteral("COPY loads (%1) FROM '%2'")
                          .arg(QLatin1String(loadColumns), loadFile),
                   QStringLiteral("yard"), &error)
               .isNull()
        || server
               .admin(QStringLiteral("COPY payments (%1) FROM '%2'")
                          .arg(QLatin1String(paymentColumns), paymentFile),
                   QStringLiteral("yard"), &error)
               .isNull()
        || server.admin(QStringLiteral("VACUUM ANALYZE"), QStringLiteral("yard"), &error)
               .isNull()) {
        qWarning("no rows on the server: %s", qPrintable(error));
        return;
    }
    joinNames(store);
    measureStore(table, store, QStringLiteral("PostgreSQL over TLS"));
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    BenchTable table;
    const QVector<QVariantList> loads = makeLoads();
    const QVector<QVariantList> payments = makePayments();
    benchSqlite(table, loads, payments);
    if (!arguments.contains(QStringLiteral("--no-server")))
        benchPostgres(table, loads, payments);
    const int json = int(arguments.indexOf(QStringLiteral("--json")));
    if (json > 0 && !table.writeJson(arguments.value(json + 1)))
        return 1;
    return 0;
}
