#include "backups/backup_manifest.h"

#include "backups/stranger_files.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <optional>

namespace {

// A list a hand put a link or a FIFO in place of is no list; nor is one
// reached through a link.
std::optional<QByteArray> readSmallFile(const QString& backupFolder, const QString& name)
{
    RegularFileRead read = readInside(insideBackup(backupFolder, name), 16 * 1024 * 1024);
    if (read.outcome != RegularFileRead::Read)
        return std::nullopt;
    return std::move(read.bytes);
}

Failure unreadManifest(const QString& backupFolder)
{
    return Failure(
        FailureCause::BackupMismatch, backupFolder, QStringLiteral("manifest does not read"));
}

// Lower-case hex of 64 digits, as sha256sum writes it.
bool isSha256Hex(QByteArrayView text)
{
    if (text.size() != 64)
        return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// Calls `take` with each line but the empty ones; stops at its false.
template <typename Take> bool eachLine(const QByteArray& text, Take take)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        if (end > start && !take(QByteArrayView(text).sliced(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
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
    for (qsizetype start = 0; start <= path.size();) {
        qsizetype end = path.indexOf(QLatin1Char('/'), start);
        if (end < 0)
            end = path.size();
        const QStringView part = QStringView(path).sliced(start, end - start);
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
        start = end + 1;
    }
    return true;
}

Result<QList<ManifestEntry>> readManifest(const QString& backupFolder)
{
    const std::optional<QByteArray> hashes
        = readSmallFile(backupFolder, QStringLiteral("manifest.sha256"));
    const std::optional<QByteArray> sizes
        = readSmallFile(backupFolder, QStringLiteral("sizes.txt"));
    if (!hashes || !sizes)
        return unreadManifest(backupFolder);
    // Raw path bytes as keys: a year of backups is read at every backup.
    QHash<QByteArrayView, qint64> sizeOf;
    sizeOf.reserve(sizes->count('\n') + 1);
    const bool sizesParse = eachLine(*sizes, [&sizeOf](QByteArrayView line) {
        const qsizetype tab = line.indexOf('\t');
        bool isNumber = false;
        const qint64 size = tab < 0 ? -1 : line.first(tab).toLongLong(&isNumber);
        if (!isNumber || size < 0)
            return false;
        sizeOf.insert(line.sliced(tab + 1), size);
        return true;
    });
    if (!sizesParse)
        return unreadManifest(backupFolder);
    QList<ManifestEntry> entries;
    entries.reserve(sizeOf.size());
    const bool hashesParse = eachLine(*hashes, [&sizeOf, &entries](QByteArrayView line) {
        if (line.size() < 67 || line.sliced(64, 2) != "  " || !isSha256Hex(line.first(64)))
            return false;
        const auto size = sizeOf.constFind(line.sliced(66));
        ManifestEntry entry { QString::fromUtf8(line.sliced(66)), line.first(64).toByteArray() };
        if (size == sizeOf.constEnd() || !isSafeRelativePath(entry.path))
            return false;
        entry.size = size.value();
        entries.append(entry);
        return true;
    });
    if (!hashesParse || entries.size() != sizeOf.size() || entries.isEmpty())
        return unreadManifest(backupFolder);
    return entries;
}

Done verifyBackupFiles(const QString& backupFolder, QDeadlineTimer deadline)
{
    const Result<QList<ManifestEntry>> entries = readManifest(backupFolder);
    if (!entries)
        return Failure(FailureCause::Damaged, QStringLiteral("manifest.sha256"));
    for (const ManifestEntry& entry : *entries) {
        if (deadline.hasExpired())
            return Failure(FailureCause::TimedOut, entry.path);
        const CopiedFile file = hashInside(insideBackup(backupFolder, entry.path));
        if (!file.ok() || file.size != entry.size || file.sha256 != entry.sha256)
            return Failure(FailureCause::Damaged, entry.path);
    }
    return {};
}
