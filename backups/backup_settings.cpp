#include "backups/backup_settings.h"

#include "support/regular_file.h"

#include <QSettings>
#include <QTemporaryFile>
#include <memory>

namespace {

const QStringList neverRestored = { QStringLiteral("history_server"), QStringLiteral("backup") };

// QSettings reads files only: the bytes go through a private temporary one.
std::unique_ptr<QTemporaryFile> asFile(const QByteArray& ini)
{
    auto file = std::make_unique<QTemporaryFile>();
    if (!file->open() || file->write(ini) != ini.size() || !file->flush())
        return nullptr;
    return file;
}

} // namespace

QStringList offeredSettingsGroups(const QByteArray& ini)
{
    const auto file = asFile(ini);
    if (!file)
        return {};
    QStringList groups = QSettings(file->fileName(), QSettings::IniFormat).childGroups();
    groups.removeIf([](const QString& group) { return neverRestored.contains(group); });
    return groups;
}

QString settingsGroupText(const QString& group)
{
    if (group == QLatin1String("accounts"))
        return QStringLiteral("往来账（对账单抬头、付款方式）");
    if (group == QLatin1String("exports"))
        return QStringLiteral("导出文件夹");
    return QStringLiteral("设置 %1").arg(group);
}

bool restoreSettingsGroups(
    const QByteArray& ini, const QString& settingsFile, const QStringList& groups)
{
    const auto file = asFile(ini);
    if (!file || entryAt(settingsFile) == EntryKind::Other)
        return false;
    QSettings from(file->fileName(), QSettings::IniFormat);
    QSettings to(settingsFile, QSettings::IniFormat);
    const QStringList offered = offeredSettingsGroups(ini);
    for (const QString& group : groups) {
        if (!offered.contains(group))
            continue;
        to.remove(group);
        from.beginGroup(group);
        for (const QString& key : from.allKeys())
            to.setValue(group + QLatin1Char('/') + key, from.value(key));
        from.endGroup();
    }
    to.sync();
    return to.status() == QSettings::NoError;
}
