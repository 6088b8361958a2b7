#include "records/workbook_folder.h"

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
    QDir().mkpath(folder);
    QStringList copied;
    for (const QFileInfo& workbook : QDir(templateFolder).entryInfoList({ QStringLiteral("*.xls") }, QDir::Files)) {
        const QString target = QDir(folder).filePath(workbook.fileName());
        if (QFileInfo::exists(target))
            continue;
        // The templates are read-only in the package; the copy is the user's.
        if (QFile::copy(workbook.filePath(), target)) {
            QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                | QFileDevice::ReadGroup | QFileDevice::ReadOther);
            copied << workbook.fileName();
        }
    }
    return copied;
}
