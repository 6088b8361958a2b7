#include "tally_window/journal_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <csignal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

const QString journalName = QStringLiteral("tally-journal.json");

// A rename is on disk only once its folder is.
bool syncFolder(const QString& folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#else
    Q_UNUSED(folder);
    return true;
#endif
}

bool syncFile(QSaveFile& file)
{
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#else
    Q_UNUSED(file);
    return true;
#endif
}

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

// A write cut short may leave QSaveFile's temporary file behind.
void JournalFile::removeLeftoverTempFiles()
{
    const QRegularExpression temporary(
        QStringLiteral("^%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(journalName)));
    QDir folder(m_folder);
    for (const QString& name : folder.entryList({ journalName + QStringLiteral(".*") }, QDir::Files))
        if (temporary.match(name).hasMatch())
            folder.remove(name);
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
    if (QFile::rename(m_path, kept) && syncFolder(m_folder))
        reading.keptPath = kept;
    return reading;
}

bool JournalFile::write(const QByteArray& bytes, QString* failure)
{
    QSaveFile file(m_path);
    auto fail = [&](const QString& step) {
        *failure = QStringLiteral("%1 %2: %3").arg(step, m_path, file.errorString());
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("open"));
    if (file.write(bytes) != bytes.size())
        return fail(QStringLiteral("write"));
    if (!file.flush())
        return fail(QStringLiteral("flush"));
    if (!syncFile(file))
        return fail(QStringLiteral("sync"));
    if (m_crashAt > 0 && ++m_writes == m_crashAt)
        ::raise(SIGKILL);
    if (!file.commit()) {
        *failure = QStringLiteral("commit %1: %2").arg(m_path, file.errorString());
        return false;
    }
    if (!syncFolder(m_folder)) {
        *failure = QStringLiteral("sync folder %1").arg(m_folder);
        return false;
    }
    return true;
}
