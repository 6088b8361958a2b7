#include "tally_window/tally_journal.h"

#include "support/event_log.h"
#include "tally_window/click_label.h"
#include "tally_window/journal_file.h"
#include "tally_window/sheet_operations.h"
#include "tally_window/tally_field.h"
#include "tally_window/tally_snapshot.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

// Half a second at most from a change to the disk: the timer starts at the
// first unsaved change and is never pushed back by further typing, which
// leaves time for the write itself on a busy machine.
constexpr int writeDelayMs = 250;
constexpr int busyRetryMs = 20;
constexpr int failedRetryMs = 2000;

// Ctrl+Z anywhere in the window, before the focused field sees it.
class UndoKey : public QObject {
public:
    UndoKey(QWidget* window, std::function<bool()> undo)
        : m_window(window)
        , m_undo(std::move(undo))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress
            || !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo))
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || (widget != m_window && !m_window->isAncestorOf(widget)))
            return false;
        return m_undo();
    }

private:
    QWidget* m_window;
    std::function<bool()> m_undo;
};

// What the journal keeps of the window: what the scaler typed.
Tally typedTally(const TallyFields& fields)
{
    return typedPart(readTally(fields));
}

// What the clerk is told of a journal that was not read.
QString setAsideNotice(const JournalFile::Reading& reading, const QString& path)
{
    if (reading.kind == JournalFile::Reading::NotAFile)
        return reading.keptPath.isEmpty()
            ? QStringLiteral("检尺单日志 %1 "
                             "不是普通文件（可能是链接或设备），且无法移走。本次不保存检尺单日志。")
                  .arg(path)
            : QStringLiteral("检尺单日志 %1 不是普通文件（可能是链接或设备），没有读取，已移到 %2 "
                             "。现从空白检尺单开始。")
                  .arg(path, reading.keptPath);
    return reading.keptPath.isEmpty()
        ? QStringLiteral("检尺单日志 %1 已损坏，且无法另存。本次不保存检尺单日志。").arg(path)
        : QStringLiteral("上次的检尺单日志已损坏，无法恢复，已另存为 %1 。现从空白检尺单开始。")
              .arg(reading.keptPath);
}

} // namespace

TallyJournal::TallyJournal(
    const QString& folder, const TallyFields& fields, QWidget* window, std::function<bool()> busy)
    : m_folder(folder)
    , m_fields(fields)
    , m_window(window)
    , m_busy(std::move(busy))
{
    m_startTally = typedTally(fields);
    m_writer.setMaxThreadCount(1);
    m_writeTimer.setSingleShot(true);
    connect(&m_writeTimer, &QTimer::timeout, this, &TallyJournal::writeIfChanged);

    for (const auto& row : fields.grid)
        for (int element = 0; element < Tally::rowElements; ++element)
            if (Tally::typedElement(element))
                connect(row[element], &QLineEdit::textChanged, this, &TallyJournal::onStateChanged);
    for (TallyField* field : { fields.lengths[0], fields.lengths[1], fields.lengths[2],
             fields.lengths[3], fields.text17, fields.text22, fields.text20, fields.text24 })
        connect(field, &QLineEdit::textChanged, this, &TallyJournal::onStateChanged);
    for (const TallyFields::BoundText& text : fields.texts)
        connect(text.field, &QLineEdit::textChanged, this, &TallyJournal::onStateChanged);
    for (QComboBox* box :
        { fields.combo1, fields.combo2, fields.combo3, fields.combo4, fields.combo5 })
        connect(box, &QComboBox::editTextChanged, this, &TallyJournal::onStateChanged);
    // A layout switch that happens to rewrite no text still changes the state.
    for (ClickLabel* link : { fields.label19, fields.label20 })
        connect(link, &ClickLabel::clicked, this, &TallyJournal::onStateChanged);
}

TallyJournal::~TallyJournal()
{
    endCleanly();
}

QString TallyJournal::path() const
{
    return m_file ? m_file->path() : QString();
}

QString TallyJournal::start()
{
    if (m_folder.isEmpty())
        return {};
    auto file = std::make_unique<JournalFile>(m_folder);
    if (!file->lock()) {
        logEvent(QStringLiteral("tally journal in %1 is another program's; this one keeps none")
                     .arg(m_folder));
        return {};
    }
    const JournalFile::Reading reading = file->read();
    if (reading.kind == JournalFile::Reading::Damaged
        || reading.kind == JournalFile::Reading::NotAFile) {
        logEvent(QStringLiteral("tally journal %1 not read (%2), kept as '%3'")
                     .arg(file->path(), reading.detail, reading.keptPath));
        const QString notice = setAsideNotice(reading, file->path());
        // What cannot be moved aside is not written over.
        if (!reading.keptPath.isEmpty()) {
            m_file = std::move(file);
            m_lastQueued = JournalRecord { false, typedTally(m_fields), std::nullopt };
        }
        return notice;
    }
    m_file = std::move(file);
    if (reading.kind == JournalFile::Reading::Read && reading.record.keptAtExit) {
        showTally(m_fields, reading.record.tally);
        m_lastQueued = JournalRecord { false, typedTally(m_fields), std::nullopt };
        m_restoredAfterExit = true;
        // From here on an end out of order is one, as for any sheet.
        queueWrite(*m_lastQueued);
        logEvent(QStringLiteral("tally kept at the exit restored from %1").arg(m_file->path()));
        return {};
    }
    // A fresh sheet needs no record until it changes.
    if (reading.kind == JournalFile::Reading::Absent || reading.record.clean) {
        m_lastQueued = JournalRecord { false, typedTally(m_fields), std::nullopt };
        return {};
    }
    m_lastQueued = reading.record;
    return restoreFrom(reading.record);
}

