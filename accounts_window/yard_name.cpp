#include "accounts_window/yard_name.h"

#include <QSettings>

namespace {

const QString yardNameKey = QStringLiteral("accounts/yard_name");

} // namespace

QString yardName(const QString& settingsFile)
{
    if (settingsFile.isEmpty())
        return {};
    return QSettings(settingsFile, QSettings::IniFormat).value(yardNameKey).toString();
}

bool saveYardName(const QString& settingsFile, const QString& name)
{
    QSettings file(settingsFile, QSettings::IniFormat);
    file.setValue(yardNameKey, name);
    file.sync();
    return file.status() == QSettings::NoError;
}
