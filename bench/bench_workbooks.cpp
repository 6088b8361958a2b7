// The workbook commands on a real LibreOffice, each beside its floor: a bare
// open, store and close of the same file.

#include "bench_parts.h"
#include "records/bill_export.h"
#include "records/ledger_year.h"
#include "records/libreoffice/libreoffice_spreadsheet.h"
#include "records/stock_ledger.h"
#include "tally_window/window_prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

namespace {

class SilentPrompts : public CommandPrompts {
public:
    void showMessage(const QString&) override { }
    void focusTotalVolume() override { }
    bool askYesNo(const QString&) override { return true; }
};

Tally makeSamplePosting()
{
    Tally tally;
    tally.species = QStringLiteral("落叶松");
    tally.groupVolumes = { QStringLiteral("0.3100"), QStringLiteral("1.2560"), QString(),
        QStringLiteral("1.5660") };
    tally.unitPrices
        = { QStringLiteral("350.00"), QStringLiteral("480.00"), QStringLiteral("0.00") };
    return tally;
}

const Tally samplePosting = makeSamplePosting();

QString copyShipped(const QString& name, const QString& target)
{
    QFile::remove(target);
    QFile::copy(QDir(QStringLiteral(QUORVANE_WORKBOOKS)).filePath(name), target);
    QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return target;
}

void floorPass(Spreadsheet& app, const QString& path)
{
    auto book = app.open(path);
    book->save();
    book->close();
}

OfficeSettings benchOfficeSettings()
{
    OfficeSettings settings;
    settings.profileFolder = QDir::temp().filePath(QStringLiteral("quorvane-bench-office"));
    settings.launcher = [](const QString&) { return true; };
    return settings;
}

// A ledger whose stock-in sheet holds `rows` postings from row 6 on.
QString ledgerWithRows(Spreadsheet& app, const QString& folder, int rows)
{
    const QString path = copyShipped(QStringLiteral("木材出入库台账.xls"),
        QDir(folder).filePath(QStringLiteral("ledger-%1.xls").arg(rows)));
    QVector<QStringList> block(rows, { QStringLiteral("落叶松"), QStringLiteral("1.2345") });
    auto book = app.open(path);
    book->sheetAt(1).setBlockAsTyped(6, 2, block);
    book->save();
    book->close();
    return path;
}

} // namespace

double millisecondsOf(const std::function<void()>& action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    return clock.nsecsElapsed() / 1e6;
}

double warmMedian(const std::function<void()>& action, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(millisecondsOf(action));
    return percentile(times, 0.5);
}

void benchBillPress(BenchTable& table, const QString& bill, const Tally& tally);

void benchWorkbooks(BenchTable& table)
{
    QTemporaryDir folder;
    const QString ledger
        = copyShipped(QStringLiteral("木材出入库台账.xls"), ledgerPath(folder.path()));
    const QString bill = copyShipped(QStringLiteral("木材账单.xls"), billPath(folder.path()));

    SilentPrompts prompts;
    Tally billTally;
    for (auto& row : billTally.grid)
        row.fill(QStringLiteral("12"));

    struct Command {
        QString name;
        QString path;
        std::function<void(Spreadsheet&)> run;
    };
    const std::vector<Command> commands = {
        { QStringLiteral("species list load"), ledger,
            [&](Spreadsheet& app) { loadSpeciesList(app, ledger); } },
        { QStringLiteral("stock-in posting"), ledger,
            [&](Spreadsheet& app) {
                StockPosting(app, ledger, StockPosting::Sheet::StockIn, prompts).press([&] {
                    return samplePosting;
                });
            } },
        // The pass that writes and saves the bill; the archive copy and
        // its PDF come after it, measured on their own.
        { QStringLiteral("bill export writing pass"), bill,
            [&](Spreadsheet& app) {
                auto book = app.open(bill);
                writeBill(book->sheetNamed(billSheetName()), billTally,
                    BillNumber { QDate::currentDate(), 1 });
                book->save();
                book->close();
            } },
        { QStringLiteral("bill export with archive copy and PDF"), bill,
            [&](Spreadsheet& app) {
                BillExport(app, bill, prompts).press([&] { return billTally; });
            } },
    };

    for (const Command& command : commands) {
        LibreOfficeSpreadsheet app(benchOfficeSettings());
        const double cold = millisecondsOf([&] { command.run(app); });
        const double warm = warmMedian([&] { command.run(app); });
        const double floor = warmMedian([&] { floorPass(app, command.path); });
        table.add(command.name + QStringLiteral(", cold"), cold, QStringLiteral("ms"),
            QStringLiteral("office not started"));
        table.add(command.name + QStringLiteral(", warm"), warm, QStringLiteral("ms"));
        table.add(command.name + QStringLiteral(", floor"), floor, QStringLiteral("ms"),
            QStringLiteral("bare load + store"));
        table.add(
            command.name + QStringLiteral(" over its floor"), warm / floor, QStringLiteral("x"));
    }
    benchBillPress(table, bill, billTally);
}

