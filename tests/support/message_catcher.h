#pragma once

#include "test_answers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTest>
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
        ++liveCount();
        connect(&m_poll, &QTimer::timeout, this, &MessageCatcher::answerOpenBox);
        m_poll.start(5);
    }
    ~MessageCatcher() override { --liveCount(); }

    // How many catchers are answering boxes now.
    static int& liveCount()
    {
        static int count = 0;
        return count;
    }

    QList<Message> messages;
    // Runs while a box is up, just before it is answered.
    std::function<void()> beforeAnswer;
    // How questions (是/否) are answered.
    bool answerQuestions = true;

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
        // A question is answered as `answerQuestions` says.
        if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
            QAbstractButton* no = box->button(QMessageBox::No);
            (answerQuestions || !no ? yes : no)->click();
            return;
        }
        box->accept();
    }

    QTimer m_poll;
};

// Fails the running test at any box it gave no answer for, as TestAnswers
// does; while a MessageCatcher lives, the box is put on screen for it.
class AnswersOrCatcher : public TestAnswers {
public:
    MessageAnswer present(const Message& message) override
    {
        if (MessageCatcher::liveCount() == 0)
            return TestAnswers::present(message);
        const bool question = message.kind == MessageKind::Question;
        QMessageBox box(QMessageBox::NoIcon, message.title, message.text,
            question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
        const int answer = box.exec();
        if (!question)
            return MessageAnswer::Ok;
        return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
};
