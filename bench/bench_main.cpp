// Benchmarks: the recalculation tick, the log volume rule, the workbook
// commands on a real LibreOffice beside their floor (a bare load and store
// of the same file), and the program's start-up.
//
//   quorvane_bench [--json PATH] [--callgrind]
//   quorvane_bench --ticks empty|full N      (run by --callgrind under valgrind)

#include "bench_table.h"
#include "memory_fixture.h"
#include "records/bill_export.h"
#include "records/libreoffice/libreoffice_spreadsheet.h"
#include "records/stock_ledger.h"
#include "tally_window/form1.h"
#include "unit_prices/form4.h"
#include "volume/log_volume.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

class SilentPrompts : public CommandPrompts {
public:
    void showMessage(const QString&) override { }
    void focusTotalVolume() override { }
};

// A tally window on an in-memory ledger; `full` fills all 56 cells.
struct BenchTally {
    QTemporaryDir folder;
    MemorySpreadsheet spreadsheet;
    std::unique_ptr<Form1> window;

    explicit BenchTally(bool full)
    {
        prepareMemoryLedger(spreadsheet, ledgerPath(folder.path()), { QStringLiteral("落叶松") });
        window
            = std::make_unique<Form1>(TallyFolders { folder.path(), folder.path() }, spreadsheet);
        window->show();
        QCoreApplication::processEvents();
        if (!full)
            return;
        const char* lengths[] = { "4", "6", "2.6", "8" };
        for (int block = 0; block < 4; ++block)
            window
                ->findChild<QLineEdit*>(
                    QStringList({ "Text23", "Text15", "Text26", "Text21" })[block])
                ->setText(QString::fromLatin1(lengths[block]));
        for (int row = 1; row <= 14; ++row)
            for (int block = 0; block < 4; ++block)
                cell(row, 3 * block + 1)->setText(QString::number(row + block));
        window->unitPriceWindow()
            ->findChild<QLineEdit*>(QStringLiteral("Text1(0)"))
            ->setText(QStringLiteral("320"));
        window->unitPriceWindow()
            ->findChild<QLineEdit*>(QStringLiteral("Text1(1)"))
            ->setText(QStringLiteral("480"));
        window->unitPriceWindow()
            ->findChild<QLineEdit*>(QStringLiteral("Text1(2)"))
            ->setText(QStringLiteral("655.5"));
    }

    QLineEdit* cell(int row, int element) const
    {
        return window->findChild<QLineEdit*>(QStringLiteral("Text%1(%2)").arg(row).arg(element));
    }
};

// Median and 99th percentile of `rounds` ticks, each after `prepare`.
void measureTicks(BenchTally& tally, const QString& name, BenchTable& table,
    const std::function<void(int)>& prepare)
{
    tally.window->runRecalculationTick();
    std::vector<double> micros;
    QElapsedTimer clock;
    for (int round = 0; round < 400; ++round) {
        prepare(round);
        clock.start();
        tally.window->runRecalculationTick();
        QCoreApplication::processEvents(); // the repaints the tick caused
        micros.push_back(clock.nsecsElapsed() / 1000.0);
    }
    table.add(name + QStringLiteral(" median"), percentile(micros, 0.5) / 1000,
        QStringLiteral("ms"),
        QStringLiteral("%1% of the 100 ms interval")
            .arg(percentile(micros, 0.5) / 1000, 0, 'f', 2));
    table.add(name + QStringLiteral(" p99"), percentile(micros, 0.99) / 1000, QStringLiteral("ms"));
}

void benchTicks(BenchTable& table)
{
    BenchTally empty(false);
    measureTicks(empty, QStringLiteral("tick, empty sheet"), table, [](int) {});
    BenchTally full(true);
    measureTicks(full, QStringLiteral("tick, full sheet, idle"), table, [](int) {});
    // Every tick after a count was typed: that row and every total change.
    measureTicks(full, QStringLiteral("tick, full sheet, after a change"), table,
        [&](int round) { full.cell(1 + round % 14, 1)->setText(QString::number(round % 9 + 1)); });
}

void benchVolumeRule(BenchTable& table)
{
    const QString diameters[]
        = { QStringLiteral("6"), QStringLiteral("12"), QStringLiteral("24"), QStringLiteral("40") };
    QElapsedTimer clock;
    clock.start();
    qint64 calls = 0;
    QString sink;
    while (clock.elapsed() < 500) {
        for (const QString& d : diameters)
            sink = CaiJiJiSuan(d, QStringLiteral("5"), QStringLiteral("4"));
        calls += 4;
    }
    table.add(QStringLiteral("CaiJiJiSuan"), calls / (clock.nsecsElapsed() / 1e9),
        QStringLiteral("calls/s"), sink);
}

double millisecondsOf(const std::function<void()>& action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    return clock.nsecsElapsed() / 1e6;
}

double warmMedian(const std::function<void()>& action)
{
    std::vector<double> times;
    for (int i = 0; i < 7; ++i)
        times.push_back(millisecondsOf(action));
    return percentile(times, 0.5);
}

