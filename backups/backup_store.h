#pragma once

// Backups of everything a yard keeps, as dated folders
// `备份/YYYY-MM-DD-HHMMSS` in a place: taken, verified, listed, rotated and
// copied to a second place. Plain functions over files, run on a worker
// thread by BackupService. Inside a backup each source folder has its own
// folder: 数据 (the history, journal and log), 文档 (the workbooks and the
// bill archive 账单), 设置 (the configuration) and 单价 (the unit prices,
// when they have a folder of their own).

#include "backups/backup_origin.h"

#include "support/failure.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <atomic>

struct BackupSources {
    QString data;
    QString documents;
    QString config;
    QString prices;
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
    bool unchecked = false; // did not answer in time: shown, never restored
    QString cause; // why damaged or unchecked, for the log
    BackupOrigin origin; // unknown in a backup that records none
    QStringList files; // its manifest's paths
    QStringList settingsGroups; // of its quorvane.ini, offered to a restore
};

// A backup taken or copied: the backup, or why not. A place that cannot
// take one is FolderMissing, Link (its 备份 is a link: never followed),
// NotWritable or DiskFull; a file that does not read back is Damaged.
using BackupOutcome = Result<BackupInfo>;

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
// lists do not read, or that holds a link, is damaged); `verify` re-reads
// every hash and checks the history and reads the ledger, each backup
// within a few seconds and the whole before `deadline`: what does not
// answer in time is unchecked.
QList<BackupInfo> listBackups(const QString& place, bool verify,
    QDeadlineTimer deadline = QDeadlineTimer::Forever, const std::atomic<bool>* stop = nullptr);

// Whether the place's 备份 is there but no folder of its own (a link).
bool backupFolderIsLink(const QString& place);

// Removes what the rotation does not keep; returns how many went.
int rotateBackups(const QString& place, const QDateTime& now);

// Removes folders of backups cut short (a crash in the middle): only those
// this program made and marked.
void removeUnfinishedBackups(const QString& place);
