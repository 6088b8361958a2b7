#include "records/libreoffice/libreoffice_spreadsheet.h"

#include "support/phase_log.h"

#include "records/libreoffice/office_environment.h"
#include "records/libreoffice/office_process.h"
#include "records/libreoffice/uno_workbook.h"
#include "records/libreoffice/watchdog.h"
#include "records/libreoffice/workbook_files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <mutex>
#include <unistd.h>

struct LibreOfficeSpreadsheet::Private {
    OfficeSettings settings;
    std::unique_ptr<QTemporaryDir> throwAwayProfile;
    std::unique_ptr<QLockFile> profileLock;
    std::unique_ptr<OfficeProcess> office;
    std::unique_ptr<Watchdog> watchdog;
    std::mutex passes;
    pid_t passedOffice = 0; // the office that has had a pass already
    QDateTime startedAt = QDateTime::currentDateTime();

    // The office's start has its own deadline; the pass then gets its own.
    // The first pass of an office that warmUp() did not prepare loads the
    // spreadsheet component as well, which on a busy machine can take
    // longer than any later pass: it counts as part of the start.
    css::uno::Reference<css::frame::XDesktop2> startPass(WatchdogArm& arm)
    {
        auto desktop = office->desktop(std::chrono::seconds(settings.startSeconds));
        const bool firstPass = office->pid() != passedOffice;
        passedOffice = office->pid();
        arm.rearm(firstPass ? settings.startSeconds : settings.passSeconds);
        return desktop;
    }

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
    const auto desktop = d->office->desktop(std::chrono::seconds(d->settings.startSeconds));
    if (d->office->pid() == d->passedOffice)
        return;
    loadSpreadsheetComponent(desktop, *d->office);
    d->passedOffice = d->office->pid();
}

int LibreOfficeSpreadsheet::removeLeftoverTempFiles(const QString& folder) const
{
    const QDir dir(folder);
    const QString ownProfile = d->office->profileUrl();
    for (const QFileInfo& lock :
        dir.entryInfoList({ QStringLiteral(".~lock.*#") }, QDir::Files | QDir::Hidden)) {
        const QByteArray owner = lockFileText(lock.filePath()).value_or(QByteArray()).trimmed();
        if (!owner.isEmpty() && !owner.contains(ownProfile.toUtf8()))
            return 0;
    }
    static const QRegularExpression officeTemp(QStringLiteral("^lu[0-9A-Za-z_]+\\.tmp$"));
    int removed = 0;
    for (const QFileInfo& file : dir.entryInfoList({ QStringLiteral("lu*.tmp") }, QDir::Files)) {
        const bool ours
            = file.ownerId() == getuid() && officeTemp.match(file.fileName()).hasMatch();
        if (ours && file.lastModified() < d->startedAt && QFile::remove(file.filePath()))
            ++removed;
    }
    return removed;
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
    refuseLinkedEntry(path);
    if (!QFileInfo::exists(path))
        throw Failure(FailureCause::WorkbookMissing, path);
    QFile readable(path);
    if (!readable.open(QIODevice::ReadOnly))
        throw Failure(FailureCause::WorkbookUnreadable, path, readable.errorString());
    readable.close();
    // The office would open an empty file as a new, blank workbook.
    if (QFileInfo(path).size() == 0)
        throw Failure(FailureCause::WorkbookDamaged, path, QStringLiteral("empty file"));
    auto arm = std::make_unique<WatchdogArm>(*d->watchdog, d->settings.startSeconds);
    PhaseTimer pass("office pass");
    const auto desktop = d->startPass(*arm);
    pass.done();
    PhaseTimer opening("open");
    return openUnoWorkbook(desktop, path, *d->office, std::move(lock), std::move(arm));
}

std::unique_ptr<Workbook> LibreOfficeSpreadsheet::create()
{
    std::unique_lock<std::mutex> lock(d->passes);
    auto arm = std::make_unique<WatchdogArm>(*d->watchdog, d->settings.startSeconds);
    PhaseTimer pass("office pass");
    const auto desktop = d->startPass(*arm);
    pass.done();
    PhaseTimer creating("new workbook");
    return createUnoWorkbook(desktop, *d->office, std::move(lock), std::move(arm));
}

void LibreOfficeSpreadsheet::show(const QString& path)
{
    if (!QFileInfo::exists(path))
        throw Failure(FailureCause::WorkbookMissing, path);
    if (!d->settings.launcher(path))
        throw Failure(FailureCause::OfficeMissing, path, QStringLiteral("desktop office"));
}

bool openInDesktopOffice(const QString& path)
{
    // Read-only, so the user's window holds no lock that would stop the next
    // posting or export.
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        return false;
    // Through the shell for the umask an ordinary program gets, as our own
    // office: the office may make folders every user's office must read.
    QProcess process;
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments({ QStringLiteral("-c"), QStringLiteral("umask 022 && exec \"$0\" \"$@\""),
        office, QStringLiteral("--view"), QDir::toNativeSeparators(path) });
    process.setProcessEnvironment(desktopOfficeEnvironment());
    return process.startDetached();
}
