// Benchmarks: the recalculation tick, the log volume rule, the program's
// processor use while idle, the workbook commands on a real LibreOffice
// beside their floor (a bare load and store of the same file), postings on
// ledgers of growing size, the program's start-up, the bill preview (press
// to page, print to job), and the history window on stores of growing size.
//
//   quorvane_bench [--json PATH] [--callgrind]
//   quorvane_bench --history [--json PATH]     (the history figures only)
//   quorvane_bench --bent-history [--json PATH] (those of a hand-edited history)
//   quorvane_bench --preview [--json PATH]     (the bill preview's figures only)
//   quorvane_bench --bill [--json PATH]        (the workbook commands and the preview)
//   quorvane_bench --start-up [--json PATH]    (the start-up figure only)
//   quorvane_bench --ticks empty|full|idle N   (run by --callgrind under valgrind)
//   quorvane_bench --idle SECONDS              (run for the idle processor use)

#include "app/tally_program.h"
#include "bench_parts.h"
#include "memory_fixture.h"
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
#include <QTimer>
#include <sys/resource.h>
#include <utility>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define ZERO_CALLGRIND_COUNTS() CALLGRIND_ZERO_STATS
#else
#define ZERO_CALLGRIND_COUNTS()
#endif

namespace {

// A tally window on an in-memory ledger; `full` fills all 56 cells.
struct BenchTally {
    QTemporaryDir folder;
    MemorySpreadsheet spreadsheet;
    std::unique_ptr<TallyProgram> program;
    Form1* window = nullptr;

