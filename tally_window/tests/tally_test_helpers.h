#pragma once

#include "tally_window/form1.h"

#include <QLineEdit>
#include <QTest>
#include <memory>

// Finds a control of the tally window by its name, failing loudly if absent.
template <typename T = QLineEdit> T* control(QWidget* window, const QString& name)
{
    T* found = window->findChild<T*>(name);
    if (!found)
        qFatal("no control named %s", qPrintable(name));
    return found;
}

inline QLineEdit* field(QWidget* window, const QString& name)
{
    return control<QLineEdit>(window, name);
}

// A shown and active tally window, as the scaler meets it.
inline std::unique_ptr<Form1> shownForm1()
{
    auto window = std::make_unique<Form1>();
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("tally window did not become active");
    return window;
}
