#pragma once

// A window's button, named for the tests and the log, that Enter typed in
// one of the window's fields never presses.

#include <QString>

class QPushButton;

QPushButton* namedButton(const QString& text, const QString& objectName);
