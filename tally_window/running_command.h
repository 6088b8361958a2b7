#pragma once

#include <QApplication>

// One workbook command at a time: a click that reaches a button while a
// command's message box is up is dropped, so a press never runs inside
// another and posts its row twice. Shows the wait cursor meanwhile.
class RunningCommand {
public:
    explicit RunningCommand(bool& running)
        : m_running(running)
        , m_started(!running)
    {
        if (!m_started)
            return;
        m_running = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~RunningCommand()
    {
        if (!m_started)
            return;
        QApplication::restoreOverrideCursor();
        m_running = false;
    }
    explicit operator bool() const { return m_started; }

private:
    bool& m_running;
    bool m_started;
};
