#pragma once

// Loads for the history window's tests, with hand-countable figures.

#include "history/load_record.h"

#include <QDateTime>

inline LoadRecord sampleLoad(LoadKind kind, const QString& when, const QString& species,
    const QString& pieces, const QString& volume, const QString& amount,
    const QString& buyer = QStringLiteral("林场甲"),
    const QString& truck = QStringLiteral("闽A12345"))
{
    LoadRecord load;
    load.kind = kind;
    load.recordedAt = QDateTime::fromString(when, QStringLiteral("yyyy-MM-dd HH:mm"));
    load.tally.species = species;
    load.tally.captions = { { { QStringLiteral("购货单位"), buyer },
        { QStringLiteral("车号"), truck }, { QStringLiteral("供货单位"), QStringLiteral("供方乙") },
        { QStringLiteral("联系人"), QStringLiteral("张三") } } };
    load.tally.scaler = QStringLiteral("李四");
    load.tally.lengths = { QStringLiteral("6"), QString(), QString(), QString() };
    load.tally.grid[0][0] = QStringLiteral("20");
    load.tally.grid[0][1] = pieces;
    load.tally.grid[0][2] = volume;
    load.tally.groupPieces = { pieces, QString(), QString(), pieces };
    load.tally.groupVolumes = { volume, QString(), QString(), volume };
    load.tally.groupAmounts = { amount, QString(), QString(), amount };
    load.tally.unitPrices
        = { QStringLiteral("800"), QStringLiteral("900"), QStringLiteral("1000") };
    if (kind == LoadKind::Bill)
        load.billNumber = load.recordedAt.date().toString(Qt::ISODate) + QStringLiteral("-001");
    return load;
}

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <unistd.h>

// A folder nobody may write into, root included: read-only, and immutable
// where we are root (root ignores the permission bits). Made writable again
// when it goes, so the temporary folder can be removed.
class UnwritableFolder {
public:
    explicit UnwritableFolder(const QString& path)
        : m_path(path)
    {
        QDir().mkpath(path);
    }
    ~UnwritableFolder()
    {
        if (geteuid() == 0)
            QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("-i"), m_path });
        QFile::setPermissions(
            m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    // False when this machine cannot make it so.
    bool lock()
    {
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (geteuid() == 0)
            QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("+i"), m_path });
        QFile probe(QDir(m_path).filePath(QStringLiteral("probe")));
        const bool writable = probe.open(QIODevice::WriteOnly);
        if (writable)
            probe.remove();
        return !writable;
    }
    QString filePath(const QString& name) const { return QDir(m_path).filePath(name); }

private:
    QString m_path;
};
