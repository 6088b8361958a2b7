#include "history_window/export_dialog.h"

#include "support/event_log.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString folderKey = QStringLiteral("exports/folder");

// The documents folder, or the home folder where a system has none.
QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

QString exportFolder(const QString& settingsFile)
{
    if (!settingsFile.isEmpty()) {
        const QString kept
            = QSettings(settingsFile, QSettings::IniFormat).value(folderKey).toString();
        // A folder removed or unplugged since (a USB stick) is not offered.
        if (!kept.isEmpty() && QFileInfo(kept).isDir())
            return kept;
    }
    return documentsFolder();
}

bool rememberExportFolder(const QString& settingsFile, const QString& path)
{
    if (settingsFile.isEmpty())
        return true;
    QSettings file(settingsFile, QSettings::IniFormat);
    file.setValue(folderKey, QFileInfo(path).absolutePath());
    file.sync();
    return file.status() == QSettings::NoError;
}

QString askExportPath(QWidget* parent, const QString& settingsFile, const QString& caption,
    const QString& name, const QString& filter)
{
    QFileDialog dialog(parent, caption, exportFolder(settingsFile), filter);
    dialog.setObjectName(QStringLiteral("exportDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QFileInfo(name).suffix());
    dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = dialog.selectedFiles().first();
    // Not kept: the next dialog opens where this one did; the export goes on.
    if (!rememberExportFolder(settingsFile, path))
        logEvent(QStringLiteral("export folder not kept in %1").arg(settingsFile));
    return path;
}
