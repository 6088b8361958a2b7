#include "support/message_box.h"
#include "support/messages.h"
#include "test_answers.h"

#include <QTest>

Q_DECLARE_METATYPE(MessageKind)
Q_DECLARE_METATYPE(MessageAnswer)

class TestMessages : public QObject {
    Q_OBJECT

private slots:
    void answersAreTakenInOrder();
    void anUnexpectedBoxIsReportedAndChangesNothing_data();
    void anUnexpectedBoxIsReportedAndChangesNothing();
};

void TestMessages::answersAreTakenInOrder()
{
    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok);
    answers.setNextAnswer(MessageAnswer::Yes);
    answers.setNextAnswer(MessageAnswer::No);
    Messages::warning(nullptr, QStringLiteral("Quorvane"), QStringLiteral("无法保存"));
    QVERIFY(Messages::askYesNo(nullptr, QStringLiteral("Quorvane"), QStringLiteral("第一问")));
    QVERIFY(!Messages::askYesNo(nullptr, QStringLiteral("Quorvane"), QStringLiteral("第二问")));
    QCOMPARE(answers.waitingAnswers(), 0);
    QCOMPARE(answers.texts(),
        (QStringList {
            QStringLiteral("无法保存"), QStringLiteral("第一问"), QStringLiteral("第二问") }));
    QCOMPARE(answers.shown[0].kind, MessageKind::Warning);
    QCOMPARE(answers.shown[0].title, QStringLiteral("Quorvane"));
    QCOMPARE(answers.shown[1].kind, MessageKind::Question);
}

void TestMessages::anUnexpectedBoxIsReportedAndChangesNothing_data()
{
    QTest::addColumn<MessageKind>("kind");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::newRow("An unexpected question is answered no")
        << MessageKind::Question << MessageAnswer::No;
    QTest::newRow("An unexpected warning is answered OK")
        << MessageKind::Warning << MessageAnswer::Ok;
}

void TestMessages::anUnexpectedBoxIsReportedAndChangesNothing()
{
    QFETCH(MessageKind, kind);
    QFETCH(MessageAnswer, answer);
    QStringList reported;
    MessageAnswers answers([&reported](const Message& message) { reported << message.text; });
    QCOMPARE(
        answers.present({ kind, QStringLiteral("Quorvane"), QStringLiteral("未料到") }), answer);
    QCOMPARE(reported, QStringList { QStringLiteral("未料到") });
}

QTEST_MAIN(TestMessages)
#include "test_messages.moc"
