#include "records/event_log.h"

#include "records/workbook.h"
#include "support/failure.h"

#include <QDateTime>
#include <QFileInfo>

void logPass(const QString& what, const QString& path, qint64 ms, const Failure* error)
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

void PassLog::failed(const Failure& error)
{
    m_failed = true;
    logPass(m_what, m_path, QDateTime::currentMSecsSinceEpoch() - m_startMs, &error);
}
