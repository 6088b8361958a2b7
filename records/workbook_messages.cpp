#include "records/workbook_messages.h"

#include <QDir>
#include <QFileInfo>

QString failureMessage(const WorkbookError& error)
{
    const QString file = QFileInfo(error.path()).fileName();
    const QString folder = QDir::toNativeSeparators(QFileInfo(error.path()).absolutePath());
    switch (error.cause()) {
    case WorkbookFailure::OfficeMissing:
        return QStringLiteral("找不到电子表格程序（LibreOffice Calc），请先安装它。");
    case WorkbookFailure::OfficeFailedToStart:
        return QStringLiteral("电子表格程序启动失败，请再试一次；仍然失败时，请把日志文件 "
                              "quorvane.log 交给管理员。");
    case WorkbookFailure::OfficeNotResponding:
        return QStringLiteral("电子表格程序没有响应，已将其关闭；请再试一次。");
    case WorkbookFailure::WorkbookMissing:
        return QStringLiteral("在文件夹“%1”中找不到工作簿“%2”。").arg(folder, file);
    case WorkbookFailure::WorkbookUnreadable:
        return QStringLiteral("无法打开文件夹“%1”中的工作簿“%2”：读不到这个文件。")
            .arg(folder, file);
    case WorkbookFailure::WorkbookOpenElsewhere:
        return QStringLiteral("工作簿“%1”正被其他程序打开或锁定，请先将其关闭，再试一次。")
            .arg(file);
    case WorkbookFailure::WorkbookReadOnly:
        return QStringLiteral("工作簿“%1”是只读的，无法写入。").arg(file);
    case WorkbookFailure::FolderNotWritable:
        return QStringLiteral("无法保存到文件夹“%1”：没有写入权限。").arg(folder);
    case WorkbookFailure::DiskFull:
        return QStringLiteral(
            "磁盘空间不足，工作簿“%1”没有保存；请在文件夹“%2”所在的磁盘上腾出空间，再试一次。")
            .arg(file, folder);
    case WorkbookFailure::WorkbookDamaged:
        return QStringLiteral("工作簿“%1”已损坏或不是 Excel 97 工作簿，无法打开。").arg(file);
    case WorkbookFailure::SheetMissing:
        return QStringLiteral("工作簿“%1”中没有工作表“%2”。").arg(file, error.detail());
    case WorkbookFailure::SheetProtected:
        return QStringLiteral("工作簿“%1”中的工作表“%2”受保护，无法写入；没有写入任何内容。")
            .arg(file, error.detail());
    case WorkbookFailure::NotAFile:
        return QStringLiteral("文件夹“%1”中的“%2”不是普通文件（可能是链接），不会写入它。")
            .arg(folder, file);
    case WorkbookFailure::Link:
        return QStringLiteral(
            "文件夹“%1”中的“%2”是一个链接（可能指向别处），不会通过它打开或写入。")
            .arg(folder, file);
    case WorkbookFailure::Other:
        break;
    }
    // The office's own words go to the log, never to the clerk.
    return QStringLiteral("电子表格程序出错，工作簿“%1”没有改动；请再试一次。").arg(file);
}
