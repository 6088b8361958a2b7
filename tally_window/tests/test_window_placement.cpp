#include "calculator/calculator_window.h"
#include "tally_test_helpers.h"
#include "tally_window/window_placement.h"

#include <QScreen>
#include <QTest>

// The calculator opens beside the tally sheet, never off the screen. Runs
// on a 1600 x 900 screen, which has room on either side of the tally.
class TestWindowPlacement : public QObject {
    Q_OBJECT

private slots:
    void opensBesideTheAnchor_data();
    void opensBesideTheAnchor();
    void calculatorOpensBesideTheTally_data();
    void calculatorOpensBesideTheTally();
};

void TestWindowPlacement::opensBesideTheAnchor_data()
{
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("expected");
    const QRect screen(0, 0, 1600, 900);
    const QRect shifted(-1600, 40, 1600, 900); // a second screen, left of the first

    QTest::newRow("to the right where it fits") << QRect(100, 50, 708, 636) << screen
                                                << QPoint(808, 50);
    QTest::newRow("touching the right edge still fits") << QRect(492, 50, 708, 636) << screen
                                                        << QPoint(1200, 50);
    QTest::newRow("to the left when the right has no room")
        << QRect(800, 50, 708, 636) << screen << QPoint(400, 50);
    QTest::newRow("neither side has room: on screen, on the roomier side")
        << QRect(300, 50, 708, 636) << QRect(0, 0, 1200, 900) << QPoint(0, 50);
    QTest::newRow("a tally above the screen top puts it at the top")
        << QRect(100, -30, 708, 636) << screen << QPoint(808, 0);
    QTest::newRow("a tally low on the screen lifts it into view")
        << QRect(100, 800, 708, 636) << screen << QPoint(808, 650);
    QTest::newRow("a screen left of the primary one") << QRect(-1500, 100, 708, 636) << shifted
                                                      << QPoint(-792, 100);
}

void TestWindowPlacement::opensBesideTheAnchor()
{
    QFETCH(QRect, anchor);
    QFETCH(QRect, screen);
    QFETCH(QPoint, expected);
    const QSize calculator(400, 250);
    const QPoint place = besideWindow(anchor, calculator, screen);
    QCOMPARE(place, expected);
    QVERIFY(screen.contains(QRect(place, calculator)));
}

void TestWindowPlacement::calculatorOpensBesideTheTally_data()
{
    QTest::addColumn<int>("tallyLeft");
    QTest::addColumn<bool>("toTheRight");
    QTest::newRow("a tally on the left half gets it on its right") << 100 << true;
    QTest::newRow("a tally at the right edge gets it on its left") << 880 << false;
}

void TestWindowPlacement::calculatorOpensBesideTheTally()
{
    QFETCH(int, tallyLeft);
    QFETCH(bool, toTheRight);
    auto tally = shownForm1();
    Form1* window = tally->get();
    const QRect screen = window->screen()->availableGeometry();
    QVERIFY2(screen.width() >= 1600, "needs the wide screen of this suite");
    window->move(tallyLeft, 100);
    QTRY_COMPARE(window->pos(), QPoint(tallyLeft, 100));

    QTest::mouseClick(control<QWidget>(window, QStringLiteral("Label23")), Qt::LeftButton);
    auto* calculator = window->findChild<Main*>(QStringLiteral("Main"));
    QVERIFY(calculator && calculator->isVisible());
    QTRY_VERIFY(screen.contains(calculator->frameGeometry()));
    const QRect tallyFrame = window->frameGeometry();
    const QRect frame = calculator->frameGeometry();
    QVERIFY2(!frame.intersects(tallyFrame), "the calculator covers the tally");
    QCOMPARE(frame.top(), tallyFrame.top());
    if (toTheRight)
        QCOMPARE(frame.left(), tallyFrame.right() + 1);
    else
        QCOMPARE(frame.right() + 1, tallyFrame.left());

    // An open calculator the user moved stays where it is.
    calculator->move(20, 20);
    QTRY_COMPARE(calculator->pos(), QPoint(20, 20));
    QTest::mouseClick(control<QWidget>(window, QStringLiteral("Label23")), Qt::LeftButton);
    QCOMPARE(calculator->pos(), QPoint(20, 20));
}

QTEST_MAIN(TestWindowPlacement)
#include "test_window_placement.moc"
