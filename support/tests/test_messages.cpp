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
    void answersEndWithTheirTest();
    void theBoxOnScreenHasTheKindsButtons_data();
    void theBoxOnScreenHasTheKindsButtons();
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
    QCOMPARE(answers.texts(), (QStringList { QStringLiteral("无法保存"), QStringLiteral("第一问"), QStringLiteral("第二问") }));
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
    QCOMPARE(answers.present({ kind, QStringLiteral("Quorvane"), QStringLiteral("未料到") }), answer);
    QCOMPARE(reported, QStringList { QStringLiteral("未料到") });
}

void TestMessages::answersEndWithTheirTest()
{
    TestAnswers outer;
    {
        TestAnswers inner;
        inner.setNextAnswer(MessageAnswer::Yes);
        QVERIFY(Messages::askYesNo(nullptr, QStringLiteral("Quorvane"), QStringLiteral("里")));
    }
    QCOMPARE(installedMessagePresenter(), &outer);
    QVERIFY(outer.shown.isEmpty());
}

void TestMessages::theBoxOnScreenHasTheKindsButtons_data()
{
    QTest::addColumn<MessageKind>("kind");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QStringList>("buttons");
    QTest::newRow("A plain message has no icon and OK only")
        << MessageKind::Information << QMessageBox::NoIcon << QStringList { QStringLiteral("OK") };
    QTest::newRow("A warning has its icon and OK only")
        << MessageKind::Warning << QMessageBox::Warning << QStringList { QStringLiteral("OK") };
    QTest::newRow("A question offers 是 and 否, and Enter answers 否")
        << MessageKind::Question << QMessageBox::NoIcon << QStringList { QStringLiteral("是"), QStringLiteral("否") };
}

void TestMessages::theBoxOnScreenHasTheKindsButtons()
{
    QFETCH(MessageKind, kind);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(QStringList, buttons);
    QVERIFY(!installedMessagePresenter());
    QMessageBox* seen = nullptr;
    QStringList seenButtons;
    QMessageBox::Icon seenIcon = QMessageBox::Critical;
    // Only this test looks at a real box, and answers it with Enter.
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || seen)
            return;
        seen = box;
        seenIcon = box->icon();
        for (QAbstractButton* button : box->buttons())
            seenButtons << button->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    poll.start(10);
    bool yes = false;
    if (kind == MessageKind::Question)
        yes = Messages::askYesNo(nullptr, QStringLiteral("Quorvane"), QStringLiteral("问"));
    else if (kind == MessageKind::Warning)
        Messages::warning(nullptr, QStringLiteral("Quorvane"), QStringLiteral("警告"));
    else
        Messages::information(nullptr, QStringLiteral("Quorvane"), QStringLiteral("消息"));
    QVERIFY(seen);
    QCOMPARE(seenIcon, icon);
    seenButtons.sort();
    buttons.sort();
    QCOMPARE(seenButtons, buttons);
    QVERIFY(!yes);
}

QTEST_MAIN(TestMessages)
#include "test_messages.moc"
