#pragma once

// Where a backup came from: the machine (/etc/machine-id), the user id and
// the program's version that took it, and whether its books held anything
// (loads in the history, bills in the archive). Kept in `origin.txt`, one
// of the files its manifest lists, so it is checked with them.

#include "backups/backup_manifest.h"

#include <QString>

struct BackupOrigin {
    QString machine;
    qint64 user = -1;
    QString version;
    qint64 loads = -1;
    qint64 bills = -1;
    bool known() const { return !machine.isEmpty() && user >= 0; }
    // Taken of books with no load and no bill: it never displaces one
    // that held them.
    bool emptyBooks() const { return loads == 0 && bills == 0; }
};

QString originPath();

// This machine, this user and this program.
BackupOrigin thisOrigin();
bool sameMachineAndUser(const BackupOrigin& a, const BackupOrigin& b);

QByteArray originText(const BackupOrigin& origin);
// Nothing known when the text does not read.
BackupOrigin parseOrigin(const QByteArray& text);

// The bills among a backup's files.
qint64 billCount(const QList<ManifestEntry>& entries);
