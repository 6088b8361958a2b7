#pragma once

// Loads for the history window's tests, with hand-countable figures.

#include "history_builders.h"

inline LoadRecord sampleLoad(LoadKind kind, const QString& when, const QString& species,
    const QString& pieces, const QString& volume, const QString& amount,
    const QString& buyer = QStringLiteral("林场甲"),
    const QString& truck = QStringLiteral("闽A12345"))
{
    LoadRecord load
        = LoadBuilder(kind)
              .at(when)
              .species(species)
              .buyer(buyer)
              .truck(truck)
              .length(QStringLiteral("6"))
              .firstRow(QStringLiteral("20"), pieces, volume)
              .totals(pieces, volume, amount)
              .prices(QStringLiteral("800"), QStringLiteral("900"), QStringLiteral("1000"));
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
