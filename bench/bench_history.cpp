// The history window on stores of 1 000 and 200 000 loads: opening it (built,
// shown, first rows in the view), a filter change on screen, and recording
// a posting into that store. The yard's budgets: 300 ms, 100 ms, 5 ms. Then
// typing a name and sorting on a store a hand edit has bent: 100 ms each.

#include "app/tally_program.h"
#include "bench_parts.h"
#include "history/load_columns.h"
#include "history/load_query.h"
#include "history/load_table_model.h"
#include "history/sqlite_history_store.h"
#include "history_builders.h"
#include "history_window/history.h"
#include "history_window/history_services.h"
#include "memory_fixture.h"
#include "memory_workbook.h"
#include "records/stock_ledger.h"
#include "tally_window/form1.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

namespace {

const QDate benchToday(2026, 12, 9);

const QStringList speciesNames { QStringLiteral("落叶松"), QStringLiteral("樟子松"),
    QStringLiteral("红松"), QStringLiteral("白桦"), QStringLiteral("杉木"), QStringLiteral("柞木"),
    QStringLiteral("水曲柳"), QStringLiteral("杨木") };

LoadRecord benchLoad(QRandomGenerator& random, const QDateTime& when)
{
    const int kindDraw = random.bounded(20);
    LoadBuilder drawn(kindDraw < 9 ? LoadKind::StockIn
            : kindDraw < 18        ? LoadKind::StockOut
                                   : LoadKind::Bill);
    drawn.at(when);
    // One draw a statement: the same loads as the same seed gave before.
    drawn.species(speciesNames[random.bounded(int(speciesNames.size()))]);
    drawn.buyer(QStringLiteral("木材公司%1").arg(random.bounded(300)));
    drawn.truck(QStringLiteral("黑A%1").arg(10000 + random.bounded(90000)));
    drawn.supplier(QStringLiteral("林场%1").arg(random.bounded(60)));
    drawn.contact(QStringLiteral("联系人%1").arg(random.bounded(200)));
    drawn.scaler(QStringLiteral("检尺员%1").arg(random.bounded(5)));
    LoadRecord load = drawn;
    load.tally.lengths = { QStringLiteral("4"), QStringLiteral("6"), QString(), QString() };
    qint64 pieces = 0, volumeE4 = 0;
    for (int row = 0; row < 14; ++row) {
        const int count = random.bounded(1, 12);
        const qint64 rowVolume = count * random.bounded(300, 2500);
        load.tally.grid[row][0] = QString::number(8 + 2 * row);
        load.tally.grid[row][1] = QString::number(count);
        load.tally.grid[row][2] = TenThousandths::fromUnits(rowVolume).text();
        pieces += count;
        volumeE4 += rowVolume;
    }
    load.tally.groupPieces
        = { QString::number(pieces), QString(), QString(), QString::number(pieces) };
    load.tally.groupVolumes = { TenThousandths::fromUnits(volumeE4).text(), QString(), QString(),
        TenThousandths::fromUnits(volumeE4).text() };
    const QString amount = Fen::fromUnits(volumeE4 * 80 / 100).text(); // 800 yuan per m³
    load.tally.groupAmounts = { amount, QString(), QString(), amount };
    load.tally.unitPrices = { QStringLiteral("800"), QString(), QString() };
    if (load.kind == LoadKind::Bill)
        load.billNumber = when.date().toString(Qt::ISODate) + QStringLiteral("-001");
    return load;
}

// `loads` loads over the four years before the bench's day, in one
// transaction with one prepared statement.
bool fillStore(HistoryStore& store, int loads)
{
    QSqlDatabase db = store.database();
    QRandomGenerator random(20261209);
    const QDateTime first(benchToday.addYears(-4), QTime(7, 0));
    const qint64 span = first.secsTo(QDateTime(benchToday, QTime(18, 0)));
    db.transaction();
    QSqlQuery insert(db);
    insert.prepare(
        QStringLiteral("INSERT INTO loads (recorded_at, day, kind, bill_number, species, buyer, "
                       "truck, supplier, contact, scaler, "
                       "pieces_e4, volume_e4, amount_fen, detail, station, station_number) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '', ?)"));
    for (int i = 0; i < loads; ++i) {
        const LoadRecord load = benchLoad(random, first.addSecs(span * i / loads));
        const QVariantList values { load.recordedAt.toString(Qt::ISODate),
            load.recordedAt.date().toString(Qt::ISODate), int(load.kind),
            load.billNumber.isNull() ? QStringLiteral("") : load.billNumber, load.tally.species,
            load.tally.captions[0].value, load.tally.captions[1].value,
            load.tally.captions[2].value, load.tally.captions[3].value, load.tally.scaler,
            load.piecesE4(), load.volumeE4(), load.amountFen(),
            QString::fromUtf8(load.detailJson()), i + 1 };
        for (int v = 0; v < values.size(); ++v)
            insert.bindValue(v, values[v]);
        if (!insert.exec()) {
            qWarning("bench fill: %s", qPrintable(insert.lastError().text()));
            db.rollback();
            return false;
        }
    }
    return db.commit();
}

// The queries run inside the change; what is left is the painting.
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void benchOneSize(BenchTable& table, int loads)
{
    QTemporaryDir folder;
    SqliteHistoryStore store(folder.filePath(QStringLiteral("quorvane.sqlite")));
    QElapsedTimer clock;
    clock.start();
    if (!fillStore(store, loads))
        return;
    const QString size = QStringLiteral("%1 loads").arg(loads);
    table.add(QStringLiteral("history fill, ") + size, clock.elapsed(), QStringLiteral("ms"),
        QStringLiteral("one transaction"));
    MemorySpreadsheet spreadsheet;
    std::unique_ptr<History> window;
    std::vector<double> opens;
    for (int run = 0; run < 7; ++run) {
        window.reset();
        opens.push_back(millisecondsOf([&] {
            window = std::make_unique<History>(store, spreadsheet, [] { return benchToday; });
            window->show();
            settle();
        }));
    }
    const int shown
        = window->findChild<QTableView*>(QStringLiteral("loadsTable"))->model()->rowCount();
    table.add(QStringLiteral("history window open, ") + size, percentile(opens, 0.5),
        QStringLiteral("ms"),
        QStringLiteral("shown, %1 rows read; first %2 ms; budget 300 ms")
            .arg(shown)
            .arg(opens.front(), 0, 'f', 1));

    auto* kind = window->findChild<QComboBox*>(QStringLiteral("kindFilter"));
    int round = 0;
    table.add(QStringLiteral("history filter change, ") + size,
        warmMedian(
            [&] {
                kind->setCurrentIndex(++round % kind->count());
                settle();
            },
            15),
        QStringLiteral("ms"), QStringLiteral("kind, this month; budget 100 ms"));
    kind->setCurrentIndex(0);
    auto* text = window->findChild<QLineEdit*>(QStringLiteral("textFilter"));
    const QStringList typed { QStringLiteral("木材公司1"), QStringLiteral("黑A2"), QString() };
    table.add(QStringLiteral("history text filter change, ") + size,
        warmMedian(
            [&] {
                text->setText(typed[++round % typed.size()]);
                settle();
            },
            15),
        QStringLiteral("ms"), QStringLiteral("buyer, truck; budget 100 ms"));

    // Not the default view: the text searched over all four years.
    window->findChild<QDateEdit*>(QStringLiteral("fromDate"))->setDate(benchToday.addYears(-4));
    table.add(QStringLiteral("history text filter, four years, ") + size,
        warmMedian(
            [&] {
                text->setText(typed[++round % typed.size()]);
                settle();
            },
            7),
        QStringLiteral("ms"), QStringLiteral("every load read"));

    // What the tally window reads at start for its name completion.
    table.add(QStringLiteral("history names offered, ") + size,
        warmMedian(
            [&] {
                for (LoadColumn column : offeredLoadColumns())
                    store.recentValues(column);
            },
            7),
        QStringLiteral("ms"), QStringLiteral("five fields, newest 5000 loads"));

    QRandomGenerator random(7);
    table.add(QStringLiteral("history record, ") + size,
        warmMedian(
            [&] {
                LoadRecord load = benchLoad(random, QDateTime(benchToday, QTime(12, 0)));
                store.record(load);
            },
            31),
        QStringLiteral("ms"), QStringLiteral("one posting, synchronous; budget 5 ms"));
}

// What a hand-edited database may hold: one buyer of 10 MB as the newest
// load, and amounts whose sum leaves the 64-bit range.
bool bendStore(HistoryStore& store)
{
    QString huge;
    while (huge.toUtf8().size() < 10 * 1024 * 1024)
        huge += QStringLiteral("木材公司").repeated(65536);
    QSqlQuery edit(store.database());
    edit.prepare(
        QStringLiteral("UPDATE loads SET buyer = ? WHERE id = (SELECT MAX(id) FROM loads)"));
    edit.addBindValue(huge);
    return edit.exec()
        && edit.exec(QStringLiteral(
            "UPDATE loads SET amount_fen = 9223372036854775000 WHERE id IN (SELECT id FROM "
            "loads ORDER BY id DESC LIMIT 2)"));
}

} // namespace

