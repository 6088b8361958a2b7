#include "history/history_recorder.h"

#include "support/durable_file.h"
#include "support/regular_file.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Far more than the loads of many days waiting.
constexpr qint64 waitingFileLimit = 32 * 1024 * 1024;

} // namespace

QString waitingLoadsPath(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("history-waiting.json"));
}

HistoryRecorder::HistoryRecorder(StoreOpener openStore, QString waitingPath)
    : m_openStore(std::move(openStore))
    , m_waitingPath(std::move(waitingPath))
{
    readWaiting();
}

HistoryRecorder::~HistoryRecorder() = default;

HistoryStore* HistoryRecorder::store()
{
    if (!m_store) {
        try {
            m_store = m_openStore();
        } catch (const Failure& error) {
            m_log(QStringLiteral("history store not opened: %1 %2")
                      .arg(error.path(), error.detail()));
        }
    }
    return m_store.get();
}

Done HistoryRecorder::record(const LoadRecord& load)
{
    m_waiting << load;
    Done stored = storeAll();
    if (!stored)
        m_waitingKept = writeWaiting();
    return stored;
}

Done HistoryRecorder::storeWaiting()
{
    if (m_waiting.isEmpty())
        return {};
    return storeAll();
}

// Oldest first; the first failure stops it, so the order is kept.
Done HistoryRecorder::storeAll()
{
    const qsizetype before = m_waiting.size();
    Done stored;
    try {
        if (!m_store)
            m_store = m_openStore();
        while (!m_waiting.isEmpty()) {
            LoadRecord load = m_waiting.first();
            m_store->record(load);
            m_waiting.removeFirst();
            if (m_stored)
                m_stored(load);
        }
    } catch (const Failure& error) {
        m_log(QStringLiteral("history: %1 loads wait, %2 %3")
                  .arg(m_waiting.size())
                  .arg(error.path(), error.detail()));
        // A store that failed to open, or whose file went bad, is opened
        // anew next time.
        if (error.cause() != FailureCause::Locked)
            m_store.reset();
        stored = error;
    }
    // Those stored leave the file; a file that cannot be changed now would
    // only store them twice at the next start.
    if (m_waiting.size() != before) {
        m_waitingKept = writeWaiting();
        if (!m_waitingKept && stored)
            stored = Failure(FailureCause::WaitingNotUpdated, m_waitingPath);
    }
    return stored;
}

void HistoryRecorder::readWaiting()
{
    const RegularFileRead file = readRegularFile(m_waitingPath, waitingFileLimit);
    if (file.outcome == RegularFileRead::Absent)
        return;
    QJsonParseError parsed;
    const QJsonDocument document = file.outcome == RegularFileRead::Read
        ? QJsonDocument::fromJson(file.bytes, &parsed)
        : QJsonDocument();
    if (file.outcome != RegularFileRead::Read || parsed.error != QJsonParseError::NoError
        || !document.isArray()) {
        // Kept for whoever can still read it; the next write starts afresh.
        setWaitingAside(file);
        return;
    }
    for (const QJsonValue& value : document.array()) {
        LoadRecord load;
        if (load.readJson(value.toObject()))
            m_waiting << load;
        else
            m_log(QStringLiteral("history: a waiting load in %1 could not be read")
                      .arg(m_waitingPath));
    }
}

void HistoryRecorder::setWaitingAside(const RegularFileRead& file)
{
    const QString kept = setAside(m_waitingPath);
    m_log(QStringLiteral("history: waiting loads %1 not read (%2), kept as '%3'")
              .arg(m_waitingPath, file.detail, kept));
    const QString shown = QDir::toNativeSeparators(m_waitingPath);
    QString what = QStringLiteral("等待保存的历史记录文件“%1”已损坏，没有读取").arg(shown);
    if (file.outcome == RegularFileRead::NotRegular)
        what
            = QStringLiteral("等待保存的历史记录文件“%1”不是普通文件（可能是链接或设备），没有读取")
                  .arg(shown);
    else if (file.outcome == RegularFileRead::Unreadable)
        what = QStringLiteral("等待保存的历史记录文件“%1”无法读取").arg(shown);
    m_setAsideNotice = kept.isEmpty()
        ? what + QStringLiteral("，也无法移走。")
        : what + QStringLiteral("，已移到“%1”。").arg(QDir::toNativeSeparators(kept));
}

bool HistoryRecorder::writeWaiting()
{
    if (m_waiting.isEmpty()) {
        // A removal a power cut undoes would bring back loads already stored.
        const Done removed = removeFileDurably(m_waitingPath);
        if (!removed.ok())
            m_log(QStringLiteral("history: waiting loads not removed, %1").arg(removed.logText()));
        return removed.ok();
    }
    QJsonArray loads;
    for (const LoadRecord& load : m_waiting)
        loads.append(load.toJson());
    const Done written
        = writeFileDurably(m_waitingPath, QJsonDocument(loads).toJson(QJsonDocument::Compact));
    if (!written.ok())
        m_log(QStringLiteral("history: waiting loads not written, %1").arg(written.logText()));
    return written.ok();
}
