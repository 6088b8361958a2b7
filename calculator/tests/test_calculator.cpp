#include "calculator/calculator_engine.h"
#include "calculator/calculator_window.h"
#include "test_answers.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

// Presses space-separated keys by their captions; returns how many
// divisions by zero were refused.
int press(CalculatorEngine& engine, const QString& keys)
{
    int refused = 0;
    for (const QString& key : keys.split(u' ', Qt::SkipEmptyParts)) {
        if (key.size() == 1 && key.at(0).isDigit())
            engine.pressDigit(key.toInt());
        else if (key == QStringLiteral("."))
            engine.pressDecimal();
        else if (key == QStringLiteral("+/-"))
            engine.pressSign();
        else if (key == QStringLiteral("%"))
            engine.pressPercent();
        else if (key == QStringLiteral("C"))
            engine.pressClear();
        else if (key == QStringLiteral("CE"))
            engine.pressClearEntry();
        else if (engine.pressOperator(key) == CalculatorEngine::KeyResult::DivisionByZero)
            ++refused;
    }
    return refused;
}

} // namespace

class TestCalculator : public QObject {
    Q_OBJECT

private slots:
    void keySequences_data();
    void keySequences();
    void divisionByZeroLeavesTheAccumulator();
    void windowKeysDriveTheReadout();
    void keyboardPressesTheMatchingKeys();
    void divisionByZeroShowsTheMessage();
    void exitHidesAndKeepsTheState();

private:
    // Any box a test did not answer fails it.
    TestAnswers m_unexpectedBoxes;
};

void TestCalculator::keySequences_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("readout");

    QTest::newRow("starts at the zero readout") << ""
                                                << "0.";
    QTest::newRow("a digit keeps the separator at the end") << "1 2"
                                                            << "12.";
    QTest::newRow("2 + 3 = gives 5 without separator") << "2 + 3 ="
                                                       << "5";
    QTest::newRow("= again leaves 5") << "2 + 3 = ="
                                      << "5";
    QTest::newRow("a second operator only replaces the first") << "2 + + 3 ="
                                                               << "5";
    QTest::newRow("2 + - 3 = gives -1") << "2 + - 3 ="
                                        << "-1";
    QTest::newRow("a number after = starts afresh") << "2 + 3 = 4 X 5 ="
                                                    << "20";
    QTest::newRow("chained operators compute as they go") << "2 + 3 X 4 ="
                                                          << "20";
    QTest::newRow("200 X 5 % = gives 10") << "2 0 0 X 5 % ="
                                          << "10";
    QTest::newRow("percent shows its quotient") << "5 %"
                                                << "0.05";
    QTest::newRow("sign key is ignored after an operator") << "2 + +/-"
                                                           << "2.";
    QTest::newRow("sign key turns a result negative") << "2 + 3 = +/-"
                                                      << "-5";
    QTest::newRow("sign key twice restores the number") << "7 +/- +/-"
                                                        << "7.";
    QTest::newRow("negated entry computes") << "7 +/- + 2 ="
                                            << "-5";
    QTest::newRow("decimal twice adds one separator") << "1 . . 5"
                                                      << "1.5";
    QTest::newRow("1 . 5 shows 1.5") << "1 . 5"
                                     << "1.5";
    QTest::newRow("a leading zero stays") << "0 5"
                                          << "05.";
    QTest::newRow("a leading zero reads as 5") << "0 5 + 1 ="
                                               << "6";
    QTest::newRow("decimal first gives 0.") << "."
                                            << "0.";
    QTest::newRow("an operator first takes 0.") << "+ 3 ="
                                                << "3";
    QTest::newRow("division gives 15 digits") << "1 / 3 ="
                                              << "0.333333333333333";
    QTest::newRow("CE clears the entry only") << "8 + 5 CE 2 ="
                                              << "10";
    QTest::newRow("C clears everything") << "8 + 5 C 2 + 1 ="
                                         << "3";
    const QString hundredMillion = QStringLiteral("1 0 0 0 0 0 0 0 0 ");
    QTest::newRow("large results use an exponent") << hundredMillion + QStringLiteral("X ")
            + hundredMillion + QStringLiteral("X ") + hundredMillion
            + QStringLiteral("=") << "1E+24";
    QTest::newRow("small results use an exponent") << "1 / 4 0 0 0 0 0 ="
                                                   << "2.5E-06";
    QString overflow = QStringLiteral("1 0 0 0 0 0 0 0 0 0 ");
    for (int i = 0; i < 35; ++i)
        overflow += QStringLiteral("X 1 0 0 0 0 0 0 0 0 0 ");
    QTest::newRow("overflow shows 溢出") << overflow + QStringLiteral("=") << "溢出";
    QTest::newRow("overflow does not stop the next calculation")
        << overflow + QStringLiteral("= C 2 + 2 =") << "4";
    QTest::newRow("a number typed after overflow starts afresh")
        << overflow + QStringLiteral("= 3 X 2 =") << "6";
}