void benchWorkbooks(BenchTable& table)
{
    QTemporaryDir folder;
    const QString ledger = ledgerPath(folder.path());
    const QString bill = billPath(folder.path());
    QFile::copy(
        QDir(QStringLiteral(QUORVANE_WORKBOOKS)).filePath(QStringLiteral("木材出入库台账.xls")),
        ledger);
    QFile::copy(
        QDir(QStringLiteral(QUORVANE_WORKBOOKS)).filePath(QStringLiteral("木材账单.xls")), bill);
    for (const QString& path : { ledger, bill })
        QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    SilentPrompts prompts;
    const PostingFields posting { QStringLiteral("落叶松"),
        { QStringLiteral("0.3100"), QStringLiteral("1.2560"), QString() },
        { QStringLiteral("350.00"), QStringLiteral("480.00"), QStringLiteral("0.00") },
        QStringLiteral("1.5660") };
    BillFields billFields;
    for (auto& row : billFields.grid)
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
                    return posting;
                });
            } },
        { QStringLiteral("bill export writing pass"), bill,
            [&](Spreadsheet& app) {
                BillExport(app, bill, prompts).press([&] { return billFields; });
            } },
    };
    auto floorPass = [](Spreadsheet& app, const QString& path) {
        auto book = app.open(path);
        book->save();
        book->close();
    };

    QTemporaryDir profiles;
    for (const Command& command : commands) {
        OfficeSettings settings;
        settings.profileFolder = QDir::temp().filePath(QStringLiteral("quorvane-bench-office"));
        settings.launcher = [](const QString&) { return true; };
        LibreOfficeSpreadsheet app(settings);
        const double cold = millisecondsOf([&] { command.run(app); });
        const double warm = warmMedian([&] { command.run(app); });
        const double floor = warmMedian([&] { floorPass(app, command.path); });
        table.add(command.name + QStringLiteral(", cold"), cold, QStringLiteral("ms"),
            QStringLiteral("office not started"));
        table.add(command.name + QStringLiteral(", warm"), warm, QStringLiteral("ms"),
            QStringLiteral("%1 x its floor").arg(warm / floor, 0, 'f', 2));
        table.add(command.name + QStringLiteral(", floor"), floor, QStringLiteral("ms"),
            QStringLiteral("bare load + store"));
    }
}

void benchStartUp(BenchTable& table)
{
    std::vector<double> times;
    for (int i = 0; i < 3; ++i) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUORVANE_STARTUP_PROBE"), QStringLiteral("1"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        program.start(QStringLiteral(QUORVANE_PROGRAM));
        while (program.waitForReadyRead(10000))
            if (program.readAllStandardOutput().contains("ready"))
                break;
        times.push_back(clock.nsecsElapsed() / 1e6);
        program.waitForFinished(30000);
    }
    table.add(QStringLiteral("start-up to ready for typing"), percentile(times, 0.5),
        QStringLiteral("ms"), QStringLiteral("office cold, median of 3"));
}

// Instructions of `ticks` ticks, counted by callgrind in a child run.
double callgrindInstructions(const QString& sheet, int ticks)
{
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("callgrind.out"));
    QProcess valgrind;
    valgrind.setProcessChannelMode(QProcess::MergedChannels);
    // Counted inside the tick handler only, so start-up and exit stay out.
    valgrind.start(QStringLiteral("valgrind"),
        { QStringLiteral("--tool=callgrind"), QStringLiteral("--collect-atstart=no"),
            QStringLiteral("--toggle-collect=Form1::runRecalculationTick()"),
            QStringLiteral("--callgrind-out-file=") + out,
            QCoreApplication::applicationFilePath(), QStringLiteral("--ticks"), sheet,
            QString::number(ticks) });
    valgrind.waitForFinished(600000);
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression summary(
        QStringLiteral("^summary:\\s+(\\d+)"), QRegularExpression::MultilineOption);
    return summary.match(QString::fromLatin1(file.readAll())).captured(1).toDouble();
}

void benchCallgrind(BenchTable& table)
{
    for (const QString& sheet : { QStringLiteral("empty"), QStringLiteral("full") }) {
        // 101 ticks: the first, then 100 each after a typed count.
        const double instructions = callgrindInstructions(sheet, 100);
        table.add(QStringLiteral("tick instructions, %1 sheet, after a change").arg(sheet),
            instructions / 101, QStringLiteral("Ir/tick"), QStringLiteral("callgrind"));
    }
}

// The child of --callgrind: `ticks` ticks, each after a typed count.
int runTicks(const QString& sheet, int ticks)
{
    BenchTally tally(sheet == QStringLiteral("full"));
    tally.window->runRecalculationTick();
    for (int round = 0; round < ticks; ++round) {
        tally.cell(1 + round % 14, 1)->setText(QString::number(round % 9 + 1));
        tally.window->runRecalculationTick();
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == QStringLiteral("--ticks"))
        return runTicks(args[2], args[3].toInt());

    const int jsonAt = args.indexOf(QStringLiteral("--json"));
    const QString json = jsonAt > 0 && jsonAt + 1 < args.size()
        ? args[jsonAt + 1]
        : QStringLiteral("bench/results.json");

    BenchTable table;
    benchTicks(table);
    benchVolumeRule(table);
    if (args.contains(QStringLiteral("--callgrind")))
        benchCallgrind(table);
    benchWorkbooks(table);
    benchStartUp(table);
    if (!table.writeJson(json))
        qWarning("could not write %s", qPrintable(json));
    return 0;
}