// 打印账单 as the window presses it: the press returns once the bill is
// saved, its archive copy and PDF follow on a worker, waited for between
// presses outside the time.
void benchBillPress(BenchTable& table, const QString& bill, const Tally& tally)
{
    SilentPrompts prompts;
    LibreOfficeSpreadsheet app(benchOfficeSettings());
    BillExport exporter(app, bill, prompts);
    exporter.setArchiveInBackground(true);
    const auto press = [&] { exporter.press([&] { return tally; }); };
    const double cold = millisecondsOf(press);
    exporter.waitForArchive();
    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
        times.push_back(millisecondsOf(press));
        exporter.waitForArchive();
        QCoreApplication::processEvents(); // the copies' reports
    }
    const double warm = percentile(times, 0.5);
    const double floor = warmMedian([&] { floorPass(app, bill); });
    table.add(QStringLiteral("打印账单 press returns, cold"), cold, QStringLiteral("ms"),
        QStringLiteral("office not started"));
    table.add(QStringLiteral("打印账单 press returns, warm"), warm, QStringLiteral("ms"),
        QStringLiteral("median of 7; max %1 ms").arg(percentile(times, 1.0), 0, 'f', 0));
    table.add(QStringLiteral("打印账单 press returns, floor"), floor, QStringLiteral("ms"),
        QStringLiteral("bare load + store"));
    table.add(QStringLiteral("打印账单 press over its floor"), warm / floor, QStringLiteral("x"),
        QStringLiteral("goal 1.5 x"));
}

void benchLedgerSizes(BenchTable& table)
{
    QTemporaryDir folder;
    SilentPrompts prompts;
    LibreOfficeSpreadsheet app(benchOfficeSettings());
    app.warmUp();
    for (int rows : { 1000, 30000, 60000 }) {
        const QString ledger = ledgerWithRows(app, folder.path(), rows);
        StockPosting posting(app, ledger, StockPosting::Sheet::StockIn, prompts);
        int failures = 0;
        const double warm
            = warmMedian([&] { failures += posting.press([&] { return samplePosting; }) == 0; }, 3);
        const double floor = warmMedian([&] { floorPass(app, ledger); }, 3);
        const QString name = QStringLiteral("stock-in posting, %1-row ledger").arg(rows);
        table.add(name, warm, QStringLiteral("ms"),
            failures ? QStringLiteral("%1 of 3 failed").arg(failures) : QString());
        table.add(name + QStringLiteral(", floor"), floor, QStringLiteral("ms"),
            QStringLiteral("bare load + store"));
        table.add(name + QStringLiteral(" over its floor"), warm / floor, QStringLiteral("x"));
        QFile::remove(ledger);
    }
}

// A year's step on a ledger of 60 000 stock-in rows, through the window's
// progress dialog: the step's time, and the longest the window's event
// loop went without turning (a 10 ms timer counts its turns).
void benchLedgerYear(BenchTable& table)
{
    LibreOfficeSpreadsheet app(benchOfficeSettings());
    app.warmUp();
    WindowPrompts prompts;
    std::vector<double> times;
    double longestStall = 0;
    int failures = 0;
    for (int run = 0; run < 3; ++run) {
        QTemporaryDir folder;
        const QString ledger = ledgerWithRows(app, folder.path(), 60000);
        QFile::rename(ledger, ledgerPath(folder.path()));
        LedgerYearStep step(app, ledgerPath(folder.path()));
        QElapsedTimer sinceTurn;
        QTimer turns;
        QObject::connect(&turns, &QTimer::timeout, [&] {
            longestStall = std::max(longestStall, sinceTurn.nsecsElapsed() / 1e6);
            sinceTurn.restart();
        });
        turns.start(10);
        sinceTurn.start();
        times.push_back(millisecondsOf([&] {
            prompts.whileBusy(QStringLiteral("正在存档台账"), [&] {
                failures += !step.run(LedgerYearStep::Kind::NewYear, 2026, QDate(2027, 1, 1)).done;
            });
        }));
        turns.stop();
    }
    table.add(QStringLiteral("year step, 60000-row ledger"), percentile(times, 0.5),
        QStringLiteral("ms"),
        failures ? QStringLiteral("%1 of 3 failed").arg(failures)
                 : QStringLiteral("median of 3; budget 5000 ms"));
    table.add(QStringLiteral("year step, longest event-loop stall"), longestStall,
        QStringLiteral("ms"), QStringLiteral("10 ms timer; budget 100 ms"));
}