void TestCalculator::keySequences()
{
    QFETCH(QString, keys);
    QFETCH(QString, readout);
    CalculatorEngine engine;
    press(engine, keys);
    QCOMPARE(engine.readout(), readout);
}

void TestCalculator::divisionByZeroLeavesTheAccumulator()
{
    CalculatorEngine engine;
    QCOMPARE(press(engine, QStringLiteral("7 / 0 =")), 1);
    QCOMPARE(engine.readout(), QStringLiteral("7."));
    QCOMPARE(engine.accumulator(), QStringLiteral("7."));
    // The pending operation is now "=", so the next number starts afresh.
    QCOMPARE(press(engine, QStringLiteral("4 + 1 =")), 0);
    QCOMPARE(engine.readout(), QStringLiteral("5"));
}

void TestCalculator::windowKeysDriveTheReadout()
{
    Main window;
    QCOMPARE(window.windowTitle(), QStringLiteral("计算器"));
    auto* readout = window.findChild<QLabel*>(QStringLiteral("Readout"));
    QCOMPARE(readout->text(), QStringLiteral("0."));
    auto click = [&](const char* name) {
        QTest::mouseClick(
            window.findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
    };
    click("Number(2)");
    click("Operator(1)"); // +
    click("Number(3)");
    click("Decimal");
    click("Number(5)");
    QCOMPARE(readout->text(), QStringLiteral("3.5"));
    click("Operator(2)"); // X
    click("Number(2)");
    click("Operator(4)"); // =
    QCOMPARE(readout->text(), QStringLiteral("11"));
    click("negcmd");
    QCOMPARE(readout->text(), QStringLiteral("-11"));
    click("Cancel");
    QCOMPARE(readout->text(), QStringLiteral("0."));
}

void TestCalculator::keyboardPressesTheMatchingKeys()
{
    Main window;
    auto* readout = window.findChild<QLabel*>(QStringLiteral("Readout"));
    QTest::keyClicks(&window, QStringLiteral("12*3="));
    QCOMPARE(readout->text(), QStringLiteral("36"));
    QTest::keyClicks(&window, QStringLiteral("50+25%"));
    QCOMPARE(readout->text(), QStringLiteral("0.25"));
    QTest::keyClick(&window, Qt::Key_Return);
    QCOMPARE(readout->text(), QStringLiteral("50.25"));
    QTest::keyClicks(&window, QStringLiteral("9/4"));
    QTest::keyClick(&window, Qt::Key_Delete);
    QCOMPARE(readout->text(), QStringLiteral("0."));
    QTest::keyClicks(&window, QStringLiteral("2-"));
    QCOMPARE(readout->text(), QStringLiteral("4.5"));
    QTest::keyClick(&window, Qt::Key_Escape);
    QCOMPARE(readout->text(), QStringLiteral("0."));
}

void TestCalculator::divisionByZeroShowsTheMessage()
{
    Main window;
    window.show();
    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok);
    QTest::keyClicks(&window, QStringLiteral("7/0="));
    QCOMPARE(answers.shown.size(), 1);
    QCOMPARE(answers.shown[0].text, QStringLiteral("除数不能为零"));
    QCOMPARE(answers.shown[0].title, QStringLiteral("计算器"));
    QCOMPARE(answers.shown[0].kind, MessageKind::Warning);
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Readout"))->text(), QStringLiteral("7."));
}

void TestCalculator::exitHidesAndKeepsTheState()
{
    Main window;
    window.show();
    QTest::keyClicks(&window, QStringLiteral("42"));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    QVERIFY(window.isHidden());
    window.show();
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Readout"))->text(), QStringLiteral("42."));
}

QTEST_MAIN(TestCalculator)
#include "test_calculator.moc"
