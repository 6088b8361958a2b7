#include "tally_test_helpers.h"

#include <QComboBox>
#include <QTest>

class TestEntryBehaviour : public QObject {
    Q_OBJECT

private slots:
    void writesBelowTheThresholdAreBlanked_data();
    void writesBelowTheThresholdAreBlanked();
    void aReactionTestsTheWholeArray_data();
    void aReactionTestsTheWholeArray();
    void unitPricesKeepTwoDecimals_data();
    void unitPricesKeepTwoDecimals();
    void typingIntoAVolumeField_data();
    void typingIntoAVolumeField();
    void typingAUnitPrice();
    void enterAdvancesAlongTheTabOrder_data();
    void enterAdvancesAlongTheTabOrder();
    void enterWalksTheWholeLoad();
    void keysRightAfterEnterGoToTheNextField();
    void arrowsStepAlongTheRow_data();
    void arrowsStepAlongTheRow();
    void focusSelectsTheWholeText();
    void clickSelectsTheWholeText();
};

void TestEntryBehaviour::writesBelowTheThresholdAreBlanked_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("shown");

    QTest::newRow("zero cell volume is blanked") << "Text3(5)"
                                                 << "0.0000"
                                                 << "";
    QTest::newRow("0.0002 cell volume stays") << "Text3(5)"
                                              << "0.0002"
                                              << "0.0002";
    QTest::newRow("0.0001 cell volume stays") << "Text7(11)"
                                              << "0.0001"
                                              << "0.0001";
    QTest::newRow("0.0001 stays in row 1 block 0 too") << "Text1(2)"
                                                       << "0.0001"
                                                       << "0.0001";
    QTest::newRow("zero in row 1 block 0 is blanked") << "Text1(2)"
                                                      << "0.0000"
                                                      << "";
    QTest::newRow("negative cell volume is blanked") << "Text9(8)"
                                                     << "-0.5000"
                                                     << "";
    QTest::newRow("volume in text order: .5 is blanked") << "Text2(2)"
                                                         << ".5"
                                                         << "";
    QTest::newRow("a count of 0 is not tested") << "Text2(1)"
                                                << "0"
                                                << "0";
    QTest::newRow("a diameter of 0 is not tested") << "Text2(0)"
                                                   << "0"
                                                   << "0";
    QTest::newRow("piece total 0 is blanked") << "Text29(0)"
                                              << "0"
                                              << "";
    QTest::newRow("piece total 10 stays: 1 is its prefix") << "Text29(2)"
                                                           << "10"
                                                           << "10";
    QTest::newRow("piece total 05 is blanked by text order") << "Text29(1)"
                                                             << "05"
                                                             << "";
    QTest::newRow("pair piece total 0 is blanked") << "Text29(5)"
                                                   << "0"
                                                   << "";
    QTest::newRow("hidden element 6 is never tested") << "Text29(6)"
                                                      << "0"
                                                      << "0";
    QTest::newRow("volume total 0.0000 is blanked") << "Text30(4)"
                                                    << "0.0000"
                                                    << "";
    QTest::newRow("volume total 0.3100 stays") << "Text30(0)"
                                               << "0.3100"
                                               << "0.3100";
    QTest::newRow("hidden element 7 is never tested") << "Text30(7)"
                                                      << "0.0000"
                                                      << "0.0000";
    QTest::newRow("group pieces 0 are blanked") << "Text16(1)"
                                                << "0"
                                                << "";
    QTest::newRow("all pieces 5 stay") << "Text16(3)"
                                       << "5"
                                       << "5";
    QTest::newRow("group volume 0.0000 is blanked") << "Text18(2)"
                                                    << "0.0000"
                                                    << "";
    QTest::newRow("total volume 0.0001 stays") << "Text18(3)"
                                               << "0.0001"
                                               << "0.0001";
    QTest::newRow("amount 0.00 is blanked") << "Text28(0)"
                                            << "0.00"
                                            << "";
    QTest::newRow("amount 0.005 is blanked") << "Text28(1)"
                                             << "0.005"
                                             << "";
    QTest::newRow("negative amount is blanked") << "Text28(2)"
                                                << "-5"
                                                << "";
    QTest::newRow("amount 0.01 stays") << "Text28(2)"
                                       << "0.01"
                                       << "0.01";
    QTest::newRow("total amount 128.5 stays") << "Text28(3)"
                                              << "128.5"
                                              << "128.5";
    QTest::newRow("overflow text stays visible") << "Text30(1)"
                                                 << "溢出"
                                                 << "溢出";
}

