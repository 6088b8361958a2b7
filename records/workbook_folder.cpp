#include "records/workbook_folder.h"

#include "records/event_log.h"
#include "records/workbook_move.h"
#include "support/own_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool isInstalledProgram(const QString& programFolder)
{
    const QString folder = QDir::cleanPath(QFileInfo(programFolder).absoluteFilePath());
    return folder.startsWith(QLatin1String("/usr/"));
}

QString workbookTemplateFolder(const QString& programFolder)
{
    // bin/../share/quorvane, as the package lays it out.
    return QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral("../share/quorvane")));
}

QStringList seedWorkbooks(const QString& templateFolder, const QString& folder)
{
    makeOwnFolder(folder);
    QStringList copied;
    for (const QFileInfo& workbook :
        QDir(templateFolder).entryInfoList({ QStringLiteral("*.xls") }, QDir::Files)) {
        const QString target = QDir(folder).filePath(workbook.fileName());
        if (QFileInfo::exists(target))
            continue;
        // The templates are read-only in the package; the copy is the user's.
        if (QFile::copy(workbook.filePath(), target)) {
            QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            copied << workbook.fileName();
        }
    }
    return copied;
}

WorkbookFolderChoice chooseWorkbookFolder(
    const QString& programFolder, const QString& data, const QString& documents)
{
    if (!isInstalledProgram(programFolder))
        return { programFolder, {} };
    return installedWorkbookFolder(workbookTemplateFolder(programFolder), data, documents);
}

WorkbookFolderChoice installedWorkbookFolder(
    const QString& templates, const QString& data, const QString& documents)
{
    const QString folder
        = QDir(documents.isEmpty() ? data : documents).filePath(QStringLiteral("Quorvane"));
    const WorkbookMove move = moveYardFiles(data, folder);
    if (move.outcome == WorkbookMove::Outcome::Failed) {
        seedWorkbooks(templates, data);
        return { data,
            QStringLiteral("出入库台账和账单没能移到文件夹“%1”：%2。它们仍在文件夹“%"
                           "3”中，这次照常使用那里的文件。")
                .arg(
                    QDir::toNativeSeparators(folder), move.cause, QDir::toNativeSeparators(data)) };
    }
    const QStringList seeded = seedWorkbooks(templates, folder);
    if (!seeded.isEmpty())
        logEvent(QStringLiteral("workbooks %1 copied to %2").arg(seeded.join(u' '), folder));
    if (move.outcome == WorkbookMove::Outcome::Moved)
        return { folder,
            QStringLiteral("出入库台账和账单已从文件夹“%1”移到文件夹“%2”中。")
                .arg(QDir::toNativeSeparators(data), QDir::toNativeSeparators(folder)) };
    if (!seeded.isEmpty())
        return { folder,
            QStringLiteral("出入库台账和账单保存在文件夹“%1”中。")
                .arg(QDir::toNativeSeparators(folder)) };
    return { folder, {} };
}
