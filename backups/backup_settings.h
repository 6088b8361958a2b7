#pragma once

// The groups of a backup's quorvane.ini a restore may put back when the
// clerk ticks them (the statement's heading, the ways of payment, the
// export folder …). The yard server's settings and the backup places are
// never among them: a backup from elsewhere must not choose the server
// this station trusts nor where its backups go.

#include <QByteArray>
#include <QString>
#include <QStringList>

// The groups of `ini` (the bytes of a quorvane.ini) that may come back.
QStringList offeredSettingsGroups(const QByteArray& ini);

// The clerk's name of a group.
QString settingsGroupText(const QString& group);

// Replaces the `groups` of `settingsFile` with those of `ini`; the groups
// never offered are skipped. False when the file cannot be written.
bool restoreSettingsGroups(
    const QByteArray& ini, const QString& settingsFile, const QStringList& groups);