void TestEntryBehaviour::writesBelowTheThresholdAreBlanked()
{
    QFETCH(QString, name);
    QFETCH(QString, written);
    QFETCH(QString, shown);
    TestTally window;
    QLineEdit* target = field(window, name);
    target->setText(written);
    QCOMPARE(target->text(), shown);
}

void TestEntryBehaviour::aReactionTestsTheWholeArray_data()
{
    QTest::addColumn<QString>("planted");
    QTest::addColumn<QString>("plantedText");
    QTest::addColumn<QString>("changed");
    QTest::addColumn<QString>("expected");

    QTest::newRow("a count write tests the row's volumes") << "Text2(8)"
                                                           << "0.0000"
                                                           << "Text2(1)"
                                                           << "";
    QTest::newRow("a diameter write tests the row's volumes") << "Text6(11)"
                                                              << "0"
                                                              << "Text6(3)"
                                                              << "";
    QTest::newRow("another row's volume is left") << "Text3(2)"
                                                  << "0.0000"
                                                  << "Text2(1)"
                                                  << "0.0000";
    QTest::newRow("a hidden total write tests the shown ones") << "Text29(3)"
                                                               << "0"
                                                               << "Text29(7)"
                                                               << "";
    QTest::newRow("one amount write tests all four") << "Text28(3)"
                                                     << "0"
                                                     << "Text28(0)"
                                                     << "";
}

// Plants a below-threshold text without raising the reaction, then writes
// another element of the same or another array.
void TestEntryBehaviour::aReactionTestsTheWholeArray()
{
    QFETCH(QString, planted);
    QFETCH(QString, plantedText);
    QFETCH(QString, changed);
    QFETCH(QString, expected);
    TestTally window;
    QLineEdit* plantedField = field(window, planted);
    plantedField->blockSignals(true);
    plantedField->setText(plantedText);
    plantedField->blockSignals(false);

    field(window, changed)->setText(QStringLiteral("3"));
    QCOMPARE(plantedField->text(), expected);
}

void TestEntryBehaviour::unitPricesKeepTwoDecimals_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("shown");
    QTest::newRow("whole price") << "7"
                                 << "7.00";
    QTest::newRow("one decimal") << "7.5"
                                 << "7.50";
    QTest::newRow("digits then letters") << "8abc"
                                         << "8.00";
    QTest::newRow("letters only") << "abc"
                                  << "0.00";
    QTest::newRow("halves round up as read") << "2.675"
                                             << "2.68";
    QTest::newRow("emptied price") << ""
                                   << "0.00";
    QTest::newRow("overflow") << "1e400"
                              << "溢出";
}

void TestEntryBehaviour::unitPricesKeepTwoDecimals()
{
    QFETCH(QString, written);
    QFETCH(QString, shown);
    TestTally window;
    QLineEdit* price = field(window, QStringLiteral("Text19(1)"));
    price->setText(QStringLiteral("350"));
    QCOMPARE(price->text(), QStringLiteral("350.00"));
    price->setText(written);
    QCOMPARE(price->text(), shown);
    // Every write reformats all three prices, and the nesting has ended.
    QCOMPARE(field(window, QStringLiteral("Text19(0)"))->text(), QStringLiteral("0.00"));
    QCOMPARE(field(window, QStringLiteral("Text19(2)"))->text(), QStringLiteral("0.00"));
}

void TestEntryBehaviour::typingIntoAVolumeField_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a first 0 is blanked at once") << "0"
                                                  << "";
    QTest::newRow("a first point is blanked at once") << "."
                                                      << "";
    QTest::newRow("so 0.5 cannot be typed") << "0.5"
                                            << "5";
    QTest::newRow("a value starting with 1 to 9 stays") << "1.25"
                                                        << "1.25";
}

