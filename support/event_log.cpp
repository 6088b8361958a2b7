#include "support/event_log.h"

#include "support/regular_file.h"

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
    if (!path.isEmpty()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        // Opening a FIFO to append would block until someone reads it.
        if (entryAt(path) == EntryKind::Other)
            setAside(path);
    }
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
    if (!logPath.isEmpty() && entryAt(logPath) != EntryKind::Other) {
        rotateIfFull();
        QFile file(logPath);
        if (file.open(QIODevice::Append) && file.write(line) == line.size())
            return;
    }
    std::fputs(line.constData(), stderr);
}
