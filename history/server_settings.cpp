#include "history/server_settings.h"

#include "support/regular_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSysInfo>

namespace {
const QString group = QStringLiteral("history_server");
}

QString ServerSettings::stationName() const
{
    const QString name = station.trimmed();
    return name.isEmpty() ? QSysInfo::machineHostName() : name;
}

bool ServerSettings::usesTls() const
{
    const QString hosts = host.trimmed();
    return !hosts.startsWith(u'/') || hosts.contains(u',');
}

bool ServerSettings::mixesSocketAndAddress() const
{
    bool folder = false;
    bool address = false;
    for (const QString& part : host.split(u',')) {
        const QString one = part.trimmed();
        (one.startsWith(u'/') || one.startsWith(u'@') ? folder : address) = true;
    }
    return folder && address;
}

QString ServerSettings::location() const
{
    return QStringLiteral("%1:%2/%3").arg(host.trimmed()).arg(port).arg(database.trimmed());
}

bool ServerSettings::operator==(const ServerSettings& other) const
{
    return host == other.host && port == other.port && database == other.database
        && user == other.user && station == other.station && certificate == other.certificate;
}

QString settingsFilePath(const QString& configFolder)
{
    return QDir(configFolder).filePath(QStringLiteral("quorvane.ini"));
}

ServerSettings readServerSettings(const QString& settingsFile)
{
    // QSettings would wait on a FIFO for ever and read a device without end.
    if (entryAt(settingsFile) == EntryKind::Other) {
        qWarning("%s is not a regular file: no yard server", qPrintable(settingsFile));
        return {};
    }
    QSettings file(settingsFile, QSettings::IniFormat);
    file.beginGroup(group);
    ServerSettings settings;
    settings.host = file.value(QStringLiteral("host")).toString().trimmed();
    bool isNumber = false;
    const int port
        = file.value(QStringLiteral("port"), ServerSettings::defaultPort).toInt(&isNumber);
    settings.port = isNumber && port > 0 && port < 65536 ? port : ServerSettings::defaultPort;
    settings.database = file.value(QStringLiteral("database")).toString().trimmed();
    settings.user = file.value(QStringLiteral("user")).toString().trimmed();
    settings.station = file.value(QStringLiteral("station")).toString().trimmed();
    const QString certificate = file.value(QStringLiteral("certificate")).toString().trimmed();
    if (!certificate.isEmpty())
        settings.certificate = QFileInfo(settingsFile).absoluteDir().absoluteFilePath(certificate);
    return settings;
}

bool writeServerSettings(const QString& settingsFile, const ServerSettings& settings)
{
    // Nor is anything written through a link.
    if (entryAt(settingsFile) == EntryKind::Other)
        return false;
    QSettings file(settingsFile, QSettings::IniFormat);
    file.beginGroup(group);
    file.setValue(QStringLiteral("host"), settings.host.trimmed());
    file.setValue(QStringLiteral("port"), settings.port);
    file.setValue(QStringLiteral("database"), settings.database.trimmed());
    file.setValue(QStringLiteral("user"), settings.user.trimmed());
    file.setValue(QStringLiteral("station"), settings.station.trimmed());
    file.setValue(QStringLiteral("certificate"), settings.certificate.trimmed());
    file.endGroup();
    file.sync();
    return file.status() == QSettings::NoError;
}
