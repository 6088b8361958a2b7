#include "records/libreoffice/libreoffice_spreadsheet.h"
#include "tally_window/form1.h"
#include "unit_prices/price_files.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2];

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

// A terminating signal ends the event loop, so the background office of
// ours is shut down with the program instead of being left running.
void quitOnTerminationSignals(QApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    for (int signal : { SIGTERM, SIGINT, SIGHUP })
        std::signal(signal, onTerminationSignal);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    quitOnTerminationSignals(app);
    LibreOfficeSpreadsheet office;
    Form1 window({ QCoreApplication::applicationDirPath(), defaultPriceFolder() }, office);
    window.show();
    // For the start-up benchmark: report once the window takes typing.
    if (qEnvironmentVariableIsSet("QUORVANE_STARTUP_PROBE"))
        QTimer::singleShot(0, &window, [] {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    return app.exec();
}
