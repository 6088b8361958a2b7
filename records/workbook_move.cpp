#include "records/workbook_move.h"

#include "records/event_log.h"
#include "support/durable_file.h"
#include "support/own_folder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

const QString archiveName = QStringLiteral("账单");

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool sameContent(const QString& first, const QString& second)
{
    QFile a(first), b(second);
    if (a.size() != b.size() || !a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return false;
    return a.readAll() == b.readAll() && a.error() == QFile::NoError && b.error() == QFile::NoError;
}

// What a move made, taken back when it fails.
class MadeSoFar {
public:
    bool makeFolder(const QString& path)
    {
        for (const QString& folder : missingFolders(path)) {
            if (!QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
                return false;
            m_folders.prepend(folder);
        }
        return true;
    }
    void addFile(const QString& path) { m_files << path; }
    void takeBack() const
    {
        for (const QString& file : m_files)
            QFile::remove(file);
        for (const QString& folder : m_folders)
            QDir().rmdir(folder);
    }

private:
    QStringList m_files;
    QStringList m_folders; // innermost first
};

// The copy is written beside the target, synced and read back; only then
// does it take the target's name, which it never takes from another file.
QString copyChecked(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return in.errorString();
    const QByteArray bytes = in.readAll();
    if (in.error() != QFile::NoError)
        return in.errorString();
    if (const Done written = createFileDurably(target, bytes); !written.ok())
        return written.logText();
    QFile copied(target);
    if (copied.open(QIODevice::Append))
        copied.setFileTime(QFileInfo(source).lastModified(), QFileDevice::FileModificationTime);
    return {};
}

WorkbookMove failed(const QString& cause, const QString& detail)
{
    logEvent(QStringLiteral("workbooks not moved: %1").arg(detail));
    return { WorkbookMove::Outcome::Failed, {}, cause };
}

// Old folders whose files the move would remove.
QStringList sourceFolders(const QString& from, const QStringList& files)
{
    QStringList folders;
    for (const QString& file : files)
        folders << QFileInfo(QDir(from).filePath(file)).path();
    folders.removeDuplicates();
    return folders;
}

void removeOld(const QString& from, const QStringList& files)
{
    // An old workbook a power cut brings back, and the new one posted to
    // since, would differ and stop every later start's move.
    for (const QString& file : files)
        if (const Done removed = removeFileDurably(QDir(from).filePath(file)); !removed.ok())
            logEvent(QStringLiteral("moved workbook file %1 left in %2: %3")
                         .arg(file, from, removed.logText()));
    QStringList folders = sourceFolders(from, files);
    std::sort(folders.begin(), folders.end(),
        [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& folder : folders)
        if (folder != QDir::cleanPath(from))
            QDir().rmdir(folder);
}

} // namespace

QStringList yardFilesIn(const QString& from)
{
    const QDir folder(from);
    QStringList files
        = folder.entryList({ QStringLiteral("*.xls") }, QDir::Files | QDir::NoSymLinks);
    QDirIterator archive(
        folder.filePath(archiveName), QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (archive.hasNext())
        files << folder.relativeFilePath(archive.next());
    std::sort(files.begin(), files.end());
    return files;
}

WorkbookMove moveYardFiles(const QString& from, const QString& to)
{
    const QStringList files = yardFilesIn(from);
    if (files.isEmpty())
        return {};
    QStringList toCopy;
    for (const QString& file : files) {
        const QString target = QDir(to).filePath(file);
        const QFileInfo there(target);
        if (!there.exists() && !there.isSymLink())
            toCopy << file;
        else if (!there.isFile() || there.isSymLink()
            || !sameContent(QDir(from).filePath(file), target))
            return failed(QStringLiteral("那里已有内容不同的“%1”").arg(shown(file)),
                QStringLiteral("%1 differs from %2").arg(target, file));
    }
    for (const QString& folder : sourceFolders(from, files))
        if (!QFileInfo(folder).isWritable())
            return failed(QStringLiteral("文件夹“%1”不能修改").arg(shown(folder)),
                QStringLiteral("%1 is not writable").arg(folder));

    MadeSoFar made;
    for (const QString& file : toCopy) {
        const QString target = QDir(to).filePath(file);
        if (!made.makeFolder(QFileInfo(target).path())) {
            made.takeBack();
            return failed(QStringLiteral("不能建立文件夹“%1”").arg(shown(QFileInfo(target).path())),
                QStringLiteral("cannot make %1").arg(QFileInfo(target).path()));
        }
        const QString cause = copyChecked(QDir(from).filePath(file), target);
        if (!cause.isEmpty()) {
            made.takeBack();
            return failed(QStringLiteral("复制“%1”没有成功").arg(shown(file)),
                QStringLiteral("copying %1 to %2: %3").arg(file, to, cause));
        }
        made.addFile(target);
    }
    removeOld(from, files);
    logEvent(QStringLiteral("workbooks moved from %1 to %2: %3").arg(from, to, files.join(u' ')));
    return { WorkbookMove::Outcome::Moved, files, {} };
}
