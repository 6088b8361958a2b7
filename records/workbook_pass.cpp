#include "records/workbook_pass.h"

#include "records/event_log.h"
#include "support/phase_log.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

struct PassRunner {
    static PassOutcome run(const QString& what, const QString& path, const PassBody& body)
    {
        WorkbookPass pass;
        const PhaseCommand command(what);
        for (int attempt = 1;; ++attempt) {
            PassLog log(what, path);
            try {
                body(pass);
                return { std::nullopt, pass.m_saved };
            } catch (const Failure& error) {
                log.failed(error);
                // Only an office that died or hung gets a second try: the
                // next pass starts a new one. A locked, damaged or missing
                // workbook would fail the same way again.
                const bool officeFailed = error.cause() == FailureCause::OfficeNotResponding;
                if (attempt > 1 || pass.m_saved || !officeFailed)
                    return { error, pass.m_saved };
            }
        }
    }
};

PassOutcome runWorkbookPass(const QString& what, const QString& path, const PassBody& body)
{
    return PassRunner::run(what, path, body);
}

BackgroundPass::BackgroundPass(QObject* owner)
    : QObject(owner)
    , m_watcher(new QFutureWatcher<PassOutcome>(this))
{
    connect(m_watcher, &QFutureWatcher<PassOutcome>::finished, this, [this] {
        // Taken first: `done` may start the next pass.
        const Done done = std::move(m_done);
        m_done = {};
        if (done)
            done(m_watcher->result());
    });
}

BackgroundPass::~BackgroundPass()
{
    m_watcher->waitForFinished();
}

void BackgroundPass::start(const QString& what, const QString& path, PassBody body, Done done)
{
    m_done = std::move(done);
    m_watcher->setFuture(QtConcurrent::run(
        [what, path, body = std::move(body)] { return runWorkbookPass(what, path, body); }));
}

bool BackgroundPass::isRunning() const
{
    return m_watcher->isRunning();
}

void BackgroundPass::waitForFinished()
{
    m_watcher->waitForFinished();
}
