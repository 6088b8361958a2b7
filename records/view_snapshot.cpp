#include "records/view_snapshot.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <atomic>

namespace {

QString viewFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
        .filePath(QStringLiteral("views"));
}

void removeOldViews(const QString& folder)
{
    const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files))
        if (file.lastModified() < dayAgo)
            QFile::remove(file.filePath());
}

} // namespace

QString viewSnapshotPath(const QString& workbook)
{
    const QString folder = viewFolder();
    QDir().mkpath(folder);
    removeOldViews(folder);
    static std::atomic<int> views { 0 };
    const QFileInfo live(workbook);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    return QDir(folder).filePath(QStringLiteral("%1-%2-%3-%4.%5")
                                     .arg(live.completeBaseName(), stamp)
                                     .arg(QCoreApplication::applicationPid())
                                     .arg(++views)
                                     .arg(live.suffix()));
}
