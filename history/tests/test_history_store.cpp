// The SQLite history store: loads written and read back whole, the schema
// brought up from older files, filters, totals and the report against
// hand-counted loads, and the failures a clerk's machine can give it.

#include "history/history_recorder.h"
#include "history/load_query.h"
#include "history/local_socket.h"
#include "history/postgres_history_store.h"
#include "history/server_settings.h"
#include "history/sqlite_history_store.h"
#include "history_builders.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <cstring>
#include <limits>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

LoadRecord sampleLoad(LoadKind kind, const QString& day, const QString& species,
    const QString& volume, const QString& amount, const QString& buyer = QStringLiteral("林场甲"))
{
    return LoadBuilder(kind)
        .on(day)
        .species(species)
        .buyer(buyer)
        .length(QStringLiteral("6"))
        .firstRow(QStringLiteral("20"), QStringLiteral("5"), QStringLiteral("1.3200"))
        .totals(QStringLiteral("5"), volume, amount)
        .prices(QStringLiteral("800"), QStringLiteral("900"), QStringLiteral("1000"));
}

// A waiting file as the program wrote it before the tally became a value of
// its own: one bill of the extended layout.
const char earlierWaitingFile[]
    = R"json([{"billNumber":"2026-12-01-002","captionValues":["林场\"甲\"","闽A12345","供方乙","张三"],"detail":"{\"blockPieces\":[\"\",\"\",\"\",\"\",\"5\",\"\",\"\",\"\"],\"blockVolumes\":[\"\",\"\",\"\",\"\",\"\",\"1.3200\",\"\",\"\"],\"captions\":[\"购货单位\",\"车号\",\"供货单位\",\"联系人\"],\"extendedLayout\":true,\"grid\":[[\"20\",\"5\",\"1.3200\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],[\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"0.1\"]],\"groupAmounts\":[\"1056.00\",\"\",\"\",\"1056.00\"],\"groupPieces\":[\"5\",\"\",\"\",\"5\"],\"groupVolumes\":[\"1.3200\",\"\",\"\",\"1.3200\"],\"lengths\":[\"6\",\"\",\"2.6\",\"\"],\"unitPrices\":[\"800\",\"900\",\"1000\"]}","kind":3,"recordedAt":"2026-12-01T09:30:00","scaler":"李四","species":"杉木","station":"一号门","stationNumber":"12"}])json";

LoadRecord earlierWaitingLoad()
{
    LoadRecord load = sampleLoad(
        LoadKind::Bill, "2026-12-01", "杉木", "1.3200", "1056.00", QStringLiteral("林场\"甲\""));
    load.billNumber = QStringLiteral("2026-12-01-002");
    load.station = QStringLiteral("一号门");
    load.stationNumber = 12;
    load.tally.extendedLayout = true;
    load.tally.lengths = { QStringLiteral("6"), QString(), QStringLiteral("2.6"), QString() };
    load.tally.grid[0][1] = QStringLiteral("5");
    load.tally.grid[13][11] = QStringLiteral("0.1");
    load.tally.blockPieces[4] = QStringLiteral("5");
    load.tally.blockVolumes[5] = QStringLiteral("1.3200");
    return load;
}

// How many loads, of every kind.
qint64 loadsOf(const KindTotals& totals)
{
    qint64 loads = 0;
    for (const LoadTotals& kind : totals.kinds)
        loads += kind.loads;
    return loads;
}

} // namespace

class TestHistoryStore : public QObject {
    Q_OBJECT

private slots:
    void fixedPointIsExact_data();
    void fixedPointIsExact();
    void amountsPrintRightAcrossTheRange_data();
    void amountsPrintRightAcrossTheRange();
    void handEditedStoreIsReadBounded();
    void textsAreRecordedAsLongAsAFieldHolds();
    void namesOfferedAreCounted();
    void loadIsReadBackWhole();
    void filtersAndTotalsMatchHandCountedLoads();
    void reportSumsStockInAndOutPerSpeciesDayAndMonth();
    void olderSchemaIsBroughtUpToDate();
    void waitingLoadsAreStoredInOrderAcrossStarts();
    void waitingLoadsThatCannotBeKeptAreSaidSo();
    void aWaitingFileThatCannotBeRemovedIsSaidSo();
    void aLocalSocketOthersCouldMakeIsRefused_data();
    void aLocalSocketOthersCouldMakeIsRefused();
    void anEarlierWaitingFileIsStoredAndWrittenAlike();
    void aWaitingFileThatCannotBeReadIsMovedAside_data();
    void aWaitingFileThatCannotBeReadIsMovedAside();
    void settingsThatAreNotAFileAreNeitherReadNorWritten();
    void recordedLoadsWaitInTheOutboxOldestFirst();
    void twoProgramsOpeningANewFileAtOnceBothSucceed();
    void everyReadThatFailsGivesItsCause_data();
    void everyReadThatFailsGivesItsCause();

private:
    QTemporaryDir m_dir;
};

