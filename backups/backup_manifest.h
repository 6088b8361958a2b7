#pragma once

// A backup's list of files: `manifest.sha256` in sha256sum's format (so
// `sha256sum -c manifest.sha256` checks a backup by hand) and `sizes.txt`
// beside it with each file's size. Paths are relative to the backup.

#include "support/failure.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QString>

struct ManifestEntry {
    QString path;
    QByteArray sha256; // hex
    qint64 size = 0;
};

QByteArray manifestText(const QList<ManifestEntry>& entries);
QByteArray sizesText(const QList<ManifestEntry>& entries);

// The entries of a backup folder; BackupMismatch when its lists are
// missing, do not parse, disagree, or name a path outside the backup.
Result<QList<ManifestEntry>> readManifest(const QString& backupFolder);

// Whether every file of the backup is there, a regular file, of its size
// and hash: Damaged at the first path that is not; TimedOut past
// `deadline` (checked between files).
Done verifyBackupFiles(
    const QString& backupFolder, QDeadlineTimer deadline = QDeadlineTimer::Forever);

// A manifest path that stays inside its backup.
bool isSafeRelativePath(const QString& path);
