#include "bill_preview/cups_printer.h"

#include "support/event_log.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace {

constexpr int clientMilliseconds = 15000;

} // namespace

CupsPrinter::CupsPrinter(QString server)
    : m_server(std::move(server))
{
}

CupsPrinter::Run CupsPrinter::run(const QString& program, QStringList arguments) const
{
    if (!m_server.isEmpty())
        arguments = QStringList { QStringLiteral("-h"), m_server } + arguments;
    QProcess process;
    // The clients' answers are read, so they must be the untranslated ones.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(clientMilliseconds)) {
        process.kill();
        process.waitForFinished(clientMilliseconds);
        logEvent(
            QStringLiteral("printing: %1 did not finish: %2").arg(program, process.errorString()));
        return result;
    }
    result.output = QString::fromLocal8Bit(process.readAll());
    result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!result.ok)
        logEvent(QStringLiteral("printing: %1 %2: %3")
                     .arg(program, arguments.join(QLatin1Char(' ')), result.output.trimmed()));
    return result;
}

QStringList CupsPrinter::printers()
{
    const Run listed = run(QStringLiteral("lpstat"), { QStringLiteral("-e") });
    if (!listed.ok)
        return {};
    return listed.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString CupsPrinter::defaultPrinter()
{
    const Run named = run(QStringLiteral("lpstat"), { QStringLiteral("-d") });
    const QString prefix = QStringLiteral("system default destination: ");
    const QString line = named.output.trimmed();
    return named.ok && line.startsWith(prefix) ? line.mid(prefix.size()).trimmed() : QString();
}

QString CupsPrinter::problem(const QString& printer)
{
    if (printer.isEmpty())
        return QStringLiteral("没有可用的打印机，请先在系统设置中添加打印机。");
    const Run state
        = run(QStringLiteral("lpstat"), { QStringLiteral("-l"), QStringLiteral("-p"), printer });
    if (!state.ok)
        return QStringLiteral("找不到打印机“%1”，请检查打印机设置。").arg(printer);
    if (state.output.contains(QStringLiteral(" disabled since")))
        return QStringLiteral("打印机“%1”已停用，请在系统打印设置中启用它。").arg(printer);
    if (state.output.contains(QStringLiteral("media-empty")))
        return QStringLiteral("打印机“%1”缺纸，请装纸后再打印。").arg(printer);
    const Run accepting = run(QStringLiteral("lpstat"), { QStringLiteral("-a"), printer });
    if (!accepting.ok || accepting.output.contains(QStringLiteral("not accepting")))
        return QStringLiteral("打印机“%1”不接受打印任务，请检查打印机设置。").arg(printer);
    return {};
}

QString CupsPrinter::print(const QString& pdf, const QString& printer, int copies)
{
    const QString trouble = problem(printer);
    if (!trouble.isEmpty())
        return trouble;
    for (int copy = 0; copy < copies; ++copy) {
        const Run sent = run(QStringLiteral("lp"),
            { QStringLiteral("-d"), printer, QStringLiteral("-n"), QStringLiteral("1"), pdf });
        if (!sent.ok)
            return QStringLiteral("账单没有送到打印机“%1”，请检查打印机后再试。").arg(printer);
    }
    return {};
}
