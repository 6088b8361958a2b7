#include "records/libreoffice/office_process.h"

#include "records/libreoffice/office_environment.h"
#include "records/libreoffice/uno_text.h"
#include "records/workbook.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <cerrno>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/util/XChangesBatch.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A fresh profile makes the first start exit with this code: start again.
constexpr int restartExitCode = 81;

css::uno::Reference<css::uno::XComponentContext> localContext(const QString& programFolder)
{
    // The local UNO runtime must find LibreOffice's own fundamental rc.
    const QByteArray rc = "vnd.sun.star.pathname:"
        + QDir(programFolder).filePath(QStringLiteral("fundamentalrc")).toUtf8();
    setenv("URE_BOOTSTRAP", rc.constData(), 1);
    return cppu::defaultBootstrap_InitialComponentContext();
}

// A zombie no longer holds anything: only a process not yet ended counts.
bool processRuns(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype state = line.lastIndexOf(')') + 2;
    return state > 1 && state < line.size() && line[state] != 'Z';
}

// An office left running by an earlier run of ours that was killed still
// holds our profile; a new office on that profile would only hand its
// arguments over to it and exit. We hold the profile's lock, so any office
// on it is a stale one of ours.
void killStaleOffices(const QString& profileUrl)
{
    const QVector<pid_t> stale = officesOnProfile(profileUrl);
    for (const pid_t pid : stale)
        ::kill(pid, SIGKILL);
    // A new office started while the old one still holds the profile would
    // hand its arguments over to it and exit: wait until the old one is
    // gone (it is no child of ours, so its parent reaps it).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (const pid_t pid : stale)
        while (processRuns(pid) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

// A workbook never makes the office go out to the network: no link of a
// document outside the trusted locations (there are none) is followed. Set
// in the private profile, in force at once. Debian's office has no update
// check of its own to turn off.
void keepOfficeOffline(const css::uno::Reference<css::uno::XComponentContext>& office)
{
    const auto provider = css::configuration::theDefaultProvider::get(office);
    css::beans::NamedValue path(rtl::OUString("nodepath"),
        css::uno::Any(rtl::OUString("/org.openoffice.Office.Common/Security/Scripting")));
    css::uno::Sequence<css::uno::Any> arguments(1);
    arguments.getArray()[0] <<= path;
    css::uno::Reference<css::beans::XPropertySet> settings(
        provider->createInstanceWithArguments(
            rtl::OUString("com.sun.star.configuration.ConfigurationUpdateAccess"), arguments),
        css::uno::UNO_QUERY_THROW);
    settings->setPropertyValue(rtl::OUString("BlockUntrustedRefererLinks"), css::uno::Any(true));
    css::uno::Reference<css::util::XChangesBatch>(settings, css::uno::UNO_QUERY_THROW)
        ->commitChanges();
}

// "exited with status 134" or "killed by signal 6", for the log.
QString exitText(int status)
{
    if (WIFSIGNALED(status))
        return QStringLiteral("office killed by signal %1").arg(WTERMSIG(status));
    return QStringLiteral("office exited with status %1").arg(WEXITSTATUS(status));
}

} // namespace

QVector<pid_t> officesOnProfile(const QString& profileUrl)
{
    const QByteArray needle = ("-env:UserInstallation=" + profileUrl).toUtf8();
    const QStringList processes
        = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QVector<pid_t> found;
    for (const QString& entry : processes) {
        bool numeric = false;
        const pid_t pid = entry.toInt(&numeric);
        if (!numeric || pid == getpid())
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        if (cmdline.readAll().split('\0').contains(needle))
            found.append(pid);
    }
    return found;
}

OfficeProcess::OfficeProcess(QString programFolder, QString profileFolder)
    : m_programFolder(std::move(programFolder))
    , m_profileFolder(std::move(profileFolder))
{
}

OfficeProcess::~OfficeProcess()
{
    shutDown();
}

QString profileUrlOf(const QString& profileFolder)
{
    return QUrl::fromLocalFile(profileFolder).toString(QUrl::FullyEncoded);
}

QString OfficeProcess::profileUrl() const
{
    return profileUrlOf(m_profileFolder);
}

css::uno::Reference<css::frame::XDesktop2> OfficeProcess::desktop(
    std::chrono::milliseconds startTimeout)
{
    if (m_desktop.is() && alive())
        return m_desktop;
    // An office without a connection of ours is of no use: it is ended for
    // sure before a new one starts.
    lost();
    const auto deadline = std::chrono::steady_clock::now() + startTimeout;
    spawn();
    // Whatever goes wrong while connecting, the caller gets our own error.
    try {
        connect(deadline);
    } catch (const css::uno::Exception& e) {
        lost();
        throw Failure(FailureCause::OfficeNotResponding, m_programFolder, toQString(e.Message));
    } catch (const cppu::BootstrapException& e) {
        throw Failure(FailureCause::OfficeMissing, m_programFolder, toQString(e.getMessage()));
    }
    return m_desktop;
}

void OfficeProcess::spawn()
{
    const QString binary = QDir(m_programFolder).filePath(QStringLiteral("soffice.bin"));
    if (!QFileInfo(binary).isExecutable())
        throw Failure(FailureCause::OfficeMissing, binary);
    QDir().mkpath(m_profileFolder);
    killStaleOffices(profileUrl());
    // Unique across every office this program starts, restarts included.
    static std::atomic<int> starts { 0 };
    m_pipeName = QStringLiteral("quorvane-%1-%2").arg(getpid()).arg(++starts);

    const std::vector<QByteArray> args = { QFile::encodeName(binary), "--headless", "--invisible",
        "--norestore", "--nologo", "--nodefault", "--nolockcheck", "--nofirststartwizard",
        ("-env:UserInstallation=" + profileUrl()).toUtf8(),
        ("--accept=pipe,name=" + m_pipeName + ";urp;StarOffice.ComponentContext").toUtf8() };
    std::vector<char*> argv;
    for (const QByteArray& arg : args)
        argv.push_back(const_cast<char*>(arg.constData()));
    argv.push_back(nullptr);
    std::vector<QByteArray> variables;
    for (const QString& variable : headlessOfficeEnvironment().toStringList())
        variables.push_back(variable.toUtf8());
    std::vector<char*> envp;
    for (const QByteArray& variable : variables)
        envp.push_back(const_cast<char*>(variable.constData()));
    envp.push_back(nullptr);

    // Prepared before the fork: the child may only make system calls.
    const int nullFd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    int report[2];
    if (nullFd < 0 || ::pipe2(report, O_CLOEXEC) != 0) {
        const int error = errno;
        if (nullFd >= 0)
            ::close(nullFd);
        throw Failure(FailureCause::OfficeFailedToStart, binary,
            QStringLiteral("cannot prepare the start: %1")
                .arg(QString::fromLocal8Bit(strerror(error))));
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Its own process group, so a kill reaches every process it starts.
        ::setpgid(0, 0);
        // It prints nothing we read, and must not hold our output open: a
        // reader of it (a terminal's pipe, a test runner) would wait for it.
        for (int descriptor : { 0, 1, 2 })
            ::dup2(nullFd, descriptor);
        // The umask an ordinary program gets: the office makes folders of
        // the whole machine's (its shared extensions) that every user's
        // office must read. Its own profile folder is private already.
        ::umask(022);
        ::execve(argv[0], argv.data(), envp.data());
        const int error = errno;
        [[maybe_unused]] const auto written = ::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    const int forkError = errno;
    ::close(nullFd);
    ::close(report[1]);
    if (pid < 0) {
        ::close(report[0]);
        throw Failure(FailureCause::OfficeFailedToStart, binary,
            QStringLiteral("fork: %1").arg(QString::fromLocal8Bit(strerror(forkError))));
    }
    // The pipe closes on a successful exec; an errno on it is a failed one.
    int execError = 0;
    ssize_t got = 0;
    do
        got = ::read(report[0], &execError, sizeof execError);
    while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == sizeof execError) {
        waitpid(pid, nullptr, 0);
        const bool missing = execError == ENOENT || execError == ENOTDIR;
        throw Failure(missing ? FailureCause::OfficeMissing : FailureCause::OfficeFailedToStart,
            binary, QStringLiteral("exec: %1").arg(QString::fromLocal8Bit(strerror(execError))));
    }
    m_pid = pid;
}

void OfficeProcess::connect(std::chrono::steady_clock::time_point deadline)
{
    if (!m_local.is())
        m_local = localContext(m_programFolder);
    const auto resolver = css::bridge::UnoUrlResolver::create(m_local);
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t pid = m_pid;
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) {
            m_pid = 0;
            if (WIFEXITED(status) && WEXITSTATUS(status) == restartExitCode) {
                spawn();
                continue;
            }
            if (m_killed)
                throw Failure(FailureCause::OfficeNotResponding, m_programFolder,
                    QStringLiteral("start deadline"));
            // Installed, but it ended before it answered: a wrong cause would
            // send the clerk to install what is there.
            throw Failure(FailureCause::OfficeFailedToStart, m_programFolder, exitText(status));
        }
        try {
            // The pipe is named anew at each start, a restart included.
            const rtl::OUString url = toOUString(
                QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext").arg(m_pipeName));
            css::uno::Reference<css::uno::XComponentContext> remote(
                resolver->resolve(url), css::uno::UNO_QUERY_THROW);
            keepOfficeOffline(remote);
            m_desktop = css::frame::Desktop::create(remote);
            return;
        } catch (const css::connection::NoConnectException&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    kill();
    throw Failure(
        FailureCause::OfficeNotResponding, m_programFolder, QStringLiteral("connect timeout"));
}

bool OfficeProcess::alive()
{
    const pid_t pid = m_pid;
    if (pid <= 0 || m_killed)
        return false;
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
        m_pid = 0;
        return false;
    }
    return true;
}

void OfficeProcess::kill()
{
    const pid_t pid = m_pid;
    if (pid > 0) {
        m_killed = true;
        ::kill(-pid, SIGKILL);
    }
}

void OfficeProcess::beginPass(const QString& path)
{
    m_passPath = path;
    // File times may be a second coarse.
    m_passStart = QDateTime::currentDateTime().addSecs(-1);
}

void OfficeProcess::endPass()
{
    m_passPath.clear();
}

bool OfficeProcess::diedMakingLock(const QString& path, const QDateTime& lockMade)
{
    const bool ours = !m_diedPath.isEmpty() && path == m_diedPath && lockMade >= m_diedSince;
    m_diedPath.clear();
    return ours;
}

void OfficeProcess::lost()
{
    if (!m_passPath.isEmpty()) {
        m_diedPath = m_passPath;
        m_diedSince = m_passStart;
        m_passPath.clear();
    }
    m_desktop.clear();
    const pid_t pid = m_pid;
    if (pid > 0) {
        ::kill(-pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    m_pid = 0;
    m_killed = false;
}

void OfficeProcess::shutDown()
{
    if (m_desktop.is() && alive()) {
        try {
            m_desktop->terminate();
        } catch (const css::uno::Exception&) {
        }
    }
    m_desktop.clear();
    const pid_t pid = m_pid;
    if (pid <= 0)
        return;
    for (int i = 0; i < 40 && waitpid(pid, nullptr, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    m_pid = 0;
}
