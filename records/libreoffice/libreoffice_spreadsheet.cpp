#include "records/libreoffice/libreoffice_spreadsheet.h"

#include "records/libreoffice/office_environment.h"
#include "records/libreoffice/office_process.h"
#include "records/libreoffice/uno_workbook.h"
#include "records/libreoffice/watchdog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <mutex>

struct LibreOfficeSpreadsheet::Private {
    OfficeSettings settings;
    std::unique_ptr<QTemporaryDir> throwAwayProfile;
    std::unique_ptr<QLockFile> profileLock;
    std::unique_ptr<OfficeProcess> office;
    std::unique_ptr<Watchdog> watchdog;
    std::mutex passes;

    QString chooseProfile()
    {
        QString folder = settings.profileFolder;
        if (folder.isEmpty())
            folder = QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
                         .filePath(QStringLiteral("office-profile"));
        // A second program run cannot share the profile: it gets a new one.
        QDir().mkpath(QFileInfo(folder).absolutePath());
        profileLock = std::make_unique<QLockFile>(folder + QStringLiteral(".lock"));
        profileLock->setStaleLockTime(0);
        if (profileLock->tryLock())
            return folder;
        throwAwayProfile = std::make_unique<QTemporaryDir>();
        return throwAwayProfile->path();
    }
};

LibreOfficeSpreadsheet::LibreOfficeSpreadsheet(OfficeSettings settings)
    : d(std::make_unique<Private>())
{
    d->settings = std::move(settings);
    if (!d->settings.launcher)
        d->settings.launcher = openInDesktopOffice;
    d->office = std::make_unique<OfficeProcess>(d->settings.programFolder, d->chooseProfile());
    d->watchdog = std::make_unique<Watchdog>([this] { d->office->kill(); });
}

LibreOfficeSpreadsheet::~LibreOfficeSpreadsheet()
{
    std::lock_guard<std::mutex> lock(d->passes);
    d->watchdog.reset();
    d->office->shutDown();
}

void LibreOfficeSpreadsheet::warmUp()
{
    std::lock_guard<std::mutex> lock(d->passes);
    WatchdogArm arm(*d->watchdog, d->settings.startSeconds);
    d->office->desktop(std::chrono::seconds(d->settings.startSeconds));
}

qint64 LibreOfficeSpreadsheet::officePid() const
{
    return d->office->alive() ? d->office->pid() : 0;
}

int LibreOfficeSpreadsheet::officeProcessCount() const
{
    return int(officesOnProfile(d->office->profileUrl()).size());
}

int LibreOfficeSpreadsheet::officeProcessesOn(const QString& profileFolder)
{
    return int(officesOnProfile(profileUrlOf(profileFolder)).size());
}

std::unique_ptr<Workbook> LibreOfficeSpreadsheet::open(const QString& path)
{
    std::unique_lock<std::mutex> lock(d->passes);
    if (!QFileInfo::exists(path))
        throw WorkbookError(WorkbookFailure::WorkbookMissing, path);
    QFile readable(path);
    if (!readable.open(QIODevice::ReadOnly))
        throw WorkbookError(WorkbookFailure::WorkbookUnreadable, path, readable.errorString());
    readable.close();
    // The office would open an empty file as a new, blank workbook.
    if (QFileInfo(path).size() == 0)
        throw WorkbookError(WorkbookFailure::WorkbookDamaged, path, QStringLiteral("empty file"));
    // The office's start has its own deadline; the pass then gets its own.
    auto arm = std::make_unique<WatchdogArm>(*d->watchdog, d->settings.startSeconds);
    auto desktop = d->office->desktop(std::chrono::seconds(d->settings.startSeconds));
    arm->rearm(d->settings.passSeconds);
    return openUnoWorkbook(desktop, path, *d->office, std::move(lock), std::move(arm));
}

void LibreOfficeSpreadsheet::show(const QString& path)
{
    if (!QFileInfo::exists(path))
        throw WorkbookError(WorkbookFailure::WorkbookMissing, path);
    if (!d->settings.launcher(path))
        throw WorkbookError(WorkbookFailure::OfficeMissing, path, QStringLiteral("desktop office"));
}

bool openInDesktopOffice(const QString& path)
{
    // Read-only, so the user's window holds no lock that would stop the next
    // posting or export.
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        return false;
    QProcess process;
    process.setProgram(office);
    process.setArguments({ QStringLiteral("--view"), QDir::toNativeSeparators(path) });
    process.setProcessEnvironment(desktopOfficeEnvironment());
    return process.startDetached();
}
