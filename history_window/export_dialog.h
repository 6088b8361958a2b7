#pragma once

// Where the history's exports (CSV, Excel, the report's PDF) are saved: a
// save dialog that opens in the folder the clerk saved to last, kept in the
// configuration file, and at first in the user's documents folder.

#include <QString>

class QWidget;

// The folder the next dialog opens in. `settingsFile`: the configuration
// file; empty keeps nothing, and every dialog opens in the documents folder.
QString exportFolder(const QString& settingsFile);
// Keeps the folder of `path` for the next dialog; false when the file could
// not be written.
bool rememberExportFolder(const QString& settingsFile, const QString& path);

// The path chosen, the folder remembered; empty when cancelled. Qt's own
// dialog adds the suggested name's suffix when the clerk types none.
QString askExportPath(QWidget* parent, const QString& settingsFile, const QString& caption,
    const QString& name, const QString& filter);
