#pragma once

#include <QString>
#include <QStringList>

// The missing folders of `path`, outermost first.
QStringList missingFolders(const QString& path);

// A folder of the user's alone (0700), with its missing parents.
bool makeOwnFolder(const QString& path);
