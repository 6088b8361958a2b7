#include "records/workbook.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

void refuseLinkedEntry(const QString& path)
{
    struct stat entry;
    if (::lstat(QFile::encodeName(path).constData(), &entry) != 0)
        return;
    if (S_ISLNK(entry.st_mode))
        throw Failure(FailureCause::Link, path,
            QStringLiteral("a link to %1").arg(QFileInfo(path).symLinkTarget()));
    if (!S_ISREG(entry.st_mode) && !S_ISDIR(entry.st_mode))
        throw Failure(FailureCause::NotAFile, path, QStringLiteral("neither a file nor a folder"));
}
