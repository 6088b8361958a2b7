#pragma once

// Esc and Ctrl+W close a window of the program, as they close the desktop's
// own windows. Closing goes through the window's close(), so whatever its
// close event does (a question about unsaved edits, a dialog's reject) is
// done for the keys too.

class QWidget;

void addCloseKeys(QWidget* window);
