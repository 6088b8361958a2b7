#pragma once

// The office keeps folders of the whole machine (its shared extensions under
// /var/spool/libreoffice). An office once started by another user under a
// private umask makes them that user's alone, and from then on every other
// user's office aborts as it starts. Found at the program's start, so the
// clerk can ask for the one command that mends it.

#include <QString>
#include <QStringList>

// The office's shared folders under `programFolder`'s installation that
// this user cannot read or enter, each once, by its real path.
QStringList officeFoldersClosedToUs(const QString& programFolder);

// What the clerk is told about them: the cause and the administrator's
// command.
QString closedOfficeFoldersMessage(const QStringList& folders);