void TestHistoryStore::fixedPointIsExact_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<qint64>("value");
    QTest::newRow("volume") << "2.2590" << 4 << qint64(22590);
    QTest::newRow("rounded half up") << "0.00005" << 4 << qint64(1);
    QTest::newRow("negative") << "-1.5" << 2 << qint64(-150);
    QTest::newRow("no fraction") << "1200" << 2 << qint64(120000);
    QTest::newRow("exponent") << "1.2E+07" << 2 << qint64(1200000000);
    QTest::newRow("overflow mark") << "溢出" << 4 << qint64(0);
    QTest::newRow("empty") << "" << 4 << qint64(0);
    QTest::newRow("point only") << "." << 4 << qint64(0);
}

void TestHistoryStore::fixedPointIsExact()
{
    QFETCH(QString, text);
    QFETCH(int, decimals);
    QFETCH(qint64, value);
    // A figure that is no number counts as 0, as the history sums it.
    const auto figure = [&](const QString& shown) {
        return decimals == 2
            ? Fen::parseFigure(shown).value_or(Fen()).units()
            : TenThousandths::parseFigure(shown).value_or(TenThousandths()).units();
    };
    const auto printed = [&](qint64 units) {
        return decimals == 2 ? Fen::fromUnits(units).text()
                             : TenThousandths::fromUnits(units).text();
    };
    QCOMPARE(figure(text), value);
    if (value > 0 && !text.contains(u'E') && text != QStringLiteral("0.00005"))
        QCOMPARE(figure(printed(value)), value);
}

void TestHistoryStore::amountsPrintRightAcrossTheRange_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("text");
    const qint64 lowest = std::numeric_limits<qint64>::min();
    const qint64 highest = std::numeric_limits<qint64>::max();
    QTest::newRow("The most negative amount prints with one minus and its last fen")
        << lowest << "fen"
        << "-92233720368547758.08";
    QTest::newRow("One fen above it") << lowest + 1 << "fen"
                                      << "-92233720368547758.07";
    QTest::newRow("The most negative volume") << lowest << "m³"
                                              << "-922337203685477.5808";
    QTest::newRow("The most negative pieces") << lowest << "pieces"
                                              << "-922337203685477.5808";
    QTest::newRow("The largest amount") << highest << "fen"
                                        << "92233720368547758.07";
    QTest::newRow("One fen below zero") << qint64(-1) << "fen"
                                        << "-0.01";
    QTest::newRow("Zero") << qint64(0) << "fen"
                          << "0.00";
    QTest::newRow("Whole pieces below zero") << qint64(-30000) << "pieces"
                                             << "-3";
}

void TestHistoryStore::amountsPrintRightAcrossTheRange()
{
    QFETCH(qint64, value);
    QFETCH(QString, form);
    QFETCH(QString, text);
    if (form == QLatin1String("pieces"))
        QCOMPARE(TenThousandths::fromUnits(value).shortText(), text);
    else if (form == QLatin1String("fen"))
        QCOMPARE(Fen::fromUnits(value).text(), text);
    else
        QCOMPARE(TenThousandths::fromUnits(value).text(), text);
}

