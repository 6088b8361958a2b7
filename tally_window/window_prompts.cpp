#include "tally_window/window_prompts.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

// The wait cursor of a running command is not the box's.
int showModal(QMessageBox& box)
{
    const bool busy = QApplication::overrideCursor();
    if (busy)
        QApplication::restoreOverrideCursor();
    const int answer = box.exec();
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    return answer;
}

} // namespace

void WindowPrompts::attach(QWidget* window, QLineEdit* totalVolume)
{
    m_window = window;
    m_totalVolume = totalVolume;
}

void WindowPrompts::showMessage(const QString& text)
{
    QMessageBox box(
        QMessageBox::NoIcon, QStringLiteral("Quorvane"), text, QMessageBox::Ok, m_window);
    showModal(box);
}

void WindowPrompts::focusTotalVolume()
{
    if (m_totalVolume)
        m_totalVolume->setFocus(Qt::OtherFocusReason);
}

bool WindowPrompts::askYesNo(const QString& question)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quorvane"), question,
        QMessageBox::Yes | QMessageBox::No, m_window);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    box.setDefaultButton(QMessageBox::No);
    return showModal(box) == QMessageBox::Yes;
}