// Typing into 购货单位, the names offered popping up, and a click on the
// history table's 购货单位 heading, on a store of 1 000 loads bent as above.
void benchBentHistory(BenchTable& table)
{
    QTemporaryDir folder;
    {
        SqliteHistoryStore store(historyDatabasePath(folder.path()));
        if (!fillStore(store, 1000) || !bendStore(store))
            return;
    }
    MemorySpreadsheet spreadsheet;
    prepareMemoryLedger(spreadsheet, ledgerPath(folder.path()), { QStringLiteral("落叶松") });
    QElapsedTimer clock;
    clock.start();
    TallyProgram program(
        { folder.path(), folder.path(), QString(), folder.path(), QString() }, spreadsheet);
    Form1& window = program.window();
    window.show();
    settle();
    table.add(QStringLiteral("tally start, bent history"), clock.elapsed(), QStringLiteral("ms"),
        QStringLiteral("names read for the fields"));
    QLineEdit* buyer = window.findChild<QLineEdit*>(QStringLiteral("Text17"));
    buyer->setFocus();
    std::vector<double> keys;
    for (const QString& key :
        { QStringLiteral("木"), QStringLiteral("材"), QStringLiteral("公"), QStringLiteral("司") })
        keys.push_back(millisecondsOf([&] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, key);
            QApplication::sendEvent(buyer, &press);
            settle();
        }));
    table.add(QStringLiteral("typing into 购货单位, bent history"), percentile(keys, 1.0),
        QStringLiteral("ms"), QStringLiteral("slowest of 4 keys, names popping up; budget 100 ms"));

    History* history = program.history()->window();
    history->show();
    settle();
    QHeaderView* header
        = history->findChild<QTableView*>(QStringLiteral("loadsTable"))->horizontalHeader();
    // Every load in the list: the bent one sorts to the top one way or the other.
    history->findChild<QDateEdit*>(QStringLiteral("fromDate"))->setDate(benchToday.addYears(-5));
    int round = 0;
    std::vector<double> sorts;
    for (int i = 0; i < 4; ++i)
        sorts.push_back(millisecondsOf([&] {
            header->setSortIndicator(shownIndex(LoadColumn::Buyer),
                ++round % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
            settle();
        }));
    table.add(QStringLiteral("history sort by 购货单位, bent history"), percentile(sorts, 1.0),
        QStringLiteral("ms"),
        QStringLiteral("slowest of 4; budget 100 ms; totals: %1")
            .arg(history->findChild<QLabel*>(QStringLiteral("totalsLabel"))->text()));
}

void benchHistory(BenchTable& table)
{
    for (int loads : { 1000, 200000 })
        benchOneSize(table, loads);
    benchBentHistory(table);
}
