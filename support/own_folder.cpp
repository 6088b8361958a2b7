#include "support/own_folder.h"

#include <QDir>
#include <QFileInfo>

QStringList missingFolders(const QString& path)
{
    QStringList missing;
    for (QString folder = QDir::cleanPath(path); !QFileInfo::exists(folder);
         folder = QFileInfo(folder).path()) {
        missing.prepend(folder);
        if (QFileInfo(folder).path() == folder)
            break;
    }
    return missing;
}

bool makeOwnFolder(const QString& path)
{
    for (const QString& folder : missingFolders(path))
        if (!QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return false;
    return true;
}