QString TallyJournal::restoreFrom(const JournalRecord& record)
{
    const bool tallyRestored = record.tally != typedTally(m_fields);
    if (!tallyRestored && !record.beforeClear)
        return {};
    showTally(m_fields, record.tally);
    if (record.beforeClear)
        keepUndo(*record.beforeClear);
    logEvent(QStringLiteral("tally restored from %1").arg(m_file->path()));
    // Cleared just before the crash: nothing to restore but the undo.
    if (!tallyRestored)
        return QStringLiteral("上次意外退出前清除的检尺单可以用 Ctrl+Z 恢复。");
    return QStringLiteral("已恢复上次意外退出前的检尺单。");
}

bool TallyJournal::showRestored(const QByteArray& json, const std::function<bool()>& replace)
{
    const std::optional<JournalRecord> record = parseJournalJson(json);
    if (!record)
        return false;
    const Tally onScreen = typedTally(m_fields);
    if (onScreen == record->tally)
        return true;
    if (onScreen != typedPart(Tally()) && !replace())
        return false;
    dropUndo();
    showTally(m_fields, record->tally);
    logEvent(QStringLiteral("restored tally journal shown"));
    return true;
}

void TallyJournal::onStateChanged()
{
    if (m_beforeClear && !m_undoCheckQueued) {
        // Judged once the change and its reactions are over: the species
        // list's arrival passes through an empty box and back.
        m_undoCheckQueued = true;
        QMetaObject::invokeMethod(this, &TallyJournal::checkUndo, Qt::QueuedConnection);
    }
    if (m_file && !m_ended && !m_writeTimer.isActive())
        m_writeTimer.start(writeDelayMs);
}

void TallyJournal::writeIfChanged()
{
    if (m_busy && m_busy()) {
        m_writeTimer.start(busyRetryMs);
        return;
    }
    checkUndo();
    JournalRecord record;
    record.tally = typedTally(m_fields);
    record.beforeClear = m_beforeClear;
    if (m_lastQueued && *m_lastQueued == record)
        return;
    m_lastQueued = record;
    queueWrite(record);
}

void TallyJournal::queueWrite(const JournalRecord& record)
{
    JournalFile* file = m_file.get();
    m_writer.start([this, file, record] {
        const Done written = file->write(journalJson(record));
        if (written.ok()) {
            m_failing = false;
            return;
        }
        // Logged once per run of failures; retried until a write succeeds.
        if (!m_failing.exchange(true))
            logEvent(QStringLiteral("tally journal not written: %1").arg(written.logText()));
        QMetaObject::invokeMethod(this, &TallyJournal::onWriteFailed, Qt::QueuedConnection);
    });
}

void TallyJournal::onWriteFailed()
{
    m_lastQueued.reset();
    if (!m_ended && !m_writeTimer.isActive())
        m_writeTimer.start(failedRetryMs);
}

void TallyJournal::markSettled(const Tally& tally)
{
    m_settledTally = typedPart(tally);
}

bool TallyJournal::hasUnsettledEdits() const
{
    const Tally typed = typedTally(m_fields);
    return typed != m_startTally && typed != m_settledTally;
}

void TallyJournal::endCleanly(bool keepUnsettled)
{
    if (m_ended)
        return;
    m_ended = true;
    m_writeTimer.stop();
    m_writer.waitForDone();
    if (!m_file)
        return;
    JournalRecord record;
    record.clean = true;
    record.keptAtExit = keepUnsettled && hasUnsettledEdits();
    record.tally = typedTally(m_fields);
    if (const Done written = m_file->write(journalJson(record)); !written.ok())
        logEvent(QStringLiteral("tally journal not marked clean: %1").arg(written.logText()));
}

void TallyJournal::clearSheet()
{
    checkUndo();
    const Tally before = typedTally(m_fields);
    clearTallySheet(m_fields);
    m_settledTally = typedTally(m_fields);
    // Clearing a sheet already clear keeps the undo of the first clearing.
    if (typedTally(m_fields) != before)
        keepUndo(before);
}

bool TallyJournal::canUndoClear()
{
    checkUndo();
    return m_beforeClear.has_value();
}

bool TallyJournal::undoClear()
{
    if (!canUndoClear())
        return false;
    const Tally before = *m_beforeClear;
    dropUndo();
    showTally(m_fields, before);
    onStateChanged();
    return true;
}

void TallyJournal::keepUndo(const Tally& before)
{
    m_beforeClear = before;
    m_afterClear = typedTally(m_fields);
    if (!m_undoKey) {
        m_undoKey = new UndoKey(m_window, [this] { return undoClear(); });
        m_undoKey->setParent(this);
        qApp->installEventFilter(m_undoKey);
    }
    onStateChanged();
}

void TallyJournal::dropUndo()
{
    m_beforeClear.reset();
    if (m_undoKey) {
        // It may be the filter running now.
        qApp->removeEventFilter(m_undoKey);
        m_undoKey->deleteLater();
        m_undoKey = nullptr;
    }
    onStateChanged();
}

// Any edit after the clearing ends its undo.
void TallyJournal::checkUndo()
{
    m_undoCheckQueued = false;
    if (m_beforeClear && typedTally(m_fields) != m_afterClear)
        dropUndo();
}
