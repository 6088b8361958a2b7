#include "backups/backup_origin.h"

#include "support/regular_file.h"

#include <unistd.h>

#ifndef QUORVANE_VERSION
#define QUORVANE_VERSION ""
#endif

QString originPath()
{
    return QStringLiteral("origin.txt");
}

BackupOrigin thisOrigin()
{
    BackupOrigin origin;
    const RegularFileRead id = readRegularFile(QStringLiteral("/etc/machine-id"), 4096);
    origin.machine = QString::fromLatin1(id.bytes).trimmed();
    if (origin.machine.isEmpty())
        origin.machine = QStringLiteral("unknown");
    origin.user = qint64(::getuid());
    origin.version = QStringLiteral(QUORVANE_VERSION);
    return origin;
}

bool sameMachineAndUser(const BackupOrigin& a, const BackupOrigin& b)
{
    return a.known() && b.known() && a.machine == b.machine && a.user == b.user;
}

QByteArray originText(const BackupOrigin& origin)
{
    return "machine=" + origin.machine.toLatin1() + "\nuser=" + QByteArray::number(origin.user)
        + "\nversion=" + origin.version.toLatin1() + "\nloads=" + QByteArray::number(origin.loads)
        + "\nbills=" + QByteArray::number(origin.bills) + '\n';
}

BackupOrigin parseOrigin(const QByteArray& text)
{
    BackupOrigin origin;
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = line.left(equals);
        const QByteArray value = line.mid(equals + 1).trimmed();
        bool isNumber = false;
        const qint64 number = value.toLongLong(&isNumber);
        if (key == "machine")
            origin.machine = QString::fromLatin1(value.left(64));
        else if (key == "user" && isNumber)
            origin.user = number;
        else if (key == "version")
            origin.version = QString::fromLatin1(value.left(32));
        else if (key == "loads" && isNumber)
            origin.loads = number;
        else if (key == "bills" && isNumber)
            origin.bills = number;
    }
    return origin;
}

qint64 billCount(const QList<ManifestEntry>& entries)
{
    qint64 count = 0;
    for (const ManifestEntry& entry : entries)
        count += entry.path.startsWith(QStringLiteral("文档/账单/"))
            && entry.path.endsWith(QLatin1String(".xls"));
    return count;
}
