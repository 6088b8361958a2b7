#include "backups/compound_file.h"

#include <QtEndian>

namespace {

constexpr quint32 endOfChain = 0xFFFFFFFE;
constexpr quint32 freeSector = 0xFFFFFFFF;
constexpr qint64 headerSize = 512;
constexpr qint64 entrySize = 128;

quint16 u16(const QByteArray& bytes, qint64 at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32(const QByteArray& bytes, qint64 at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

} // namespace

CompoundFile::CompoundFile(QByteArray bytes)
    : m_bytes(std::move(bytes))
{
    m_valid = readHeader() && readTable();
}

bool CompoundFile::readHeader()
{
    static const QByteArray signature = QByteArray::fromHex("d0cf11e0a1b11ae1");
    if (m_bytes.size() < headerSize || !m_bytes.startsWith(signature))
        return false;
    const quint16 shift = u16(m_bytes, 30);
    if ((shift != 9 && shift != 12) || u16(m_bytes, 32) != 6)
        return false;
    m_sectorSize = qint64(1) << shift;
    m_miniCutoff = u32(m_bytes, 56);
    return true;
}

// The sector table from the header's list and its extension sectors.
bool CompoundFile::readTable()
{
    const qint64 sectors = m_bytes.size() / m_sectorSize;
    const qint64 perSector = m_sectorSize / 4;
    QVector<quint32> tableSectors;
    for (qint64 at = 76; at < headerSize; at += 4)
        tableSectors.append(u32(m_bytes, at));
    quint32 next = u32(m_bytes, 68);
    for (qint64 steps = 0; next != endOfChain && next != freeSector; ++steps) {
        const qint64 offset = (qint64(next) + 1) * m_sectorSize;
        if (steps > sectors || offset + m_sectorSize > m_bytes.size())
            return false;
        for (qint64 entry = 0; entry + 1 < perSector; ++entry)
            tableSectors.append(u32(m_bytes, offset + entry * 4));
        next = u32(m_bytes, offset + m_sectorSize - 4);
    }
    const quint32 count = u32(m_bytes, 44);
    if (count > sectors)
        return false;
    for (quint32 index = 0; index < count; ++index) {
        const qint64 offset
            = (qint64(tableSectors.value(int(index), freeSector)) + 1) * m_sectorSize;
        if (index >= quint32(tableSectors.size()) || offset + m_sectorSize > m_bytes.size())
            return false;
        for (qint64 entry = 0; entry < perSector; ++entry)
            m_fat.append(u32(m_bytes, offset + entry * 4));
    }
    const auto directory = chain(u32(m_bytes, 48), -1, m_fat, m_bytes, m_sectorSize, 1);
    if (!directory || directory->size() < entrySize)
        return false;
    m_directory = *directory;
    const auto miniTable = chain(u32(m_bytes, 60), -1, m_fat, m_bytes, m_sectorSize, 1);
    const auto miniStream
        = chain(u32(m_directory, 116), u32(m_directory, 120), m_fat, m_bytes, m_sectorSize, 1);
    if (!miniTable || !miniStream)
        return false;
    for (qint64 at = 0; at + 4 <= miniTable->size(); at += 4)
        m_miniFat.append(u32(*miniTable, at));
    m_miniStream = *miniStream;
    return true;
}

// Follows a chain of `table` from `first`; `size` -1 takes the whole chain.
// Sector n lies at (n + skip) * sectorSize of `from`.
std::optional<QByteArray> CompoundFile::chain(quint32 first, qint64 size,
    const QVector<quint32>& table, const QByteArray& from, qint64 sectorSize, qint64 skip) const
{
    QByteArray bytes;
    quint32 sector = first;
    for (qint64 steps = 0; sector != endOfChain && (size < 0 || bytes.size() < size); ++steps) {
        const qint64 offset = (qint64(sector) + skip) * sectorSize;
        // A chain longer than the sectors there are loops.
        if (sector >= quint32(table.size()) || steps > from.size() / sectorSize
            || offset + sectorSize > from.size())
            return std::nullopt;
        bytes.append(from.constData() + offset, sectorSize);
        sector = table[int(sector)];
    }
    if (size >= 0 && bytes.size() < size)
        return std::nullopt;
    if (size >= 0)
        bytes.truncate(size);
    return bytes;
}

std::optional<QByteArray> CompoundFile::stream(const QString& name) const
{
    if (!m_valid)
        return std::nullopt;
    for (qint64 at = 0; at + entrySize <= m_directory.size(); at += entrySize) {
        const quint16 nameBytes = u16(m_directory, at + 64);
        if (m_directory.at(at + 66) != 2 || nameBytes < 2 || nameBytes > 64)
            continue;
        const QString entryName = QString::fromUtf16(
            reinterpret_cast<const char16_t*>(m_directory.constData() + at), nameBytes / 2 - 1);
        if (entryName.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const quint32 first = u32(m_directory, at + 116);
        const quint32 size = u32(m_directory, at + 120);
        if (size < m_miniCutoff)
            return chain(first, size, m_miniFat, m_miniStream, 64, 0);
        return chain(first, size, m_fat, m_bytes, m_sectorSize, 1);
    }
    return std::nullopt;
}
