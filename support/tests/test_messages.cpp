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
    QWidget window;
    QPixmap icon(16, 16);
    icon.fill(Qt::darkGreen);
    window.setWindowIcon(icon);
    QStringList buttons;
    bool hasIcon = false;
    QTimer press;
    connect(&press, &QTimer::timeout, &window, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        press.stop();
        hasIcon = !box->iconPixmap().isNull();
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == pressed
                || (pressed == QLatin1String("OK") && button == box->button(QMessageBox::Ok)))
                return button->click();
        box->button(QMessageBox::Ok)->click();
    });
    press.start(5);
    const bool answer = Messages::about(&window, QStringLiteral("关于原木检尺"),
        QStringLiteral("原木检尺（Quorvane）"), QStringLiteral("打开数据文件夹"));
    QCOMPARE(answer, action);
    QCOMPARE(buttons.size(), 2);
    QVERIFY(buttons.contains(QStringLiteral("打开数据文件夹")));
    QVERIFY(hasIcon);
}

QTEST_MAIN(TestMessages)
#include "test_messages.moc"
