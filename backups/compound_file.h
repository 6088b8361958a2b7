#pragma once

// A bounded reader of the compound files Excel 97 workbooks are stored in:
// the header, the sector tables and the directory, enough to take one
// stream out whole. Every offset and chain is checked against the file, so
// a damaged or hostile file reads as broken, never out of bounds or for
// ever.

#include <QByteArray>
#include <QString>
#include <QVector>
#include <optional>

class CompoundFile {
public:
    explicit CompoundFile(QByteArray bytes);

    bool valid() const { return m_valid; }
    // The stream of that name in the root storage; nothing when it is
    // missing or its chain is broken.
    std::optional<QByteArray> stream(const QString& name) const;

private:
    bool readHeader();
    bool readTable();
    std::optional<QByteArray> chain(quint32 first, qint64 size, const QVector<quint32>& table,
        const QByteArray& from, qint64 sectorSize, qint64 skip) const;

    QByteArray m_bytes;
    qint64 m_sectorSize = 512;
    quint32 m_miniCutoff = 4096;
    QVector<quint32> m_fat;
    QVector<quint32> m_miniFat;
    QByteArray m_directory;
    QByteArray m_miniStream;
    bool m_valid = false;
};
