#include "backups/ledger_rows.h"

#include "backups/compound_file.h"
#include "support/regular_file.h"

#include <QList>
#include <QtEndian>
#include <algorithm>
#include <optional>
#include <vector>

namespace {

// A year's ledger is a few megabytes; two full sheets of 65 536 rows with
// every column filled stay below this.
constexpr qint64 largestWorkbook = 64 * 1024 * 1024;
constexpr int firstPostingRow = 5; // row 6, counted from 0
constexpr int volumeColumn = 2; // C

enum Record : quint16 {
    Formula = 0x0006,
    EndOfFile = 0x000A,
    BoundSheet = 0x0085,
    MulRk = 0x00BD,
    RString = 0x00D6,
    LabelSst = 0x00FD,
    Number = 0x0203,
    Label = 0x0204,
    BoolErr = 0x0205,
    String = 0x0207,
    Rk = 0x027E,
    BeginOfFile = 0x0809,
};

struct Sheet {
    QString name;
    quint32 offset;
};

quint16 u16(const char* at)
{
    return qFromLittleEndian<quint16>(at);
}

// The records of a BIFF8 stream from one offset, each checked to fit.
class Records {
public:
    Records(const QByteArray& stream, qint64 at)
        : m_stream(stream)
        , m_next(at)
    {
    }
    // False at the end of the stream or at a record cut short.
    bool next()
    {
        if (m_next + 4 > m_stream.size())
            return false;
        m_type = u16(m_stream.constData() + m_next);
        m_length = u16(m_stream.constData() + m_next + 2);
        m_data = m_stream.constData() + m_next + 4;
        if (m_next + 4 + m_length > m_stream.size())
            return false;
        m_next += 4 + m_length;
        return true;
    }
    quint16 type() const { return m_type; }
    quint16 length() const { return m_length; }
    const char* data() const { return m_data; }
    // The type of the record after this one, 0 when none.
    quint16 peek() const
    {
        return m_next + 4 <= m_stream.size() ? u16(m_stream.constData() + m_next) : 0;
    }

private:
    const QByteArray& m_stream;
    qint64 m_next;
    quint16 m_type = 0;
    quint16 m_length = 0;
    const char* m_data = nullptr;
};

// The workbook's sheets, in order; nothing when the globals are broken.
std::optional<QList<Sheet>> sheetsOf(const QByteArray& stream)
{
    Records records(stream, 0);
    if (!records.next() || records.type() != BeginOfFile)
        return std::nullopt;
    QList<Sheet> sheets;
    while (records.next()) {
        if (records.type() == EndOfFile)
            return sheets;
        if (records.type() != BoundSheet || records.length() < 8)
            continue;
        const char* data = records.data();
        const int characters = quint8(data[6]);
        const bool wide = data[7] & 1;
        if (8 + characters * (wide ? 2 : 1) > records.length())
            return std::nullopt;
        QString name;
        for (int at = 0; at < characters; ++at)
            name += wide ? QChar(u16(data + 8 + 2 * at)) : QChar(quint8(data[8 + at]));
        sheets.append({ name, qFromLittleEndian<quint32>(data) });
    }
    return std::nullopt;
}

// Whether a cell record shows something in the volume column.
bool showsVolume(const Records& records)
{
    const char* data = records.data();
    const quint16 length = records.length();
    switch (records.type()) {
    case Number:
    case Rk:
    case LabelSst:
    case BoolErr:
        return length >= 6 && u16(data + 2) == volumeColumn;
    case Label:
    case RString:
        return length >= 8 && u16(data + 2) == volumeColumn && u16(data + 6) > 0;
    case MulRk:
        return length >= 6 && u16(data + 2) <= volumeColumn
            && u16(data + length - 2) >= volumeColumn;
    case Formula: {
        if (length < 14 || u16(data + 2) != volumeColumn)
            return false;
        // A result of 0xFFFF in its last two bytes is no number: type 3
        // is the empty string, type 0 a string in the next record.
        if (u16(data + 12) != 0xFFFF)
            return true;
        if (data[6] == 3)
            return false;
        return data[6] != 0 || records.peek() == String;
    }
    default:
        return false;
    }
}

// The posted rows of the sheet whose BOF is at `offset`; -1 when broken.
qint64 postedRows(const QByteArray& stream, quint32 offset)
{
    Records records(stream, offset);
    if (!records.next() || records.type() != BeginOfFile)
        return -1;
    std::vector<bool> shown(65536, false);
    qint64 count = 0;
    while (records.next()) {
        if (records.type() == EndOfFile)
            return count;
        if (records.length() < 2 || !showsVolume(records))
            continue;
        const quint16 row = u16(records.data());
        if (row >= firstPostingRow && !shown[row]) {
            shown[row] = true;
            ++count;
        }
    }
    return -1;
}

} // namespace

qint64 largestLedger()
{
    return largestWorkbook;
}

qint64 postedLedgerRows(const QString& path)
{
    const RegularFileRead read = readRegularFile(path, largestWorkbook);
    return read.outcome == RegularFileRead::Read ? postedLedgerRows(read.bytes) : -1;
}

qint64 postedLedgerRows(const QByteArray& workbook)
{
    if (workbook.size() > largestWorkbook)
        return -1;
    const auto stream = CompoundFile(workbook).stream(QStringLiteral("Workbook"));
    const auto sheets = stream ? sheetsOf(*stream) : std::nullopt;
    if (!sheets)
        return -1;
    // The first sheet of each name, as the postings find it by name: a
    // file of thousands of sheets of one name is still read once.
    QList<Sheet> posting;
    for (const QString& name : { QStringLiteral("入库"), QStringLiteral("出库") }) {
        const auto found = std::find_if(sheets->cbegin(), sheets->cend(),
            [&name](const Sheet& sheet) { return sheet.name == name; });
        if (found != sheets->cend())
            posting.append(*found);
    }
    if (posting.isEmpty())
        posting = sheets->mid(0, 2);
    qint64 total = 0;
    for (const Sheet& sheet : posting) {
        const qint64 rows = postedRows(*stream, sheet.offset);
        if (rows < 0)
            return -1;
        total += rows;
    }
    return total;
}