// What a database edited by hand may hold: texts of 10 MB and sums beyond
// 64 bits. Every read stays bounded and says what it cannot add.
void TestHistoryStore::handEditedStoreIsReadBounded()
{
    SqliteHistoryStore store(m_dir.filePath(QStringLiteral("bent.sqlite")));
    QVector<LoadRecord> loads { sampleLoad(
                                    LoadKind::StockIn, "2026-12-01", "杉木", "1.0000", "800.00"),
        sampleLoad(
            LoadKind::StockOut, "2026-12-02", "松木", "2.0000", "900.00", QStringLiteral("林场乙")),
        sampleLoad(LoadKind::StockIn, "2026-12-03", "杉木", "3.0000", "700.00") };
    for (LoadRecord& load : loads)
        store.record(load);
    const QString huge = QStringLiteral("木材公司").repeated(900000);
    QSqlQuery edit(store.database());
    QVERIFY(edit.prepare(
        QStringLiteral("UPDATE loads SET buyer = ?, species = ?, station = ? WHERE id = ?")));
    for (const QVariant& value :
        { QVariant(huge), QVariant(huge), QVariant(huge), QVariant(loads[2].id) })
        edit.addBindValue(value);
    QVERIFY(edit.exec());

    QCOMPARE(*store.recentValues(LoadColumn::Buyer), (QStringList { "林场乙", "林场甲" }));
    QCOMPARE(*store.recordedSpecies(), (QStringList { "杉木", "松木" }));
    QCOMPARE(*store.recordedStations(), QStringList {});
    for (LoadColumn sortBy : { LoadColumn::Buyer, LoadColumn::Species, LoadColumn::Station }) {
        auto cursor = std::move(store.listLoads(LoadFilter {}, sortBy, Qt::AscendingOrder)).value();
        const QVector<ListedLoad> listed = *cursor->next(10);
        QCOMPARE(listed.size(), 3);
        const auto bent = std::find_if(
            listed.begin(), listed.end(), [&](const ListedLoad& l) { return l.id == loads[2].id; });
        for (LoadColumn column : { LoadColumn::Buyer, LoadColumn::Species, LoadColumn::Station })
            QCOMPARE(bent->value(column).toString(), huge.left(storedTextLength));
    }
    const LoadRecord bent = **store.loadById(loads[2].id);
    QCOMPARE(bent.tally.captions[Tally::Buyer].value, huge.left(storedTextLength));
    QCOMPARE(bent.tally.species, huge.left(storedTextLength));
    const QVector<ReportRow> report = *store.stockReport(LoadFilter {}, ReportGrouping::BySpecies);
    QCOMPARE(report.size(), 3);
    QCOMPARE(report.first().key, huge.left(listedNameLength));

    QVERIFY(
        edit.exec(QStringLiteral("UPDATE loads SET amount_fen = 9223372036854775000 WHERE id <> %1")
                      .arg(loads[1].id)));
    const Result<KindTotals> totals = store.totals(LoadFilter {});
    QVERIFY(!totals);
    QCOMPARE(totals.error().cause(), FailureCause::OutOfRange);
    const Result<QVector<ReportRow>> overflowing
        = store.stockReport(LoadFilter {}, ReportGrouping::ByMonth);
    QVERIFY(!overflowing);
    QCOMPARE(historyFailureMessage(overflowing.error(), QStringLiteral("报表读不出来")),
        QStringLiteral("报表读不出来：合计超出范围。"));
    LoadFilter pine;
    pine.species = QStringLiteral("松木");
    QCOMPARE(store.totals(pine)->of(LoadKind::StockOut).amount.units(), 90000);
}

// No text is kept longer than a field holds; a detail longer than it is
// read reads as a damaged load.
void TestHistoryStore::textsAreRecordedAsLongAsAFieldHolds()
{
    SqliteHistoryStore store(m_dir.filePath(QStringLiteral("long.sqlite")));
    LoadRecord load = sampleLoad(LoadKind::Bill, "2026-12-09", "杉木", "1.0000", "800.00");
    const QString typed = QStringLiteral("长").repeated(40000);
    load.tally.captions[Tally::Truck].value = typed;
    load.tally.grid[3][4] = typed;
    store.record(load);
    const LoadRecord read = **store.loadById(load.id);
    QCOMPARE(read.tally.captions[Tally::Truck].value, typed.left(storedTextLength));
    QCOMPARE(read.tally.grid[3][4], typed.left(storedTextLength));

    QSqlQuery edit(store.database());
    QVERIFY(edit.prepare(QStringLiteral("UPDATE loads SET detail = ? WHERE id = ?")));
    edit.addBindValue(QString::fromUtf8(load.detailJson())
                          .replace(typed.left(storedTextLength), typed.repeated(110)));
    edit.addBindValue(load.id);
    QVERIFY(edit.exec());
    const Result<std::optional<LoadRecord>> damaged = store.loadById(load.id);
    QVERIFY(!damaged);
    QCOMPARE(damaged.error().cause(), FailureCause::DamagedLoad);
}

// Names offered and listed are as many as a box can take, newest first.
void TestHistoryStore::namesOfferedAreCounted()
{
    SqliteHistoryStore store(m_dir.filePath(QStringLiteral("names.sqlite")));
    LoadRecord load = sampleLoad(LoadKind::StockIn, "2026-12-09", "杉木", "1.0000", "800.00");
    store.record(load);
    QSqlQuery copies(store.database());
    QVERIFY(copies.exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
        "INSERT INTO loads (recorded_at, day, kind, bill_number, species, buyer, truck, supplier, "
        "contact, scaler, "
        "pieces_e4, volume_e4, amount_fen, detail, station, station_number) "
        "SELECT recorded_at, day, kind, bill_number, species || i, buyer || i, truck, supplier, "
        "contact, scaler, "
        "pieces_e4, volume_e4, amount_fen, detail, station, 1 + i FROM loads, n WHERE id = 1")));
    const QStringList buyers = *store.recentValues(LoadColumn::Buyer);
    QCOMPARE(buyers.size(), listedNames);
    QCOMPARE(buyers.first(), QStringLiteral("林场甲1500"));
    QCOMPARE(store.recordedSpecies()->size(), listedNames);
}

