#pragma once

// The one way a window shows a message box: modal over `parent`, the
// texts as given, Qt's standard OK (in Chinese once the program installs
// Qt's translation) and 是/否 for a question. A test answers them through
// MessageAnswers (support/messages.h) instead.

class QString;
class QWidget;

namespace Messages {

// The program's plain message: no icon.
void information(QWidget* parent, const QString& title, const QString& text);
void warning(QWidget* parent, const QString& title, const QString& text);
// True when the clerk answers 是; 否 is the default button.
bool askYesNo(QWidget* parent, const QString& title, const QString& question);
// The program's name and version beside the parent's icon, with OK and a
// button of its own: true when the clerk pressed `action`.
bool about(QWidget* parent, const QString& title, const QString& text, const QString& action);

} // namespace Messages
