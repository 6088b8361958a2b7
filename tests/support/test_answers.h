#pragma once

#include "support/messages.h"

#include <QTest>
#include <initializer_list>

// The test answers every message box through setNextAnswer(); a box it gave
// no answer for fails the running test at once, naming the box's text.
class TestAnswers : public MessageAnswers {
public:
    TestAnswers()
        : MessageAnswers([](const Message& message) {
            const QByteArray text = ("unexpected message box: " + message.text).toUtf8();
            QTest::qFail(text.constData(), __FILE__, __LINE__);
        })
    {
    }

    void setNextAnswers(std::initializer_list<MessageAnswer> answers)
    {
        for (MessageAnswer answer : answers)
            setNextAnswer(answer);
    }

    // A message whose text starts with `start` takes `answer` however often
    // it comes, for boxes whose number varies with timing (retried presses,
    // an office killed mid-pass); any other still takes the next answer.
    void answerEvery(const QString& start, MessageAnswer answer)
    {
        m_every.append({ start, answer });
    }

    MessageAnswer present(const Message& message) override
    {
        for (const auto& [start, answer] : m_every)
            if (message.text.startsWith(start)) {
                shown.append(message);
                if (whileShown)
                    whileShown(message);
                return answer;
            }
        return MessageAnswers::present(message);
    }

private:
    QList<QPair<QString, MessageAnswer>> m_every;
};

// The text of the last message shown, or none.
inline QString lastMessage(const MessageAnswers& answers)
{
    return answers.shown.isEmpty() ? QString() : answers.shown.last().text;
}
