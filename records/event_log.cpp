#include "records/event_log.h"

#include "records/workbook.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <cstdio>

namespace {

QMutex logLock;
QString logPath;
QtMessageHandler qtDefaultHandler = nullptr;

// Qt's warnings (a database driver's among them) belong with the program's
// own entries; they still reach standard error too.
void logQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
        logEvent(QStringLiteral("qt: ") + message);
    if (qtDefaultHandler)
        qtDefaultHandler(type, context, message);
}

QString causeName(WorkbookFailure cause)
{
    switch (cause) {
    case WorkbookFailure::OfficeMissing: return QStringLiteral("office missing");
    case WorkbookFailure::OfficeNotResponding: return QStringLiteral("office not responding");
    case WorkbookFailure::WorkbookMissing: return QStringLiteral("workbook missing");
    case WorkbookFailure::WorkbookUnreadable: return QStringLiteral("workbook unreadable");
    case WorkbookFailure::WorkbookOpenElsewhere: return QStringLiteral("open elsewhere");
    case WorkbookFailure::WorkbookReadOnly: return QStringLiteral("read-only");
    case WorkbookFailure::FolderNotWritable: return QStringLiteral("folder not writable");
    case WorkbookFailure::DiskFull: return QStringLiteral("disk full");
    case WorkbookFailure::WorkbookDamaged: return QStringLiteral("damaged");
    case WorkbookFailure::SheetMissing: return QStringLiteral("sheet missing");
    case WorkbookFailure::SheetProtected: return QStringLiteral("sheet protected");
    case WorkbookFailure::Other: break;
    }
    return QStringLiteral("office error");
}

// The older half is kept as <log>.1, so the log never outgrows two files.
void rotateIfFull()
{
    if (QFileInfo(logPath).size() < eventLogLimit)
        return;
    const QString older = logPath + QStringLiteral(".1");
    QFile::remove(older);
    QFile::rename(logPath, older);
}

} // namespace

void openEventLog(const QString& path)
{
    QMutexLocker locker(&logLock);
    if (!path.isEmpty())
        QDir().mkpath(QFileInfo(path).absolutePath());
    logPath = path;
}

void logQtWarnings()
{
    QtMessageHandler previous = qInstallMessageHandler(logQtMessage);
    if (previous != logQtMessage)
        qtDefaultHandler = previous;
}

void logEvent(const QString& text)
{
    const QByteArray line = (QDateTime::currentDateTime().toString(Qt::ISODateWithMs)
        + QLatin1Char(' ') + text + QLatin1Char('\n'))
                                .toUtf8();
    QMutexLocker locker(&logLock);
    if (!logPath.isEmpty()) {
        rotateIfFull();
        QFile file(logPath);
        if (file.open(QIODevice::Append) && file.write(line) == line.size())
            return;
    }
    std::fputs(line.constData(), stderr);
}

void logPass(const QString& what, const QString& path, qint64 ms, const WorkbookError* error)
{
    QString text = QStringLiteral("%1 %2: %3 ms, ").arg(what, QFileInfo(path).fileName()).arg(ms);
    if (!error)
        text += QStringLiteral("ok");
    else
        text += QStringLiteral("failed: %1 (%2) %3")
                    .arg(causeName(error->cause()), error->path(), error->detail());
    logEvent(text);
}

PassLog::PassLog(QString what, QString path)
    : m_what(std::move(what))
    , m_path(std::move(path))
    , m_startMs(QDateTime::currentMSecsSinceEpoch())
{
}

PassLog::~PassLog()
{
    if (!m_failed)
        logPass(m_what, m_path, QDateTime::currentMSecsSinceEpoch() - m_startMs, nullptr);
}

void PassLog::failed(const WorkbookError& error)
{
    m_failed = true;
    logPass(m_what, m_path, QDateTime::currentMSecsSinceEpoch() - m_startMs, &error);
}
