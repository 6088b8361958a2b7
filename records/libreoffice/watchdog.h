#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Runs an action on its own thread when an armed deadline passes: the one
// way out of a UNO call that an office in trouble never answers.
class Watchdog {
public:
    explicit Watchdog(std::function<void()> onExpiry);
    ~Watchdog();

    void arm(std::chrono::steady_clock::time_point deadline);
    void disarm();

private:
    void watch();

    std::function<void()> m_onExpiry;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
    bool m_stopping = false;
    std::thread m_thread;
};

// Armed for its lifetime.
class WatchdogArm {
public:
    WatchdogArm(Watchdog& watchdog, int seconds)
        : m_watchdog(watchdog)
    {
        m_watchdog.arm(std::chrono::steady_clock::now() + std::chrono::seconds(seconds));
    }
    ~WatchdogArm() { m_watchdog.disarm(); }
    void rearm(int seconds)
    {
        m_watchdog.arm(std::chrono::steady_clock::now() + std::chrono::seconds(seconds));
    }
    WatchdogArm(const WatchdogArm&) = delete;
    WatchdogArm& operator=(const WatchdogArm&) = delete;

private:
    Watchdog& m_watchdog;
};
