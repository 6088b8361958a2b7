#include "tally_window/window_prompts.h"

#include "support/message_box.h"

#include <QLineEdit>

namespace {

const QString programTitle = QStringLiteral("Quorvane");

} // namespace

void WindowPrompts::attach(QWidget* window, QLineEdit* totalVolume)
{
    m_window = window;
    m_totalVolume = totalVolume;
}

void WindowPrompts::showMessage(const QString& text)
{
    Messages::information(m_window, programTitle, text);
}

void WindowPrompts::focusTotalVolume()
{
    if (m_totalVolume)
        m_totalVolume->setFocus(Qt::OtherFocusReason);
}

bool WindowPrompts::askYesNo(const QString& question)
{
    return Messages::askYesNo(m_window, programTitle, question);
}
