#include "records/libreoffice/watchdog.h"

Watchdog::Watchdog(std::function<void()> onExpiry)
    : m_onExpiry(std::move(onExpiry))
    , m_thread([this] { watch(); })
{
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void Watchdog::arm(std::chrono::steady_clock::time_point deadline)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deadline = deadline;
    }
    m_changed.notify_all();
}

void Watchdog::disarm()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deadline.reset();
    }
    m_changed.notify_all();
}

void Watchdog::watch()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        if (!m_deadline) {
            m_changed.wait(lock);
            continue;
        }
        const auto deadline = *m_deadline;
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout
            && m_deadline == deadline) {
            m_deadline.reset();
            lock.unlock();
            m_onExpiry();
            lock.lock();
        }
    }
}
