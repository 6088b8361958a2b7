#pragma once

// Records each completed posting and bill into the history. A store that
// fails never undoes or holds up the workbook command: the load waits in a
// small file beside the database and is written, in order, before the next
// one, or at the next start.

#include "history/history_store.h"
#include "support/regular_file.h"

#include <QVector>
#include <QtGlobal>
#include <functional>
#include <memory>

class HistoryRecorder {
public:
    using StoreOpener = std::function<std::unique_ptr<HistoryStore>()>;

    // `waitingPath`: the file of the loads not stored yet.
    HistoryRecorder(StoreOpener openStore, QString waitingPath);
    ~HistoryRecorder();

    // Stores what waits, then the load; on a failure the load waits too.
    Done record(const LoadRecord& load);
    // Stores what waits; a failure when some still waits.
    Done storeWaiting();
    int waitingCount() const { return int(m_waiting.size()); }
    // False when the loads that wait could not be written to their file
    // either (a full disk): they then wait only while the program runs.
    bool waitingKeptOnDisk() const { return m_waitingKept; }
    // When the file of the waiting loads was damaged or not a regular file,
    // and so was moved aside unread: what the clerk is told. Empty otherwise.
    QString setAsideNotice() const { return m_setAsideNotice; }

    // The store, opened on first use; null while it cannot be opened (the
    // cause goes to the log).
    HistoryStore* store();
    // Where the driver's own words of a failure go (standard error unless set).
    void setLog(std::function<void(const QString&)> log) { m_log = std::move(log); }
    // Called after each load stored, with its id.
    void setStoredHandler(std::function<void(const LoadRecord&)> handler)
    {
        m_stored = std::move(handler);
    }

private:
    Done storeAll();
    void readWaiting();
    void setWaitingAside(const RegularFileRead& file);
    bool writeWaiting();

    StoreOpener m_openStore;
    QString m_waitingPath;
    std::unique_ptr<HistoryStore> m_store;
    QVector<LoadRecord> m_waiting;
    bool m_waitingKept = true;
    QString m_setAsideNotice;
    std::function<void(const LoadRecord&)> m_stored;
    std::function<void(const QString&)> m_log
        = [](const QString& text) { qWarning("%s", qPrintable(text)); };
};

// history-waiting.json in the data folder.
QString waitingLoadsPath(const QString& dataFolder);
