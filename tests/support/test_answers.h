#pragma once

#include "support/messages.h"

#include <QTest>

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
};
