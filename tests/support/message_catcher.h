#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <functional>

// Answers every modal message box that opens while it lives, as a user
// pressing OK would, and records what the box said.
class MessageCatcher : public QObject {
public:
    struct Message {
        QString title;
        QString text;
        QMessageBox::Icon icon;
    };

    MessageCatcher()
    {
        connect(&m_poll, &QTimer::timeout, this, &MessageCatcher::answerOpenBox);
        m_poll.start(5);
    }

    QList<Message> messages;
    // Runs while a box is up, just before it is answered.
    std::function<void()> beforeAnswer;

    QStringList texts() const
    {
        QStringList all;
        for (const Message& message : messages)
            all << message.text;
        return all;
    }

private:
    void answerOpenBox()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        messages.append({ box->windowTitle(), box->text(), box->icon() });
        if (beforeAnswer)
            beforeAnswer();
        box->accept();
    }

    QTimer m_poll;
};
