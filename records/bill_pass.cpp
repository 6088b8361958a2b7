#include "records/bill_pass.h"

void BillPass::reportSaved()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_saved = true;
    }
    m_changed.notify_all();
}

void BillPass::reportEnded(const PassOutcome& ended)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        outcome = ended;
        m_saved = m_saved || ended.saved;
        m_ended = true;
    }
    m_changed.notify_all();
}

bool BillPass::waitUntilSavedOrEnded()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_saved || m_ended; });
    return m_saved;
}
