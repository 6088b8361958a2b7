#include "tally_window/journal_file.h"

#include "support/durable_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <csignal>

namespace {

const QString journalName = QStringLiteral("tally-journal.json");

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
    m_lock = std::make_unique<QLockFile>(QDir(m_folder).filePath(QStringLiteral("tally-journal.lock")));
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
    QFile file(m_path);
    if (!file.exists())
        return reading;
    std::optional<JournalRecord> record;
    if (file.open(QIODevice::ReadOnly))
        record = parseJournalJson(file.readAll());
    file.close();
    if (record) {
        reading.kind = Reading::Read;
        reading.record = *record;
        return reading;
    }
    reading.kind = Reading::Damaged;
    const QString kept = m_path + QStringLiteral(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    if (renameDurably(m_path, kept))
        reading.keptPath = kept;
    return reading;
}

bool JournalFile::write(const QByteArray& bytes, QString* failure)
{
    DurableFile file(m_path);
    WriteResult result = file.write(bytes);
    if (result.ok()) {
        if (m_crashAt > 0 && ++m_writes == m_crashAt)
            ::raise(SIGKILL);
        result = file.commit();
    }
    if (!result.ok())
        *failure = result.logText();
    return result.ok();
}