void TestEntryBehaviour::typingIntoAVolumeField()
{
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    auto tally = shownForm1();
    Form1* window = tally->get();
    QLineEdit* volume = field(window, QStringLiteral("Text4(5)"));
    volume->setFocus();
    QTest::keyClicks(volume, keys);
    QCOMPARE(volume->text(), shown);
}

void TestEntryBehaviour::typingAUnitPrice()
{
    auto tally = shownForm1();
    Form1* window = tally->get();
    QLineEdit* price = field(window, QStringLiteral("Text19(0)"));
    price->setText(QStringLiteral("350"));
    price->setFocus();
    price->selectAll();
    QTest::keyClick(price, Qt::Key_7);
    QCOMPARE(price->text(), QStringLiteral("7.00"));
    price->selectAll();
    QTest::keyClick(price, Qt::Key_Delete);
    QCOMPARE(price->text(), QStringLiteral("0.00"));
}

void TestEntryBehaviour::enterAdvancesAlongTheTabOrder_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("length of block 0 to the first count") << "Text23"
                                                          << "Text1(1)";
    QTest::newRow("down the count column") << "Text1(1)"
                                           << "Text2(1)";
    QTest::newRow("last count of block 0 to block 1") << "Text14(1)"
                                                      << "Text1(4)";
    QTest::newRow("last count of block 3 to the diameters") << "Text14(10)"
                                                            << "Text1(0)";
    QTest::newRow("last diameter of block 0 to block 1") << "Text14(0)"
                                                         << "Text1(3)";
    QTest::newRow("first diameter of block 1 to its length") << "Text1(3)"
                                                             << "Text15";
    QTest::newRow("length of block 1 to the next diameter") << "Text15"
                                                            << "Text2(3)";
    QTest::newRow("a caption box advances too, to the next caption") << "Combo4"
                                                                     << "Combo2";
    QTest::newRow("a bill field advances too, past the caption") << "Text17"
                                                                 << "Text22";
}

void TestEntryBehaviour::enterAdvancesAlongTheTabOrder()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    auto tally = shownForm1();
    Form1* window = tally->get();
    QWidget* start = control<QWidget>(window, from);
    start->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), start);
    QTest::keyClick(start, Qt::Key_Return);
    QTRY_COMPARE(QApplication::focusWidget(), control<QWidget>(window, to));
}

namespace {

QString gridName(int row, int element)
{
    return QStringLiteral("Text%1(%2)").arg(row).arg(element);
}

// The column `element` of the grid from `fromRow` down.
QStringList gridColumn(int element, int fromRow = 1)
{
    QStringList names;
    for (int row = fromRow; row <= 14; ++row)
        names << gridName(row, element);
    return names;
}

QStringList arrayNames(const QString& array, int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("%1(%2)").arg(array).arg(i);
    return names;
}

} // namespace

// Enter alone from block 0's length: the 86 stops of the counts, then the
// other lengths and diameters, the header, species, scaler and footer values,
// only then what the tick writes and the buttons, and last the captions.
void TestEntryBehaviour::enterWalksTheWholeLoad()
{
    QStringList path { "Text23" };
    for (int block = 0; block < 4; ++block)
        path << gridColumn(3 * block + 1);
    path << gridColumn(0) << "Text1(3)"
         << "Text15" << gridColumn(3, 2);
    QCOMPARE(path.size(), 86);
    path << "Text26"
         << "Text21" << gridColumn(6) << gridColumn(9);
    path << "Text17"
         << "Text22"
         << "Combo3"
         << "Text25"
         << "Text20"
         << "Text24";
    for (int block = 0; block < 4; ++block)
        path << gridColumn(3 * block + 2);
    path << arrayNames("Text29", 4) << arrayNames("Text30", 4) << arrayNames("Text16", 4)
         << arrayNames("Text18", 4) << arrayNames("Text19", 3) << arrayNames("Text28", 4);
    path << "Command5"
         << "Command7"
         << "Command4"
         << "Command3"
         << "Command8"
         << "Command2"
         << "Command6";
    path << "Combo4"
         << "Combo2"
         << "Combo5"
         << "Combo1";

    auto tally = shownForm1();
    Form1* window = tally->get();
    QWidget* start = control<QWidget>(window, path[0]);
    start->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), start);
    QStringList walked { path[0] };
    // The window's own focus child: moved by each Enter as it is handled.
    while (walked.size() < path.size()) {
        QTest::keyClick(window->focusWidget(), Qt::Key_Return);
        walked << window->focusWidget()->objectName();
    }
    QCOMPARE(walked, path);
    // Presses of Enter from Text23: the buyer, the species and the scaler.
    QCOMPARE(walked.indexOf("Text17"), 116);
    QCOMPARE(walked.indexOf("Combo3"), 118);
    QCOMPARE(walked.indexOf("Text25"), 119);
}

