#include "records/event_log.h"

#include "records/workbook.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

QString causeName(WorkbookFailure cause)
{
    switch (cause) {
    case WorkbookFailure::OfficeMissing:
        return QStringLiteral("office missing");
    case WorkbookFailure::OfficeFailedToStart:
        return QStringLiteral("office failed to start");
    case WorkbookFailure::OfficeNotResponding:
        return QStringLiteral("office not responding");
    case WorkbookFailure::WorkbookMissing:
        return QStringLiteral("workbook missing");
    case WorkbookFailure::WorkbookUnreadable:
        return QStringLiteral("workbook unreadable");
    case WorkbookFailure::WorkbookOpenElsewhere:
        return QStringLiteral("open elsewhere");
    case WorkbookFailure::WorkbookReadOnly:
        return QStringLiteral("read-only");
    case WorkbookFailure::FolderNotWritable:
        return QStringLiteral("folder not writable");
    case WorkbookFailure::DiskFull:
        return QStringLiteral("disk full");
    case WorkbookFailure::WorkbookDamaged:
        return QStringLiteral("damaged");
    case WorkbookFailure::SheetMissing:
        return QStringLiteral("sheet missing");
    case WorkbookFailure::SheetProtected:
        return QStringLiteral("sheet protected");
    case WorkbookFailure::NotAFile:
        return QStringLiteral("not a regular file");
    case WorkbookFailure::Link:
        return QStringLiteral("a link");
    case WorkbookFailure::Other:
        break;
    }
    return QStringLiteral("office error");
}

} // namespace

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
