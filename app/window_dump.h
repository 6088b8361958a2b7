#pragma once

// For the end-to-end test, which drives the real window from outside: on
// request (SIGUSR1 with QUORVANE_WINDOW_DUMP set), the program writes what
// the window shows into that file.

#include <QString>

class QWidget;

// One line per named field and button: "name<TAB>text<TAB>x,y,w,h" with the
// place inside the window, then "message<TAB>text" for an open message box.
void writeWindowDump(const QWidget& window, const QString& path);
