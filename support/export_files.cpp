#include "support/export_files.h"

#include "support/durable_file.h"
#include "support/event_log.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString writeFailure(const WriteResult& result)
{
    const QFileInfo file(result.path());
    const QString folder = QDir::toNativeSeparators(file.absolutePath());
    switch (result.cause()) {
    case WriteFailure::FolderMissing:
        return QStringLiteral("文件夹“%1”不存在，文件没有保存。").arg(folder);
    case WriteFailure::NotWritable:
        return QStringLiteral("无法保存到文件夹“%1”：没有写入权限。").arg(folder);
    case WriteFailure::DiskFull:
        return QStringLiteral(
            "磁盘空间不足，文件“%1”没有保存；请在文件夹“%2”所在的磁盘上腾出空间，再试一次。")
            .arg(file.fileName(), folder);
    case WriteFailure::NotAFile:
        return QStringLiteral("“%1”不是普通文件（可能是链接），没有保存到那里。")
            .arg(file.fileName());
    case WriteFailure::None:
    case WriteFailure::Other:
        break;
    }
    return QStringLiteral("文件“%1”无法写入，没有保存。").arg(file.fileName());
}

} // namespace

QString writeWholeFile(const QString& path, const QByteArray& bytes)
{
    const WriteResult written = writeFileDurably(path, bytes);
    if (written.ok())
        return {};
    logEvent(QStringLiteral("export %1 failed: %2").arg(path, written.logText()));
    return writeFailure(written);
}
