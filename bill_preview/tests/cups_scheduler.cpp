#include "cups_scheduler.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QThread>
#include <unistd.h>

namespace {

int freeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool writeText(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(text.toUtf8()) == text.toUtf8().size();
}

} // namespace

CupsScheduler::CupsScheduler(const QString& folder)
    : m_folder(folder)
{
}

CupsScheduler::~CupsScheduler()
{
    if (m_cupsd.state() != QProcess::NotRunning) {
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(10000)) {
            m_cupsd.kill();
            m_cupsd.waitForFinished(10000);
        }
    }
}

bool CupsScheduler::writeConfiguration()
{
    const QDir root(m_folder);
    for (const char* sub : { "spool", "spool/tmp", "cache", "state", "log", "out" })
        root.mkpath(QLatin1String(sub));
    // Run as root, the scheduler writes the queues' files as its user lp.
    const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup
        | QFile::ExeOther;
    QFile::setPermissions(QFileInfo(m_folder).absolutePath(), open);
    QFile::setPermissions(root.filePath(QStringLiteral("out")),
        open | QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup);
    m_server = QStringLiteral("127.0.0.1:%1").arg(freeLoopbackPort());
    // No authentication anywhere: the scheduler is the test's, on loopback only.
    const QString conf
        = QStringLiteral("Listen %1\nBrowsing No\nLogLevel warn\n"
                         "DefaultAuthType None\nDefaultPolicy open\n"
                         "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                         "<Policy open>\n  <Limit All>\n    Order deny,allow\n"
                         "  </Limit>\n</Policy>\n")
              .arg(m_server);
    const QString user = geteuid() == 0 ? QStringLiteral("User lp\nGroup lp\n") : QString();
    const QString files
        = QStringLiteral("FileDevice Yes\nServerRoot %1\nRequestRoot %1/spool\n"
                         "TempDir %1/spool/tmp\nCacheDir %1/cache\nStateDir %1/state\n"
                         "AccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
                         "PageLog %1/log/page_log\n"
                         "Sandboxing Relaxed\n")
              .arg(root.absolutePath())
        + user;
    return writeText(root.filePath(QStringLiteral("cupsd.conf")), conf)
        && writeText(root.filePath(QStringLiteral("cups-files.conf")), files);
}

bool CupsScheduler::start()
{
    if (!writeConfiguration()) {
        m_why = QStringLiteral("cannot write the configuration in %1").arg(m_folder);
        return false;
    }
    const QDir root(m_folder);
    m_cupsd.setProcessChannelMode(QProcess::ForwardedChannels);
    m_cupsd.start(QStringLiteral("/usr/sbin/cupsd"),
        { QStringLiteral("-f"), QStringLiteral("-c"), root.filePath(QStringLiteral("cupsd.conf")),
            QStringLiteral("-s"), root.filePath(QStringLiteral("cups-files.conf")) });
    if (!m_cupsd.waitForStarted(10000)) {
        m_why = QStringLiteral("cupsd did not start: %1").arg(m_cupsd.errorString());
        return false;
    }
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        if (m_cupsd.state() == QProcess::NotRunning)
            break;
        QString answer;
        if (client(QStringLiteral("lpstat"), { QStringLiteral("-r") }, &answer)
            && answer.contains(QStringLiteral("scheduler is running")))
            return true;
        m_cupsd.waitForFinished(100);
    }
    QFile log(root.filePath(QStringLiteral("log/error_log")));
    log.open(QIODevice::ReadOnly);
    m_why = QStringLiteral("cupsd did not answer on %1: %2").arg(m_server, log.readAll());
    return false;
}

bool CupsScheduler::client(const QString& program, const QStringList& arguments, QString* output)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, QStringList { QStringLiteral("-h"), m_server } + arguments);
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    const QString text = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = text;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A queue without a driver runs no process at all, and a file device then
// receives nothing: gziptoany (CUPS's own) passes the PDF through unchanged.
const char* passThroughPpd = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "PASSPDF.PPD"
*Manufacturer: "Test"
*Product: "(Pass PDF)"
*ModelName: "Pass PDF"
*ShortNickName: "Pass PDF"
*NickName: "Pass PDF"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter: "application/pdf 0 gziptoany"
*OpenUI *PageSize: PickOne
*DefaultPageSize: A4
*PageSize A4/A4: ""
*CloseUI: *PageSize
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
)ppd";

bool CupsScheduler::addQueue(const QString& name, const QString& outputFile)
{
    const QString ppd = QDir(m_folder).filePath(QStringLiteral("pass-pdf.ppd"));
    if (!writeText(ppd, QString::fromLatin1(passThroughPpd))) {
        m_why = QStringLiteral("cannot write %1").arg(ppd);
        return false;
    }
    QString output;
    const bool added = client(QStringLiteral("lpadmin"),
        { QStringLiteral("-p"), name, QStringLiteral("-v"), QStringLiteral("file://") + outputFile,
            QStringLiteral("-P"), ppd, QStringLiteral("-E") },
        &output);
    if (!added)
        m_why = QStringLiteral("lpadmin: %1").arg(output);
    return added;
}

int CupsScheduler::completedJobs(const QString& queue)
{
    QString output;
    if (!client(QStringLiteral("lpstat"),
            { QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o"), queue },
            &output))
        return -1;
    return int(output.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
}
