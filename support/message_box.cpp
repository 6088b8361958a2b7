#include "support/message_box.h"

#include "support/messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

MessageAnswer answerOf(const QMessageBox& box, int answer, const QAbstractButton* action)
{
    if (action)
        return box.clickedButton() == action ? MessageAnswer::Action : MessageAnswer::Ok;
    if (!box.button(QMessageBox::Yes))
        return MessageAnswer::Ok;
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

MessageAnswer showBox(QWidget* parent, const Message& message)
{
    if (MessagePresenter* presenter = installedMessagePresenter())
        return presenter->present(message);
    const bool question = message.kind == MessageKind::Question;
    const QMessageBox::Icon icon
        = message.kind == MessageKind::Warning ? QMessageBox::Warning : QMessageBox::NoIcon;
    QMessageBox box(icon, message.title, message.text,
        question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    if (question) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否"));
        box.setDefaultButton(QMessageBox::No);
    }
    const QAbstractButton* action = nullptr;
    if (message.kind == MessageKind::About) {
        box.setIconPixmap((parent ? parent->windowIcon() : QApplication::windowIcon()).pixmap(64));
        action = box.addButton(message.action, QMessageBox::ActionRole);
    }
    // The wait cursor of a running command is not the box's.
    const bool busy = QApplication::overrideCursor();
    if (busy)
        QApplication::restoreOverrideCursor();
    const int answer = box.exec();
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    return answerOf(box, answer, action);
}

} // namespace

namespace Messages {

void information(QWidget* parent, const QString& title, const QString& text)
{
    showBox(parent, { MessageKind::Information, title, text });
}

void warning(QWidget* parent, const QString& title, const QString& text)
{
    showBox(parent, { MessageKind::Warning, title, text });
}

bool askYesNo(QWidget* parent, const QString& title, const QString& question)
{
    return showBox(parent, { MessageKind::Question, title, question }) == MessageAnswer::Yes;
}

bool about(QWidget* parent, const QString& title, const QString& text, const QString& action)
{
    return showBox(parent, { MessageKind::About, title, text, action }) == MessageAnswer::Action;
}

} // namespace Messages
