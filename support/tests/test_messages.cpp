#include "support/message_box.h"
#include "support/messages.h"
#include "test_answers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(MessageKind)
Q_DECLARE_METATYPE(MessageAnswer)

class TestMessages : public QObject {
    Q_OBJECT

private slots:
    void answersAreTakenInOrder();
    void anUnexpectedBoxIsReportedAndChangesNothing_data();
    void anUnexpectedBoxIsReportedAndChangesNothing();
    void theAboutBoxSaysWhichButtonWasPressed_data();
    void theAboutBoxSaysWhichButtonWasPressed();
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

void TestMessages::theAboutBoxSaysWhichButtonWasPressed_data()
{
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<bool>("action");
    QTest::newRow("its own button answers true") << "打开数据文件夹" << true;
    QTest::newRow("OK answers false") << "OK" << false;
}

// The real box, no answers installed: pressed as the clerk would press it.
void TestMessages::theAboutBoxSaysWhichButtonWasPressed()
{
    QFETCH(QString, pressed);
    QFETCH(bool, action);
    QTimer press;
    connect(&press, &QTimer::timeout, this, [&press, pressed] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        press.stop();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == pressed)
                return button->click();
        box->button(QMessageBox::Ok)->click();
    });
    press.start(5);
    QCOMPARE(Messages::about(nullptr, QStringLiteral("关于原木检尺"),
                 QStringLiteral("原木检尺（Quorvane）"), QStringLiteral("打开数据文件夹")),
        action);
}

QTEST_MAIN(TestMessages)
#include "test_messages.moc"