void TestHistoryStore::loadIsReadBackWhole()
{
    SqliteHistoryStore store(m_dir.filePath(QStringLiteral("whole.sqlite")));
    LoadRecord load = sampleLoad(LoadKind::Bill, QStringLiteral("2026-12-09"),
        QStringLiteral("杉木"), QStringLiteral("2.2590"), QStringLiteral("1807.20"));
    load.billNumber = QStringLiteral("2026-12-09-001");
    load.tally.extendedLayout = true;
    for (int row = 0; row < 14; ++row)
        for (int element = 0; element < 12; ++element)
            load.tally.grid[row][element] = QStringLiteral("%1'\"\\%2").arg(row).arg(element);
    const qint64 id = store.record(load);
    QVERIFY(id > 0);
    QCOMPARE(load.stationNumber, id);
    const std::optional<LoadRecord> read = *store.loadById(id);
    QVERIFY(read);
    QCOMPARE(*read, load);
}

void TestHistoryStore::filtersAndTotalsMatchHandCountedLoads()
{
    SqliteHistoryStore store(m_dir.filePath(QStringLiteral("filters.sqlite")));
    QVector<LoadRecord> loads {
        sampleLoad(LoadKind::StockIn, "2026-11-30", "杉木", "1.0000", "800.00"),
        sampleLoad(LoadKind::StockIn, "2026-12-01", "杉木", "2.2590", "1807.20"),
        sampleLoad(LoadKind::StockOut, "2026-12-05", "杉木", "0.5000", "400.00", "100%_木业"),
        sampleLoad(LoadKind::StockIn, "2026-12-31", "松木", "3.1234", "2498.72"),
        sampleLoad(LoadKind::Bill, "2026-12-31", "松木", "3.1234", "2498.72"),
        sampleLoad(LoadKind::StockIn, "2027-01-01", "松木", "9.0000", "1.00"),
    };
    for (LoadRecord& load : loads)
        store.record(load);
    const LoadFilter december = LoadFilter::thisMonth(QDate(2026, 12, 9));
    // Kind by kind: the bill of a load stocked in is no second load in.
    const KindTotals month = *store.totals(december);
    QCOMPARE(month.of(LoadKind::StockIn), loadTotals(2, 100000, 53824, 430592));
    QCOMPARE(month.of(LoadKind::StockOut), loadTotals(1, 50000, 5000, 40000));
    QCOMPARE(month.of(LoadKind::Bill), loadTotals(1, 50000, 31234, 249872));
    LoadFilter stockIn = december;
    stockIn.kind = int(LoadKind::StockIn);
    KindTotals onlyIn;
    onlyIn.of(LoadKind::StockIn) = month.of(LoadKind::StockIn);
    QCOMPARE(*store.totals(stockIn), onlyIn);
    LoadFilter pine = december;
    pine.species = QStringLiteral("松木");
    QCOMPARE(loadsOf(*store.totals(pine)), 2);
    // The text is found as typed: % and _ are no wildcards.
    LoadFilter text;
    text.text = QStringLiteral("%_木");
    QCOMPARE(store.totals(text)->of(LoadKind::StockOut).loads, 1);
    QCOMPARE(loadsOf(*store.totals(text)), 1);
    text.text = QStringLiteral("闽A");
    QCOMPARE(loadsOf(*store.totals(text)), 6);
    text.text = QStringLiteral("无此车");
    QCOMPARE(*store.totals(text), KindTotals {});
}

void TestHistoryStore::reportSumsStockInAndOutPerSpeciesDayAndMonth()
{
    SqliteHistoryStore store(m_dir.filePath(QStringLiteral("report.sqlite")));
    QVector<LoadRecord> loads {
        sampleLoad(LoadKind::StockIn, "2026-12-01", "杉木", "2.0000", "1600.00"),
        sampleLoad(LoadKind::StockIn, "2026-12-01", "杉木", "0.2590", "207.20"),
        sampleLoad(LoadKind::StockOut, "2026-12-02", "杉木", "0.5000", "450.00"),
        sampleLoad(LoadKind::Bill, "2026-12-02", "杉木", "7.0000", "1.00"),
        sampleLoad(LoadKind::StockOut, "2026-11-02", "松木", "1.0000", "900.00"),
    };
    for (LoadRecord& load : loads)
        store.record(load);
    LoadFilter period;
    const QVector<ReportRow> species = *store.stockReport(period, ReportGrouping::BySpecies);
    QCOMPARE(species.size(), 2);
    QCOMPARE(species[0].key, QStringLiteral("杉木"));
    QCOMPARE(species[0].piecesIn.units(), 100000);
    QCOMPARE(species[0].volumeIn.units(), 22590);
    QCOMPARE(species[0].volumeOut.units(), 5000);
    QCOMPARE(species[0].netVolume()->units(), 17590);
    QCOMPARE(species[0].amountIn.units(), 180720);
    QCOMPARE(species[1].netVolume()->units(), -10000);
    const QVector<ReportRow> days
        = *store.stockReport(LoadFilter::thisMonth(QDate(2026, 12, 1)), ReportGrouping::ByDay);
    QCOMPARE(days.size(), 2);
    QCOMPARE(days[1].key, QStringLiteral("2026-12-02"));
    QCOMPARE(days[1].volumeOut.units(), 5000);
    const QVector<ReportRow> months = *store.stockReport(period, ReportGrouping::ByMonth);
    QCOMPARE(months.size(), 2);
    QCOMPARE(months[0].key, QStringLiteral("2026-11"));
}

