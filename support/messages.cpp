#include "support/messages.h"

namespace {

MessagePresenter* installed = nullptr;

} // namespace

MessagePresenter* installedMessagePresenter()
{
    return installed;
}

MessageAnswers::MessageAnswers(std::function<void(const Message&)> unexpected)
    : m_unexpected(std::move(unexpected))
    , m_previous(installed)
{
    installed = this;
}

MessageAnswers::~MessageAnswers()
{
    installed = m_previous;
}

void MessageAnswers::setNextAnswer(MessageAnswer answer)
{
    m_answers.append(answer);
}

QStringList MessageAnswers::texts() const
{
    QStringList all;
    for (const Message& message : shown)
        all << message.text;
    return all;
}

MessageAnswer MessageAnswers::present(const Message& message)
{
    shown.append(message);
    if (whileShown)
        whileShown(message);
    if (m_answers.isEmpty()) {
        if (m_unexpected)
            m_unexpected(message);
        return message.kind == MessageKind::Question ? MessageAnswer::No : MessageAnswer::Ok;
    }
    return m_answers.takeFirst();
}
