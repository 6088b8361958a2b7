#pragma once

// The messages and questions the windows put to the clerk. Windows show them
// through message_box.h; a presenter installed here (the answers of a test)
// takes them instead of the screen.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

enum class MessageKind {
    Information, // the program's plain message: no icon, OK
    Warning, // a warning icon, OK
    Question, // 是 and 否, 否 the default
    About, // the window's icon, OK and one button of its own, named by `action`
};

enum class MessageAnswer { Ok, Yes, No, Action };

struct Message {
    MessageKind kind = MessageKind::Information;
    QString title;
    QString text;
    QString action {}; // About: the text of its own button
};

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual MessageAnswer present(const Message& message) = 0;
};

// The presenter in place of the screen, or null.
MessagePresenter* installedMessagePresenter();

// While it lives, no box is shown: each message takes the next answer given
// to setNextAnswer(), in order. A message with no answer left was not
// expected: `unexpected` hears of it (a test fails there) and it is answered
// OK, or 否 if a question, which leaves things as they were.
class MessageAnswers : public MessagePresenter {
public:
    explicit MessageAnswers(std::function<void(const Message&)> unexpected);
    ~MessageAnswers() override;
    MessageAnswers(const MessageAnswers&) = delete;
    MessageAnswers& operator=(const MessageAnswers&) = delete;

    void setNextAnswer(MessageAnswer answer);
    // Answers not yet taken by a message.
    int waitingAnswers() const { return int(m_answers.size()); }

    // Every message presented while this lived, the unexpected ones too.
    QList<Message> shown;
    QStringList texts() const;
    // Runs while a message is up, before its answer.
    std::function<void(const Message&)> whileShown;

    MessageAnswer present(const Message& message) override;

private:
    std::function<void(const Message&)> m_unexpected;
    QList<MessageAnswer> m_answers;
    MessagePresenter* m_previous;
};
