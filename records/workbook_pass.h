#pragma once

// Every workbook command runs its office pass through here: the pass is
// logged, tried once more with a new office when the office died or hung
// before anything was saved, and its failure comes back for the message.
// A saved workbook is never written a second time: that would post a load
// twice or give a bill a second number.

#include "records/workbook.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

template <typename T> class QFutureWatcher;

class WorkbookPass {
public:
    // From here on a failure is not retried.
    void markSaved() { m_saved = true; }
    bool saved() const { return m_saved; }

private:
    friend struct PassRunner;
    bool m_saved = false;
};

struct PassOutcome {
    // Empty when the pass went through.
    std::optional<Failure> failure;
    // Whether the workbook was saved, also when the pass failed after.
    bool saved = false;
};

using PassBody = std::function<void(WorkbookPass&)>;

// Runs `body` (which throws Failure) under the one retry rule; the
// pass is logged under `what` and `path`.
PassOutcome runWorkbookPass(const QString& what, const QString& path, const PassBody& body);

// The same on a worker thread for a window: `done` runs on the owner's
// thread. One pass at a time; the body must not touch widgets.
class BackgroundPass : public QObject {
public:
    using Done = std::function<void(const PassOutcome&)>;

    explicit BackgroundPass(QObject* owner);
    // Waits for a running pass: it works through the owner's spreadsheet.
    ~BackgroundPass() override;

    void start(const QString& what, const QString& path, PassBody body, Done done);
    bool isRunning() const;
    void waitForFinished();

private:
    QFutureWatcher<PassOutcome>* m_watcher;
    Done m_done;
};
