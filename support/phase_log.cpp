#include "support/phase_log.h"

#include "support/event_log.h"

#include <atomic>

namespace {

std::atomic<bool>& phaseSwitch()
{
    static std::atomic<bool> on { qEnvironmentVariableIntValue("QUORVANE_PHASES") == 1 };
    return on;
}

thread_local QString currentCommand;

} // namespace

bool phaseLogOn()
{
    return phaseSwitch().load(std::memory_order_relaxed);
}

void setPhaseLog(bool on)
{
    phaseSwitch().store(on);
}

PhaseCommand::PhaseCommand(const QString& command)
    : m_outer(currentCommand)
{
    currentCommand = command;
}

PhaseCommand::~PhaseCommand()
{
    currentCommand = m_outer;
}

PhaseTimer::PhaseTimer(const char* phase)
    : m_phase(phaseLogOn() ? phase : nullptr)
{
    if (m_phase)
        m_timer.start();
}

PhaseTimer::~PhaseTimer()
{
    done();
}

void PhaseTimer::done()
{
    if (!m_phase)
        return;
    logPhase(currentCommand, m_phase, m_timer.elapsed());
    m_phase = nullptr;
}

void logPhase(const QString& command, const char* phase, qint64 ms)
{
    if (!phaseLogOn())
        return;
    const QString who = command.isEmpty() ? QStringLiteral("workbook") : command;
    logEvent(QStringLiteral("phase %1: %2 %3 ms").arg(who, QLatin1String(phase)).arg(ms));
}
