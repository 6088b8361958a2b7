#pragma once

// The yard's name printed on statements, kept in the configuration file.

#include <QString>

QString yardName(const QString& settingsFile);
// False when the configuration file could not be written.
bool saveYardName(const QString& settingsFile, const QString& name);
