#include "backups/backup_plan.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

const QString historyFile = QStringLiteral("quorvane.sqlite");
const QString archiveFolder = QStringLiteral("账单");
// The stock ledgers of earlier years and of full ledgers.
const QString ledgerArchiveFolder = QStringLiteral("台账存档");

struct Area {
    QString name;
    QString BackupSources::*folder;
};

const Area areas[] = {
    { QStringLiteral("数据"), &BackupSources::data },
    { QStringLiteral("文档"), &BackupSources::documents },
    { QStringLiteral("设置"), &BackupSources::config },
    { QStringLiteral("单价"), &BackupSources::prices },
};

bool skippedDataFile(const QString& name)
{
    // The locks (the program's, the tally journal's) belong to the running
    // program; WAL and journal files are part of the live store, whose copy
    // is taken whole.
    return name.endsWith(QLatin1String(".lock")) || name.endsWith(QLatin1String("-wal"))
        || name.endsWith(QLatin1String("-shm")) || name.endsWith(QLatin1String("-journal"))
        || name.contains(QLatin1String(".part-"));
}

QFileInfoList regularFiles(const QString& folder, const QStringList& filters = {})
{
    QFileInfoList files;
    const QFileInfo where(folder);
    if (folder.isEmpty() || !where.isDir() || where.isSymLink())
        return files;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        filters, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& entry : entries)
        if (entry.isFile() && !entry.isSymLink())
            files.append(entry);
    return files;
}

class Planner {
public:
    void add(
        const QFileInfo& file, const QString& path, bool history = false, bool archived = false)
    {
        const QString source = file.absoluteFilePath();
        if (m_taken.contains(source))
            return;
        m_taken.insert(source);
        m_files.append({ source, path, history, archived });
    }
    void addArchive(const QString& documents, const QString& area, const QString& folder)
    {
        const QString root = QDir(documents).filePath(folder);
        const QFileInfo where(root);
        if (!where.isDir() || where.isSymLink())
            return;
        QDirIterator it(
            root, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
        QStringList found;
        while (it.hasNext())
            found.append(it.next());
        found.sort();
        for (const QString& path : found) {
            const QFileInfo file(path);
            if (file.isFile() && !file.isSymLink())
                add(file, area + QLatin1Char('/') + QDir(documents).relativeFilePath(path), false,
                    true);
        }
    }
    QList<PlannedFile> files() const { return m_files; }

private:
    QSet<QString> m_taken;
    QList<PlannedFile> m_files;
};

} // namespace

QList<PlannedFile> planBackup(const BackupSources& sources)
{
    Planner plan;
    const QString data = areas[0].name + QLatin1Char('/');
    for (const QFileInfo& file : regularFiles(sources.data))
        if (!skippedDataFile(file.fileName()))
            plan.add(file, data + file.fileName(), file.fileName() == historyFile);
    const QString documents = areas[1].name + QLatin1Char('/');
    for (const QFileInfo& file : regularFiles(sources.documents, { QStringLiteral("*.xls") }))
        plan.add(file, documents + file.fileName());
    if (!sources.documents.isEmpty()) {
        plan.addArchive(sources.documents, areas[1].name, archiveFolder);
        plan.addArchive(sources.documents, areas[1].name, ledgerArchiveFolder);
    }
    for (const QFileInfo& file : regularFiles(sources.config))
        if (!file.fileName().contains(QLatin1String(".part-")))
            plan.add(file, areas[2].name + QLatin1Char('/') + file.fileName());
    for (const QFileInfo& file : regularFiles(sources.prices, { QStringLiteral("1(*).txt") }))
        plan.add(file, areas[3].name + QLatin1Char('/') + file.fileName());
    return plan.files();
}

QString historyPath()
{
    return areas[0].name + QLatin1Char('/') + historyFile;
}

QString ledgerInBackup()
{
    return areas[1].name + QStringLiteral("/木材出入库台账.xls");
}

bool isWorkbookPath(const QString& path)
{
    return path.startsWith(areas[1].name + QLatin1Char('/')) && path.count(QLatin1Char('/')) == 1
        && path.endsWith(QLatin1String(".xls"));
}

QString settingsInBackup()
{
    return areas[2].name + QStringLiteral("/quorvane.ini");
}

qint64 largestSettings()
{
    return 1024 * 1024;
}

QString journalPath()
{
    return areas[0].name + QStringLiteral("/tally-journal.json");
}

QString restoredPath(const QString& path, const BackupSources& sources)
{
    static const QRegularExpression priceFile(QStringLiteral("^(单价|设置)/1\\(\\d+\\)\\.txt$"));
    const auto under = [](const QString& folder, const QString& inside) {
        return folder.isEmpty() ? QString() : QDir(folder).filePath(inside);
    };
    const QString name = path.mid(path.indexOf(QLatin1Char('/')) + 1);
    if (path == historyPath() || path == journalPath()
        || path == areas[0].name + QStringLiteral("/history-waiting.json"))
        return under(sources.data, name);
    const auto inFolder = [&](const QString& folder) {
        return path.startsWith(areas[1].name + QLatin1Char('/') + folder + QLatin1Char('/'));
    };
    if (isWorkbookPath(path) || inFolder(archiveFolder) || inFolder(ledgerArchiveFolder))
        return under(sources.documents, name);
    if (priceFile.match(path).hasMatch())
        return under(sources.prices, name);
    return QString();
}