// A file of the first version, with a load in it, opens with the load kept
// and numbered as this machine's.
void TestHistoryStore::olderSchemaIsBroughtUpToDate()
{
    const QString path = m_dir.filePath(QStringLiteral("old.sqlite"));
    {
        SqliteHistoryStore old(path, 1);
        QCOMPARE(old.schemaVersion(), 1);
        QSqlQuery insert(old.database());
        QVERIFY(insert.exec(
            QStringLiteral("INSERT INTO loads (recorded_at, day, kind, bill_number, species, "
                           "buyer, truck, supplier, contact, "
                           "scaler, pieces_e4, volume_e4, amount_fen, detail) VALUES "
                           "('2026-01-02T08:00:00', '2026-01-02', 1, '', "
                           "'杉木', '甲', '乙', '丙', '丁', '戊', 50000, 22590, 180720, '{}')")));
    }
    SqliteHistoryStore store(path);
    QCOMPARE(store.schemaVersion(), HistoryStore::currentSchemaVersion());
    LoadFilter all;
    QCOMPARE(store.totals(all)->of(LoadKind::StockIn), loadTotals(1, 50000, 22590, 180720));
    QSqlQuery origin(store.database());
    QVERIFY(
        origin.exec(QStringLiteral("SELECT station, station_number FROM loads")) && origin.next());
    QCOMPARE(origin.value(0).toString(), QString());
    QCOMPARE(origin.value(1).toLongLong(), 1);
    // Recorded before there was a server, it waits to be sent all the same.
    QCOMPARE(store.outboxIds(10), QVector<qint64> { 1 });
}

void TestHistoryStore::recordedLoadsWaitInTheOutboxOldestFirst()
{
    SqliteHistoryStore store(m_dir.filePath(QStringLiteral("outbox.sqlite")));
    QVector<qint64> ids;
    for (int i = 0; i < 3; ++i) {
        LoadRecord load = sampleLoad(LoadKind::StockIn, "2026-12-09", "杉木", "1.0000", "800.00");
        ids << store.record(load);
    }
    LoadRecord received = sampleLoad(LoadKind::StockIn, "2026-12-09", "松木", "1.0000", "800.00");
    received.station = QStringLiteral("二号门");
    received.stationNumber = 7;
    QVERIFY(store.receive(received));
    QVERIFY(!store.receive(received));
    // Only this machine's loads wait; a received one came from elsewhere.
    QCOMPARE(store.outboxCount(), 3);
    QCOMPARE(store.outboxIds(2), ids.mid(0, 2));
    store.markSent(ids[0]);
    QCOMPARE(store.outboxIds(10), ids.mid(1));
    const std::optional<LoadRecord> byOrigin = *store.loadByOrigin(QStringLiteral("二号门"), 7);
    QVERIFY(byOrigin);
    QCOMPARE(byOrigin->tally.species, QStringLiteral("松木"));
}

void TestHistoryStore::twoProgramsOpeningANewFileAtOnceBothSucceed()
{
    const QString path = m_dir.filePath(QStringLiteral("race.sqlite"));
    std::atomic<int> failures { 0 };
    auto open = [&] {
        try {
            SqliteHistoryStore store(path);
        } catch (const Failure& error) {
            qWarning("%s", qPrintable(error.detail()));
            ++failures;
        }
    };
    QSqlDatabase::drivers(); // Qt's own registry, made before the race
    std::thread first(open), second(open);
    first.join();
    second.join();
    QCOMPARE(failures.load(), 0);
    SqliteHistoryStore store(path);
    QCOMPARE(store.schemaVersion(), HistoryStore::currentSchemaVersion());
}

// A store that cannot be opened keeps the loads in their file, and a later
// start stores them first, oldest first.
void TestHistoryStore::waitingLoadsAreStoredInOrderAcrossStarts()
{
    const QString path = m_dir.filePath(QStringLiteral("waiting.sqlite"));
    const QString waiting = m_dir.filePath(QStringLiteral("waiting.json"));
    bool available = false;
    auto opener = [&] {
        if (!available)
            throw Failure(FailureCause::Locked, path);
        return std::make_unique<SqliteHistoryStore>(path);
    };
    {
        HistoryRecorder recorder(opener, waiting);
        QVERIFY(clerkText(
            recorder.record(sampleLoad(LoadKind::StockIn, "2026-12-01", "杉木", "1.0000", "1.00")))
                    .contains(QStringLiteral("占用")));
        QVERIFY(!clerkText(
            recorder.record(sampleLoad(LoadKind::StockOut, "2026-12-02", "松木", "2.0000", "2.00")))
                     .isEmpty());
        QCOMPARE(recorder.waitingCount(), 2);
        QVERIFY(recorder.waitingKeptOnDisk());
    }
    available = true;
    HistoryRecorder recorder(opener, waiting);
    QCOMPARE(recorder.waitingCount(), 2);
    QCOMPARE(clerkText(recorder.storeWaiting()), QString());
    QCOMPARE(recorder.waitingCount(), 0);
    QVERIFY(!QFile::exists(waiting));
    QVERIFY(clerkText(
        recorder.record(sampleLoad(LoadKind::Bill, "2026-12-03", "柏木", "3.0000", "3.00")))
                .isEmpty());
    const QStringList species = *recorder.store()->recordedSpecies();
    QCOMPARE((*recorder.store()->loadById(1))->tally.species, QStringLiteral("杉木"));
    QCOMPARE((*recorder.store()->loadById(2))->tally.species, QStringLiteral("松木"));
    QCOMPARE((*recorder.store()->loadById(3))->tally.species, QStringLiteral("柏木"));
    QCOMPARE(species.size(), 3);
}

