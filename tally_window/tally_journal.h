#pragma once

// The tally journal: every change of what the scaler typed reaches
// the journal file in the data folder within half a second, written on a
// thread of its own so typing never waits for the disk. A clean end marks
// the record clean; a start after an unclean end puts the tally back.
// It also keeps the tally as it was before the last clearing, so Ctrl+Z
// brings it back until the next edit, also after a crash.

#include "tally_window/journal_record.h"
#include "tally_window/tally_fields.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class JournalFile;
class QWidget;

class TallyJournal : public QObject {
public:
    // `folder` empty: the window keeps no journal. `busy` holds off writes
    // while it returns true (during a recalculation tick).
    TallyJournal(const QString& folder, const TallyFields& fields, QWidget* window,
        std::function<bool()> busy);
    // Ends cleanly.
    ~TallyJournal() override;

    // Takes the journal and, after an unclean end, puts its tally back on the
    // window. Returns what to tell the scaler, or an empty text.
    QString start();

    // Clears the sheet, keeping what was there for one undo.
    void clearSheet();
    // Brings back the tally of before the last clearing, if no edit followed.
    bool undoClear();
    bool canUndoClear();

    // Lets the pending writes finish and marks the record clean. With
    // `keepUnsettled` a tally edited since it was last posted, billed or
    // cleared is kept for the next start.
    void endCleanly(bool keepUnsettled = false);
    // The tally went into the books as `tally` (a posting or a bill).
    void markSettled(const Tally& tally);
    // The sheet differs from how it starts, and no posting, bill or
    // clearing came after its last edit.
    bool hasUnsettledEdits() const;
    // start() put back the tally an exit kept.
    bool restoredAfterExit() const { return m_restoredAfterExit; }

    // A journal a restore brought back (its JSON): its sheet goes on the
    // window, once `replace` agrees when the sheet there holds typing of
    // its own. False when it does not read or was not shown.
    bool showRestored(const QByteArray& json, const std::function<bool()>& replace);

    // Whether this window writes the journal (a second program does not).
    bool isWriting() const { return m_file != nullptr; }
    QString path() const;

private:
    void onStateChanged();
    void writeIfChanged();
    void queueWrite(const JournalRecord& record);
    void onWriteFailed();
    void keepUndo(const Tally& before);
    void dropUndo();
    void checkUndo();
    QString restoreFrom(const JournalRecord& record);

    QString m_folder;
    const TallyFields& m_fields;
    QWidget* m_window;
    std::function<bool()> m_busy;
    std::unique_ptr<JournalFile> m_file;
    QTimer m_writeTimer;
    QThreadPool m_writer; // one thread: writes reach the file in order
    std::optional<JournalRecord> m_lastQueued;
    std::atomic<bool> m_failing { false };
    bool m_ended = false;

    Tally m_startTally; // what a fresh sheet holds
    std::optional<Tally> m_settledTally; // as last posted, billed or cleared
    bool m_restoredAfterExit = false;

    std::optional<Tally> m_beforeClear;
    Tally m_afterClear;
    bool m_undoCheckQueued = false;
    QObject* m_undoKey = nullptr; // the Ctrl+Z filter, while an undo is kept
};