    explicit BenchTally(bool full)
    {
        prepareMemoryLedger(spreadsheet, ledgerPath(folder.path()), { QStringLiteral("落叶松") });
        program
            = std::make_unique<TallyProgram>(TallyFolders { folder.path(), folder.path(),
                                                 folder.filePath("journal"), QString(), QString() },
                spreadsheet);
        window = &program->window();
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

// The program's environment with a home of its own: its data, settings,
// cache, documents and runtime folders all under `home`, so each start is a
// first start that neither reads the user's books nor meets the lock of a
// program the user runs.
QProcessEnvironment ownHomeEnvironment(const QString& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QDir folder(home);
    const std::pair<const char*, const char*> places[]
        = { { "HOME", "." }, { "XDG_DATA_HOME", "data" }, { "XDG_CONFIG_HOME", "config" },
              { "XDG_CACHE_HOME", "cache" }, { "XDG_RUNTIME_DIR", "runtime" } };
    for (const auto& [variable, name] : places) {
        folder.mkpath(QString::fromLatin1(name));
        environment.insert(QString::fromLatin1(variable),
            QDir::cleanPath(folder.filePath(QString::fromLatin1(name))));
    }
    // Qt takes a runtime folder only when it is the user's alone.
    QFile::setPermissions(folder.filePath(QStringLiteral("runtime")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return environment;
}

// A copy of the program beside fresh copies of the shipped workbooks: a
// program keeps its workbooks beside itself, and the built one's are the
// books of whoever runs it from the build folder.
QString programCopy(const QString& home)
{
    const QDir folder(QDir(home).filePath(QStringLiteral("program")));
    folder.mkpath(QStringLiteral("."));
    const QString copy = folder.filePath(QStringLiteral("quorvane"));
    QFile::copy(QStringLiteral(QUORVANE_PROGRAM), copy);
    for (const QString& name :
        { QStringLiteral("木材出入库台账.xls"), QStringLiteral("木材账单.xls") })
        QFile::copy(QDir(QStringLiteral(QUORVANE_WORKBOOKS)).filePath(name), folder.filePath(name));
    return copy;
}

void benchStartUp(BenchTable& table)
{
    std::vector<double> times;
    for (int i = 0; i < 3; ++i) {
        QTemporaryDir home;
        const QString executable = programCopy(home.path());
        QProcess program;
        QProcessEnvironment environment = ownHomeEnvironment(home.path());
        environment.insert(QStringLiteral("QUORVANE_STARTUP_PROBE"), QStringLiteral("1"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        program.start(executable);
        bool ready = false;
        while (!ready && program.waitForReadyRead(10000))
            ready = program.readAllStandardOutput().contains("ready");
        times.push_back(clock.nsecsElapsed() / 1e6);
        program.waitForFinished(30000);
        // A start that failed must not pass for a quick one.
        if (!ready) {
            table.add(QStringLiteral("start-up to ready for typing"), -1, QStringLiteral("ms"),
                QStringLiteral("never ready: ")
                    + QString::fromLocal8Bit(program.readAllStandardError()));
            return;
        }
    }
    table.add(QStringLiteral("start-up to ready for typing"), percentile(times, 0.5),
        QStringLiteral("ms"), QStringLiteral("office cold, a home of its own, median of 3"));
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
            QStringLiteral("--callgrind-out-file=") + out, QCoreApplication::applicationFilePath(),
            QStringLiteral("--ticks"), sheet, QString::number(ticks) });
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
    struct Run {
        QString mode;
        QString name;
        double budget;
    };
    const Run runs[] = {
        { QStringLiteral("empty"), QStringLiteral("empty sheet, after a change"), 500000 },
        { QStringLiteral("full"), QStringLiteral("full sheet, after a change"), 500000 },
        { QStringLiteral("idle"), QStringLiteral("full sheet, idle"), 50000 },
    };
    for (const Run& run : runs) {
        const double perTick = callgrindInstructions(run.mode, 100) / 100;
        table.add(QStringLiteral("tick instructions, ") + run.name, perTick,
            QStringLiteral("Ir/tick"),
            QStringLiteral("callgrind; %1 x the budget of %2")
                .arg(perTick / run.budget, 0, 'f', 2)
                .arg(run.budget));
    }
}

// The child of --callgrind: a few ticks that settle the sheet, then
// `ticks` counted ticks, each after a typed count unless idle.
int runTicks(const QString& mode, int ticks)
{
    BenchTally tally(mode != QStringLiteral("empty"));
    for (int i = 0; i < 3; ++i)
        tally.window->runRecalculationTick();
    ZERO_CALLGRIND_COUNTS();
    for (int round = 0; round < ticks; ++round) {
        if (mode != QStringLiteral("idle"))
            tally.cell(1 + round % 14, 1)->setText(QString::number(round % 9 + 1));
        tally.window->runRecalculationTick();
    }
    return 0;
}

double processorSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The child of benchIdle: a full sheet left alone with its timer running.
// Prints the share of one core it used, in percent.
int runIdle(int seconds)
{
    BenchTally tally(true);
    QEventLoop settle;
    QTimer::singleShot(1000, &settle, &QEventLoop::quit);
    settle.exec();
    const double before = processorSeconds();
    QElapsedTimer clock;
    clock.start();
    QEventLoop idle;
    QTimer::singleShot(seconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double used = processorSeconds() - before;
    QTextStream(stdout) << "idle " << 100 * used / (clock.nsecsElapsed() / 1e9) << "\n";
    return 0;
}

void benchIdle(BenchTable& table)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
        { QStringLiteral("--idle"), QStringLiteral("20") });
    child.waitForFinished(120000);
    const QString out = QString::fromLatin1(child.readAllStandardOutput());
    const QRegularExpression idle(
        QStringLiteral("^idle (\\S+)"), QRegularExpression::MultilineOption);
    table.add(QStringLiteral("processor use, full sheet, idle"),
        idle.match(out).captured(1).toDouble(), QStringLiteral("% core"),
        QStringLiteral("over 20 s, the timer running; budget 0.3 %"));
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == QStringLiteral("--ticks"))
        return runTicks(args[2], args[3].toInt());
    if (args.size() >= 3 && args[1] == QStringLiteral("--idle"))
        return runIdle(args[2].toInt());

    const int jsonAt = args.indexOf(QStringLiteral("--json"));
    const QString json = jsonAt > 0 && jsonAt + 1 < args.size()
        ? args[jsonAt + 1]
        : QStringLiteral("bench/results.json");

    BenchTable table;
    if (args.contains(QStringLiteral("--bill"))) {
        benchWorkbooks(table);
        benchPreview(table);
        return table.writeJson(json) ? 0 : 1;
    }
    if (args.contains(QStringLiteral("--preview"))) {
        benchPreview(table);
        return table.writeJson(json) ? 0 : 1;
    }
    if (args.contains(QStringLiteral("--start-up"))) {
        benchStartUp(table);
        return table.writeJson(json) ? 0 : 1;
    }
    if (args.contains(QStringLiteral("--bent-history"))) {
        benchBentHistory(table);
        return table.writeJson(json) ? 0 : 1;
    }
    if (args.contains(QStringLiteral("--ledger-year"))) {
        benchLedgerYear(table);
        return table.writeJson(json) ? 0 : 1;
    }
    if (args.contains(QStringLiteral("--history"))) {
        benchHistory(table);
        return table.writeJson(json) ? 0 : 1;
    }
    benchTicks(table);
    benchVolumeRule(table);
    if (args.contains(QStringLiteral("--callgrind")))
        benchCallgrind(table);
    benchIdle(table);
    benchWorkbooks(table);
    benchLedgerSizes(table);
    benchLedgerYear(table);
    benchStartUp(table);
    benchPreview(table);
    benchHistory(table);
    if (!table.writeJson(json))
        qWarning("could not write %s", qPrintable(json));
    return 0;
}
