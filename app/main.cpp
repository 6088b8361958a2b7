#include "app/private_files.h"
#include "app/tally_program.h"
#include "records/libreoffice/libreoffice_spreadsheet.h"
#include "records/libreoffice/office_folders.h"
#include "records/workbook_folder.h"
#include "single_instance.h"
#include "support/event_log.h"
#include "support/message_box.h"
#include "tally_window/form1.h"
#include "tally_window/qt_translation.h"
#include "unit_prices/price_files.h"
#include "window_dump.h"

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2];

void onSignal(int signal)
{
    const char byte = char(signal);
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

// A terminating signal closes the tally as its exit button does (prices
// not saved are asked about first), which ends the event loop, so the
// background office of ours is shut down with the program instead of being
// left running. SIGUSR1 asks for a window dump when QUORVANE_WINDOW_DUMP
// names a file.
void handleSignals(QApplication& app, QWidget& window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    const QString dump = qEnvironmentVariable("QUORVANE_WINDOW_DUMP");
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&window, dump] {
        char signal = 0;
        if (::read(signalPipe[0], &signal, 1) != 1)
            return;
        if (signal == SIGUSR1)
            writeWindowDump(window, dump);
        else
            window.close();
    });
    for (int signal : { SIGTERM, SIGINT, SIGHUP })
        std::signal(signal, onSignal);
    if (!dump.isEmpty())
        std::signal(SIGUSR1, onSignal);
}

} // namespace

int main(int argc, char* argv[])
{
    makeNewFilesPrivate();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    installQtChinese(app);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // Before the log, the journal or a workbook is touched.
    SingleInstance instance(data);
    if (const auto claim = instance.claim(); claim != SingleInstance::Claim::First) {
        if (claim == SingleInstance::Claim::AnotherSilent)
            Messages::warning(nullptr, QStringLiteral("Quorvane"),
                QStringLiteral("原木检尺已经在运行，但没有应答。请关闭它后再启动。"));
        return claim == SingleInstance::Claim::AnotherRaised ? 0 : 1;
    }
    openEventLog(QDir(data).filePath(QStringLiteral("quorvane.log")));
    logQtWarnings();
    logEvent(QStringLiteral("start %1 pid %2 in %3")
                 .arg(QCoreApplication::applicationFilePath())
                 .arg(QCoreApplication::applicationPid())
                 .arg(QCoreApplication::applicationDirPath()));
    const WorkbookFolderChoice workbooks
        = chooseWorkbookFolder(QCoreApplication::applicationDirPath(), data,
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    LibreOfficeSpreadsheet office;
    if (const int removed = office.removeLeftoverTempFiles(workbooks.folder))
        logEvent(QStringLiteral("removed %1 temporary files of an earlier office").arg(removed));
    const TallyFolders folders { workbooks.folder, defaultPriceFolder(), data, data,
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation), true };
    if (const int tightened = tightenPrivateFiles(
            folders, QStandardPaths::writableLocation(QStandardPaths::CacheLocation)))
        logEvent(QStringLiteral("%1 files and folders others could read are now the user's alone")
                     .arg(tightened));
    // The journal is marked clean when the window goes, at the end of main.
    TallyProgram program(folders, office);
    Form1& window = program.window();
    handleSignals(app, window);
    QObject::connect(
        &instance, &SingleInstance::raiseRequested, &window, [&window] { bringToFront(window); });
    window.show();
    // Another user's office that left the shared folders its own stops ours
    // at every start: said once the window is up, with the remedy.
    if (const QStringList closed = officeFoldersClosedToUs(OfficeSettings().programFolder);
        !closed.isEmpty()) {
        logEvent(QStringLiteral("office folders closed to this user: %1").arg(closed.join(u' ')));
        QTimer::singleShot(0, &window, [&window, closed] {
            Messages::warning(
                &window, QStringLiteral("Quorvane"), closedOfficeFoldersMessage(closed));
        });
    }
    if (!workbooks.notice.isEmpty())
        QTimer::singleShot(0, &window, [&window, notice = workbooks.notice] {
            Messages::information(&window, QStringLiteral("Quorvane"), notice);
        });
    // For the start-up benchmark: report once the window takes typing.
    if (qEnvironmentVariableIsSet("QUORVANE_STARTUP_PROBE"))
        QTimer::singleShot(0, &window, [] {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    const int status = app.exec();
    logEvent(QStringLiteral("end, status %1").arg(status));
    return status;
}