void TestHistoryStore::waitingLoadsThatCannotBeKeptAreSaidSo()
{
    HistoryRecorder recorder(
        []() -> std::unique_ptr<HistoryStore> { throw Failure(FailureCause::DiskFull, "/x"); },
        m_dir.filePath(QStringLiteral("no such folder/waiting.json")));
    QVERIFY(clerkText(
        recorder.record(sampleLoad(LoadKind::StockIn, "2026-12-01", "杉木", "1.0000", "1.00")))
                .contains(QStringLiteral("磁盘已满")));
    QVERIFY(!recorder.waitingKeptOnDisk());
    QCOMPARE(recorder.waitingCount(), 1);
}

// Stored loads whose file stays would be stored again at the next start:
// the clerk hears of it, and no load is lost.
void TestHistoryStore::aWaitingFileThatCannotBeRemovedIsSaidSo()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("quorvane.sqlite"));
    const QString waiting = folder.filePath(QStringLiteral("history-waiting.json"));
    bool available = false;
    auto opener = [&] {
        if (!available)
            throw Failure(FailureCause::Locked, path);
        return std::make_unique<SqliteHistoryStore>(path);
    };
    HistoryRecorder recorder(opener, waiting);
    QStringList logged;
    recorder.setLog([&logged](const QString& text) { logged << text; });
    QVERIFY(!clerkText(
        recorder.record(sampleLoad(LoadKind::StockIn, "2026-12-01", "杉木", "1.0000", "1.00")))
                 .isEmpty());
    QVERIFY(QFile::remove(waiting));
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("history-waiting.json")));
    available = true;

    const QString failure = clerkText(recorder.storeWaiting());
    QCOMPARE(failure,
        QStringLiteral("等待保存的历史记录文件“%1”无法更新")
            .arg(QDir::toNativeSeparators(waiting)));
    QVERIFY(!recorder.waitingKeptOnDisk());
    QVERIFY(QFileInfo(waiting).isDir());
    QVERIFY2(logged.last().contains(QStringLiteral("not removed")), qPrintable(logged.join('\n')));
    QCOMPARE(*recorder.store()->recordedSpecies(), QStringList { QStringLiteral("杉木") });
}

