#include "tally_window/journal_file.h"

#include "support/durable_file.h"
#include "support/regular_file.h"

#include <QDir>
#include <csignal>

namespace {

const QString journalName = QStringLiteral("tally-journal.json");
// Far more than a whole sheet of the longest texts the fields take.
constexpr qint64 journalLimit = 32 * 1024 * 1024;

} // namespace

JournalFile::JournalFile(const QString& folder)
    : m_folder(folder)
    , m_path(QDir(folder).filePath(journalName))
    , m_crashAt(qEnvironmentVariableIntValue("QUORVANE_JOURNAL_CRASH_AT"))
{
}

bool JournalFile::lock()
{
    if (!QDir().mkpath(m_folder))
        return false;
    const QString lockPath = QDir(m_folder).filePath(QStringLiteral("tally-journal.lock"));
    // QLockFile reads a lock that is there to find its holder: a FIFO would
    // block that read, a link to a device never end it.
    if (entryAt(lockPath) == EntryKind::Other)
        setAside(lockPath);
    m_lock = std::make_unique<QLockFile>(lockPath);
    // A program may run for days: only a dead holder makes the lock stale,
    // never its age.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    removeLeftoverTempFiles();
    return true;
}

// A write cut short may leave its temporary file behind.
void JournalFile::removeLeftoverTempFiles()
{
    removeLeftoverWrites(m_path);
}

JournalFile::Reading JournalFile::read()
{
    Reading reading;
    const RegularFileRead file = readRegularFile(m_path, journalLimit);
    switch (file.outcome) {
    case RegularFileRead::Absent:
        return reading;
    case RegularFileRead::Read:
        if (const std::optional<JournalRecord> record = parseJournalJson(file.bytes)) {
            reading.kind = Reading::Read;
            reading.record = *record;
            return reading;
        }
        reading.kind = Reading::Damaged;
        break;
    case RegularFileRead::NotRegular:
        reading.kind = Reading::NotAFile;
        break;
    case RegularFileRead::TooLarge:
    case RegularFileRead::Unreadable:
        reading.kind = Reading::Damaged;
        break;
    }
    reading.detail = file.detail;
    reading.keptPath = setAside(m_path);
    return reading;
}

Done JournalFile::write(const QByteArray& bytes)
{
    DurableFile file(m_path);
    Done result = file.write(bytes);
    if (result.ok()) {
        if (m_crashAt > 0 && ++m_writes == m_crashAt)
            ::raise(SIGKILL);
        result = file.commit();
    }
    return result;
}
