#pragma once

// Where a workbook command's time goes: each phase (the office pass, the
// cell writes, the Chinese type, the stores, the archive copies, the
// preview) with its duration, in the event log as
// "phase <command>: <phase> <ms> ms". Off unless QUORVANE_PHASES=1 is in
// the environment or setPhaseLog(true) was called: the lines are many.

#include <QElapsedTimer>
#include <QString>

bool phaseLogOn();
void setPhaseLog(bool on);

// The command the phases of this thread belong to, for as long as it lives.
class PhaseCommand {
public:
    explicit PhaseCommand(const QString& command);
    ~PhaseCommand();

private:
    QString m_outer;
};

// Logs one phase from its construction to its end (or to done()).
class PhaseTimer {
public:
    explicit PhaseTimer(const char* phase);
    ~PhaseTimer();
    void done();

private:
    const char* m_phase;
    QElapsedTimer m_timer;
};

// Logs a phase timed elsewhere.
void logPhase(const QString& command, const char* phase, qint64 ms);