namespace {

// A socket at `path`, made by this process's user.
bool makeSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (fd < 0 || size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

} // namespace

// Without TLS the password goes to whatever listens at the socket: one a
// stranger could have put there is never connected to.
void TestHistoryStore::aLocalSocketOthersCouldMakeIsRefused_data()
{
    QTest::addColumn<QString>("host"); // in a private folder, "@" for none
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("socket"); // "", "ours", "nobody's"
    QTest::addColumn<bool>("nobodysFolder");
    QTest::addColumn<int>("outcome");
    const int safe = LocalSocketCheck::Safe;
    const int unsafe = LocalSocketCheck::Unsafe;
    const int missing = LocalSocketCheck::Missing;
    QTest::newRow("A folder of the user's own that others cannot write is trusted")
        << "sock" << 0700 << "" << false << safe;
    QTest::newRow("A folder anyone may write without the sticky bit is refused")
        << "sock" << 0777 << "ours" << false << unsafe;
    QTest::newRow("A socket of the user's own in a sticky folder anyone may write is trusted")
        << "sock" << 01777 << "ours" << false << safe;
    QTest::newRow("A sticky folder anyone may write without the socket is not reached")
        << "sock" << 01777 << "" << false << missing;
    QTest::newRow("A socket of another user's in a sticky folder anyone may write is refused")
        << "sock" << 01777 << "nobody's" << false << unsafe;
    QTest::newRow("A folder of another user's is refused")
        << "sock" << 0755 << "ours" << true << unsafe;
    QTest::newRow("A link at the folder's name is refused")
        << "link" << 0700 << "" << false << unsafe;
    QTest::newRow("The system's own socket folder is trusted")
        << "/run/postgresql" << 0700 << "" << false << safe;
    QTest::newRow("A folder that is not there is not reached")
        << "gone" << 0700 << "" << false << missing;
    QTest::newRow("An abstract socket anyone may bind is refused")
        << "@quorvane" << 0700 << "" << false << unsafe;
}

void TestHistoryStore::aLocalSocketOthersCouldMakeIsRefused()
{
    QFETCH(QString, host);
    QFETCH(int, mode);
    QFETCH(QString, socket);
    QFETCH(bool, nobodysFolder);
    QFETCH(int, outcome);
    if ((nobodysFolder || socket == QStringLiteral("nobody's")) && ::geteuid() != 0)
        QSKIP("only root can give a file to another user");
    if (host.startsWith(u'/') && !QFileInfo(host).isDir())
        QSKIP("the PostgreSQL server package is not installed");
    QTemporaryDir top;
    const QString folder = top.filePath(QStringLiteral("sock"));
    QVERIFY(QDir(top.path()).mkdir(QStringLiteral("sock")));
    const QByteArray name = QFile::encodeName(folder);
    QVERIFY(::chmod(name.constData(), mode_t(mode)) == 0);
    constexpr int port = 5439;
    const QString socketPath = QDir(folder).filePath(QStringLiteral(".s.PGSQL.5439"));
    if (!socket.isEmpty())
        QVERIFY(makeSocket(socketPath));
    if (socket == QStringLiteral("nobody's"))
        QVERIFY(::lchown(QFile::encodeName(socketPath).constData(), 65534, 65534) == 0);
    if (nobodysFolder)
        QVERIFY(::chown(name.constData(), 65534, 65534) == 0);
    if (host == QStringLiteral("link"))
        QVERIFY(QFile::link(folder, top.filePath(QStringLiteral("link"))));
    if (!host.startsWith(u'@') && !host.startsWith(u'/'))
        host = top.filePath(host);

    if (!host.startsWith(u'@'))
        QCOMPARE(int(checkLocalSocket(host, port).outcome), outcome);
    ServerSettings settings;
    settings.host = host;
    settings.port = port;
    settings.database = QStringLiteral("yard");
    settings.user = QStringLiteral("gate1");
    const QString refused
        = historyFailureMessage(Failure(FailureCause::SocketNotSafe, settings.location()));
    const QString said = clerkText(testServerConnection(settings));
    QCOMPARE(said == refused, outcome == LocalSocketCheck::Unsafe);
    if (outcome == LocalSocketCheck::Missing)
        QCOMPARE(
            said, historyFailureMessage(Failure(FailureCause::Unreachable, settings.location())));
}

// The waiting file and the detail column keep their form: a load waiting
// from the earlier program is stored whole, and written again byte for byte.
void TestHistoryStore::anEarlierWaitingFileIsStoredAndWrittenAlike()
{
    const QString waiting = m_dir.filePath(QStringLiteral("earlier-waiting.json"));
    QFile file(waiting);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(earlierWaitingFile);
    file.close();
    const LoadRecord expected = earlierWaitingLoad();
    QCOMPARE(QJsonDocument(QJsonArray { expected.toJson() }).toJson(QJsonDocument::Compact),
        QByteArray(earlierWaitingFile));

    const QString path = m_dir.filePath(QStringLiteral("earlier.sqlite"));
    HistoryRecorder recorder(
        [path] { return std::make_unique<SqliteHistoryStore>(path); }, waiting);
    QCOMPARE(recorder.waitingCount(), 1);
    QCOMPARE(clerkText(recorder.storeWaiting()), QString());
    const std::optional<LoadRecord> stored = *recorder.store()->loadById(1);
    QVERIFY(stored);
    QVERIFY(stored->tally == expected.tally);
    QCOMPARE(stored->kind, expected.kind);
    QCOMPARE(stored->billNumber, expected.billNumber);
    QCOMPARE(stored->recordedAt, expected.recordedAt);
}

// A FIFO would block the start, /dev/zero eat the memory; damaged loads
// would be written over by the next one that waits.
void TestHistoryStore::aWaitingFileThatCannotBeReadIsMovedAside_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("said");
    QTest::newRow("A FIFO is not opened") << "fifo" << QStringLiteral("不是普通文件");
    QTest::newRow("A link to /dev/zero is not read") << "zero" << QStringLiteral("不是普通文件");
    QTest::newRow("A file larger than any waiting loads is kept unread")
        << "large" << QStringLiteral("已损坏");
    QTest::newRow("A file that is not a list of loads is kept unread")
        << "damaged" << QStringLiteral("已损坏");
}