void TestEntryBehaviour::keysRightAfterEnterGoToTheNextField()
{
    auto tally = shownForm1();
    Form1* window = tally->get();
    QLineEdit* first = field(window, QStringLiteral("Text9(1)"));
    first->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), first);
    // As a busy machine delivers them: all queued at once, each going to
    // whichever field has the focus when its turn comes.
    QWindow* handle = window->windowHandle();
    for (Qt::Key key : { Qt::Key_5, Qt::Key_Return, Qt::Key_3, Qt::Key_Enter, Qt::Key_7 }) {
        const QString text = QString(QChar::fromLatin1(QTest::keyToAscii(key)));
        for (QEvent::Type type : { QEvent::KeyPress, QEvent::KeyRelease })
            QCoreApplication::postEvent(handle, new QKeyEvent(type, key, Qt::NoModifier, text));
    }
    QCoreApplication::sendPostedEvents();
    QCOMPARE(first->text(), QStringLiteral("5"));
    QCOMPARE(field(window, QStringLiteral("Text10(1)"))->text(), QStringLiteral("3"));
    QCOMPARE(field(window, QStringLiteral("Text11(1)"))->text(), QStringLiteral("7"));
}

void TestEntryBehaviour::arrowsStepAlongTheRow_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("to");
    QTest::newRow("down moves one field right") << "Text3(4)" << int(Qt::Key_Down) << "Text3(5)";
    QTest::newRow("up moves one field left") << "Text3(4)" << int(Qt::Key_Up) << "Text3(3)";
    QTest::newRow("down wraps from block 3's volume")
        << "Text7(11)" << int(Qt::Key_Down) << "Text7(0)";
    QTest::newRow("up wraps from block 0's diameter")
        << "Text7(0)" << int(Qt::Key_Up) << "Text7(11)";
    QTest::newRow("arrows never leave the row") << "Text14(11)" << int(Qt::Key_Down) << "Text14(0)";
}

void TestEntryBehaviour::arrowsStepAlongTheRow()
{
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(QString, to);
    auto tally = shownForm1();
    Form1* window = tally->get();
    QLineEdit* start = field(window, from);
    start->setFocus();
    QTest::keyClick(start, Qt::Key(key));
    QLineEdit* target = field(window, to);
    QTRY_COMPARE(QApplication::focusWidget(), target);
    QCOMPARE(target->selectedText(), target->text());
}

void TestEntryBehaviour::focusSelectsTheWholeText()
{
    auto tally = shownForm1();
    Form1* window = tally->get();
    QLineEdit* count = field(window, QStringLiteral("Text5(1)"));
    count->setText(QStringLiteral("12"));
    QLineEdit* previous = field(window, QStringLiteral("Text4(1)"));
    previous->setFocus();
    QTest::keyClick(previous, Qt::Key_Return);
    QTRY_COMPARE(QApplication::focusWidget(), count);
    QCOMPARE(count->selectedText(), QStringLiteral("12"));
    QTest::keyClicks(count, QStringLiteral("3"));
    QCOMPARE(count->text(), QStringLiteral("3"));
}

void TestEntryBehaviour::clickSelectsTheWholeText()
{
    auto tally = shownForm1();
    Form1* window = tally->get();
    QLineEdit* length = field(window, QStringLiteral("Text26"));
    QTest::mouseClick(length, Qt::LeftButton, {}, QPoint(5, 10));
    QTRY_COMPARE(QApplication::focusWidget(), length);
    QCOMPARE(length->selectedText(), QStringLiteral("5"));
    QTest::keyClicks(length, QStringLiteral("6"));
    QCOMPARE(length->text(), QStringLiteral("6"));
}

QTEST_MAIN(TestEntryBehaviour)
#include "test_entry_behaviour.moc"
