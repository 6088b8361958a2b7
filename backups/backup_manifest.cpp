#include "backups/backup_manifest.h"

#include "backups/backup_files.h"
#include "support/regular_file.h"

#include <QDir>
#include <QFile>
#include <QHash>

namespace {

// A list a hand put a link or a FIFO in place of is no list.
QByteArray readSmallFile(const QString& path, bool* ok)
{
    const RegularFileRead read = readRegularFile(path, 64 * 1024 * 1024);
    *ok = read.outcome == RegularFileRead::Read;
    return read.bytes;
}

} // namespace

QByteArray manifestText(const QList<ManifestEntry>& entries)
{
    QByteArray text;
    for (const ManifestEntry& entry : entries)
        text += entry.sha256 + "  " + entry.path.toUtf8() + '\n';
    return text;
}

QByteArray sizesText(const QList<ManifestEntry>& entries)
{
    QByteArray text;
    for (const ManifestEntry& entry : entries)
        text += QByteArray::number(entry.size) + '\t' + entry.path.toUtf8() + '\n';
    return text;
}

bool isSafeRelativePath(const QString& path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.contains(QLatin1Char('\\'))
        || path.contains(QLatin1Char('\n')))
        return false;
    const QStringList parts = path.split(QLatin1Char('/'));
    for (const QString& part : parts)
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    return true;
}

bool readManifest(const QString& backupFolder, QList<ManifestEntry>* entries)
{
    const QDir folder(backupFolder);
    bool hashesRead = false, sizesRead = false;
    const QByteArray hashes
        = readSmallFile(folder.filePath(QStringLiteral("manifest.sha256")), &hashesRead);
    const QByteArray sizes
        = readSmallFile(folder.filePath(QStringLiteral("sizes.txt")), &sizesRead);
    if (!hashesRead || !sizesRead)
        return false;
    QHash<QString, qint64> sizeOf;
    for (const QByteArray& line : sizes.split('\n')) {
        if (line.isEmpty())
            continue;
        const int tab = line.indexOf('\t');
        bool isNumber = false;
        const qint64 size = line.left(tab).toLongLong(&isNumber);
        if (tab < 0 || !isNumber || size < 0)
            return false;
        sizeOf.insert(QString::fromUtf8(line.mid(tab + 1)), size);
    }
    entries->clear();
    for (const QByteArray& line : hashes.split('\n')) {
        if (line.isEmpty())
            continue;
        ManifestEntry entry;
        entry.sha256 = line.left(64);
        entry.path = QString::fromUtf8(line.mid(66));
        if (line.size() < 67 || line.mid(64, 2) != "  " || !isSafeRelativePath(entry.path)
            || QByteArray::fromHex(entry.sha256).toHex() != entry.sha256
            || !sizeOf.contains(entry.path))
            return false;
        entry.size = sizeOf.value(entry.path);
        entries->append(entry);
    }
    return entries->size() == sizeOf.size() && !entries->isEmpty();
}

bool verifyBackupFiles(const QString& backupFolder, QString* damaged)
{
    QList<ManifestEntry> entries;
    if (!readManifest(backupFolder, &entries)) {
        if (damaged)
            *damaged = QStringLiteral("manifest.sha256");
        return false;
    }
    const QDir folder(backupFolder);
    for (const ManifestEntry& entry : entries) {
        const CopiedFile file = hashRegularFile(folder.filePath(entry.path));
        if (!file.ok() || file.size != entry.size || file.sha256 != entry.sha256) {
            if (damaged)
                *damaged = entry.path;
            return false;
        }
    }
    return true;
}