void TestHistoryStore::aWaitingFileThatCannotBeReadIsMovedAside()
{
    QFETCH(QString, entry);
    QFETCH(QString, said);
    QTemporaryDir folder;
    const QString waiting = folder.filePath(QStringLiteral("history-waiting.json"));
    if (entry == QStringLiteral("fifo")) {
        QVERIFY(::mkfifo(QFile::encodeName(waiting).constData(), 0600) == 0);
    } else if (entry == QStringLiteral("zero")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), waiting));
    } else {
        QFile file(waiting);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (entry == QStringLiteral("large"))
            QVERIFY(file.resize(40 * 1024 * 1024));
        else
            file.write(QByteArray(earlierWaitingFile).left(100));
    }
    const auto locked
        = []() -> std::unique_ptr<HistoryStore> { throw Failure(FailureCause::Locked, "/x"); };
    HistoryRecorder recorder(locked, waiting);
    QCOMPARE(recorder.waitingCount(), 0);
    const QStringList kept
        = QDir(folder.path())
              .entryList({ "history-waiting.json.damaged-*" }, QDir::AllEntries | QDir::System);
    QCOMPARE(kept.size(), 1);
    QVERIFY2(recorder.setAsideNotice().contains(said), qPrintable(recorder.setAsideNotice()));
    QVERIFY(recorder.setAsideNotice().contains(
        QDir::toNativeSeparators(folder.filePath(kept.first()))));

    // The next load that waits has a file of its own.
    QVERIFY(!clerkText(
        recorder.record(sampleLoad(LoadKind::StockIn, "2026-12-01", "杉木", "1.0000", "1.00")))
                 .isEmpty());
    QVERIFY(recorder.waitingKeptOnDisk());
    QCOMPARE(HistoryRecorder(locked, waiting).waitingCount(), 1);
}

// QSettings waited on a FIFO for ever and wrote through a link.
void TestHistoryStore::settingsThatAreNotAFileAreNeitherReadNorWritten()
{
    QTemporaryDir folder;
    const QString settings = settingsFilePath(folder.path());
    QVERIFY(::mkfifo(QFile::encodeName(settings).constData(), 0600) == 0);
    QCOMPARE(readServerSettings(settings).host, QString());
    ServerSettings yard;
    yard.host = QStringLiteral("192.168.1.10");
    QVERIFY(!writeServerSettings(settings, yard));

    QVERIFY(QFile::remove(settings));
    const QString elsewhere = folder.filePath(QStringLiteral("elsewhere.ini"));
    QVERIFY(QFile::link(elsewhere, settings));
    QVERIFY(!writeServerSettings(settings, yard));
    QVERIFY(!QFileInfo::exists(elsewhere));
}

void TestHistoryStore::everyReadThatFailsGivesItsCause_data()
{
    QTest::addColumn<QString>("read");
    QTest::newRow("The listing fails with its cause") << "listing";
    QTest::newRow("The totals fail with their cause") << "totals";
    QTest::newRow("The report fails with its cause") << "report";
    QTest::newRow("The species fail with their cause") << "species";
    QTest::newRow("The stations fail with their cause") << "stations";
    QTest::newRow("The names typed before fail with their cause") << "names";
    QTest::newRow("One load fails with its cause") << "load";
}

// The names and the species used to come back empty, as if none were kept.
void TestHistoryStore::everyReadThatFailsGivesItsCause()
{
    QFETCH(QString, read);
    const QString path = m_dir.filePath(QStringLiteral("gone-%1.sqlite").arg(read));
    SqliteHistoryStore store(path);
    LoadRecord load = sampleLoad(LoadKind::StockIn, "2026-12-09", "杉木", "1.0000", "800.00");
    store.record(load);
    {
        SqliteHistoryStore other(path);
        QSqlQuery rename(other.database());
        QVERIFY(rename.exec(QStringLiteral("ALTER TABLE loads RENAME TO loads_away")));
    }
    std::optional<Failure> failure;
    auto take = [&failure](const auto& result) {
        if (!result)
            failure = result.error();
    };
    if (read == QLatin1String("listing"))
        take(store.listLoads(LoadFilter {}, LoadColumn::RecordedAt, Qt::DescendingOrder));
    else if (read == QLatin1String("totals"))
        take(store.totals(LoadFilter {}));
    else if (read == QLatin1String("report"))
        take(store.stockReport(LoadFilter {}, ReportGrouping::BySpecies));
    else if (read == QLatin1String("species"))
        take(store.recordedSpecies());
    else if (read == QLatin1String("stations"))
        take(store.recordedStations());
    else if (read == QLatin1String("names"))
        take(store.recentValues(LoadColumn::Buyer));
    else
        take(store.loadById(load.id));
    QVERIFY(failure);
    QCOMPARE(failure->cause(), FailureCause::Other);
    QCOMPARE(failure->path(), path);
    QVERIFY2(failure->detail().contains(QStringLiteral("loads")), qPrintable(failure->detail()));
    QCOMPARE(historyFailureMessage(*failure, QStringLiteral("合计读不出来")),
        QStringLiteral("合计读不出来：历史数据库“%1”出错，请稍后再试。")
            .arg(QFileInfo(path).fileName()));
}

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "test_history_store.moc"
