#pragma once

// Backups of everything a yard keeps, as dated folders
// `备份/YYYY-MM-DD-HHMMSS` in a place: taken, verified, listed, rotated and
// copied to a second place. Plain functions over files, run on a worker
// thread by BackupService. Inside a backup each source folder has its own
// folder: 数据 (the history, journal and log), 文档 (the workbooks and the
// bill archive 账单), 设置 (the configuration) and 单价 (the unit prices,
// when they have a folder of their own).

#include <QDateTime>
#include <QList>
#include <QString>

struct BackupSources {
    QString data;
    QString documents;
    QString config;
    QString prices;
};

enum class BackupFailure {
    None,
    PlaceMissing,
    PlaceNotWritable,
    PlaceFull,
    Unreadable,
    Unverified
};

struct BackupInfo {
    QString folder; // absolute path
    QString name; // YYYY-MM-DD-HHMMSS
    QDateTime time;
    QString place; // the 备份 folder that holds it
    qint64 size = 0;
    qint64 loads = -1; // -1: no history in it
    qint64 ledgerRows = -1; // rows posted in its ledger; -1: none or unreadable
    bool damaged = false;
};

struct BackupOutcome {
    BackupFailure failure = BackupFailure::None;
    QString detail; // for the log
    BackupInfo backup;
    bool ok() const { return failure == BackupFailure::None; }
};

// The 备份 folder of a place (the data folder, or the second place).
QString backupFolderIn(const QString& place);
QString backupName(const QDateTime& time);

// A new verified backup in `place`; a backup that fails is removed. The
// newest earlier backup there lends unchanged bills as hard links.
BackupOutcome takeBackup(const BackupSources& sources, const QString& place, const QDateTime& now);

// `backup` copied into another place, verified there.
BackupOutcome copyBackup(const BackupInfo& backup, const QString& place);

// The backups of a place by their folders' names alone, newest first:
// nothing in them is read (size 0, never damaged).
QList<BackupInfo> backupsByName(const QString& place);

// The backups of a place, newest first, their lists read (a backup whose
// lists do not read is damaged); `verify` re-reads every hash.
QList<BackupInfo> listBackups(const QString& place, bool verify);

// Removes what the rotation does not keep; returns how many went.
int rotateBackups(const QString& place, const QDateTime& now);

// Removes folders of backups cut short (a crash in the middle).
void removeUnfinishedBackups(const QString& place);
