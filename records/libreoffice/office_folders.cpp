#include "records/libreoffice/office_folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace {

// The folder and the ones the office reads within it on every start.
QStringList sharedFoldersFrom(const QString& base)
{
    const QString real = QFileInfo(base).canonicalFilePath();
    if (real.isEmpty())
        return {};
    const QDir root(real);
    return { real, root.filePath(QStringLiteral("cache")),
        root.filePath(QStringLiteral("cache/uno_packages")) };
}

} // namespace

QStringList officeFoldersClosedToUs(const QString& programFolder)
{
    QStringList candidates
        = sharedFoldersFrom(QDir(programFolder).filePath(QStringLiteral("../share/uno_packages")));
    candidates += sharedFoldersFrom(QStringLiteral("/var/spool/libreoffice/uno_packages"));
    QStringList closed;
    for (const QString& folder : candidates) {
        const QFileInfo info(folder);
        if (!info.isDir() || closed.contains(folder))
            continue;
        if (::access(QFile::encodeName(folder).constData(), R_OK | X_OK) != 0)
            closed << folder;
    }
    return closed;
}

QString closedOfficeFoldersMessage(const QStringList& folders)
{
    QStringList quoted;
    for (const QString& folder : folders)
        quoted << QStringLiteral("'%1'").arg(folder);
    return QStringLiteral(
        "电子表格程序的公用文件夹“%1”只有另一个用户能打开（可能是曾用管理员身份启动过），"
        "所以电子表格程序在这里无法启动，入库、出库和账单都做不了。\n"
        "请让管理员执行：sudo chmod -R a+rX %2")
        .arg(folders.join(QStringLiteral("”、“")), quoted.join(u' '));
}
