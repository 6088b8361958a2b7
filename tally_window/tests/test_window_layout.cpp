#include "assets/artwork.h"
#include "calculator/calculator_window.h"
#include "tally_test_helpers.h"
#include "tally_window/window_placement.h"

#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QTest>

// The tally sheet's texts stand clear of each other and of the frame lines
// of its picture; the calculator opens beside the sheet, never off the
// screen. Runs on a 1600 x 900 screen, with room on either side of the tally.
class TestWindowLayout : public QObject {
    Q_OBJECT

private slots:
    void labelsStayClearOfFrameLinesAndControls();
    void theUnitsLabelIsOneLineInTheWindow();
    void opensBesideTheAnchor_data();
    void opensBesideTheAnchor();
    void calculatorOpensBesideTheTally_data();
    void calculatorOpensBesideTheTally();
};

namespace {

// Where a label's words stand in the window, by its font and alignment.
QRect textPlace(const QLabel* label)
{
    if (label->wordWrap())
        return label->geometry();
    const QSize words = label->fontMetrics().size(0, label->text());
    return QStyle::alignedRect(
        label->layoutDirection(), label->alignment(), words, label->contentsRect())
        .translated(label->pos());
}

QString describe(const QString& name, const QRect& r)
{
    return QStringLiteral("%1 at %2,%3 %4x%5")
        .arg(name)
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height());
}

// Labels of the window in both layouts: both layout links, every heading.
QList<QLabel*> labelsOf(QWidget* window)
{
    QList<QLabel*> labels;
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->parentWidget() == window && !label->text().isEmpty()
            && (label->isVisibleTo(window) || label->objectName() == QStringLiteral("Label20")))
            labels << label;
    return labels;
}

} // namespace

// A text over a frame line reads as struck through: each label's words are
// well inside a frame or wholly outside it, and cover no other control or
// label shown with them.
void TestWindowLayout::labelsStayClearOfFrameLinesAndControls()
{
    TestTally tally;
    Form1* window = tally.get();
    QStringList faults;
    for (QLabel* label : labelsOf(window)) {
        const QRect place = textPlace(label);
        const QString name = describe(label->objectName(), place);
        for (const QRectF& frame : backgroundFrames()) {
            const bool inside = frame.adjusted(2, 2, -2, -2).contains(QRectF(place));
            const bool outside = !frame.adjusted(-1, -1, 1, 1).intersects(QRectF(place));
            if (!inside && !outside)
                faults << name + QStringLiteral(" crosses a frame line");
        }
        for (QWidget* other : window->findChildren<QWidget*>()) {
            if (other == label || other->parentWidget() != window)
                continue;
            auto* otherLabel = qobject_cast<QLabel*>(other);
            // The two layout links share one place and are never shown together.
            if (!other->isVisibleTo(window) || (otherLabel && !label->isVisibleTo(window)))
                continue;
            const QRect otherPlace = otherLabel ? textPlace(otherLabel) : other->geometry();
            if (place.intersects(otherPlace))
                faults << name + QStringLiteral(" covers ")
                        + describe(other->objectName(), otherPlace);
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
}

void TestWindowLayout::theUnitsLabelIsOneLineInTheWindow()
{
    TestTally tally;
    auto* units = control<QLabel>(tally, QStringLiteral("Label8"));
    QVERIFY(!units->wordWrap());
    QVERIFY(units->width() >= units->fontMetrics().horizontalAdvance(units->text()));
    QVERIFY(tally->rect().contains(units->geometry()));
    QVERIFY(!units->geometry().intersects(field(tally, QStringLiteral("Text21"))->geometry()));
}

void TestWindowLayout::opensBesideTheAnchor_data()
{
    QTest::addColumn<QRect>("anchor");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("expected");
    const QRect screen(0, 0, 1600, 900);
    const QRect shifted(-1600, 40, 1600, 900); // a second screen, left of the first

    QTest::newRow("to the right where it fits")
        << QRect(100, 50, 708, 636) << screen << QPoint(808, 50);
    QTest::newRow("touching the right edge still fits")
        << QRect(492, 50, 708, 636) << screen << QPoint(1200, 50);
    QTest::newRow("to the left when the right has no room")
        << QRect(800, 50, 708, 636) << screen << QPoint(400, 50);
    QTest::newRow("neither side has room: on screen, on the roomier side")
        << QRect(300, 50, 708, 636) << QRect(0, 0, 1200, 900) << QPoint(0, 50);
    QTest::newRow("a tally above the screen top puts it at the top")
        << QRect(100, -30, 708, 636) << screen << QPoint(808, 0);
    QTest::newRow("a tally low on the screen lifts it into view")
        << QRect(100, 800, 708, 636) << screen << QPoint(808, 650);
    QTest::newRow("a screen left of the primary one")
        << QRect(-1500, 100, 708, 636) << shifted << QPoint(-792, 100);
}

void TestWindowLayout::opensBesideTheAnchor()
{
    QFETCH(QRect, anchor);
    QFETCH(QRect, screen);
    QFETCH(QPoint, expected);
    const QSize calculator(400, 250);
    const QPoint place = besideWindow(anchor, calculator, screen);
    QCOMPARE(place, expected);
    QVERIFY(screen.contains(QRect(place, calculator)));
}

void TestWindowLayout::calculatorOpensBesideTheTally_data()
{
    QTest::addColumn<int>("tallyLeft");
    QTest::addColumn<bool>("toTheRight");
    QTest::newRow("a tally on the left half gets it on its right") << 100 << true;
    QTest::newRow("a tally at the right edge gets it on its left") << 880 << false;
}

void TestWindowLayout::calculatorOpensBesideTheTally()
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

QTEST_MAIN(TestWindowLayout)
#include "test_window_layout.moc"
