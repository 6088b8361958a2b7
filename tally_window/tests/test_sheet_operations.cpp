#include "tally_test_helpers.h"
#include "unit_prices/form4.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

namespace {

QString text(Form1* window, const QString& name)
{
    return field(window, name)->text();
}

QStringList diameterColumn(Form1* window, int block)
{
    QStringList column;
    for (int row = 1; row <= 14; ++row)
        column << text(window, QStringLiteral("Text%1(%2)").arg(row).arg(3 * block));
    return column;
}

QStringList classes(int first)
{
    QStringList all;
    for (int row = 0; row < 14; ++row)
        all << QString::number(first + 2 * row);
    return all;
}

void click(Form1* window, const QString& name)
{
    QTest::mouseClick(control<QWidget>(window, name), Qt::LeftButton);
}

bool shown(Form1* window, const QString& name)
{
    return !control<QWidget>(window, name)->isHidden();
}

} // namespace

class TestSheetOperations : public QObject {
    Q_OBJECT

private slots:
    void switchingToTheExtendedLayout();
    void switchingThereAndBackKeepsCountsAndTheCopiedLength();
    void onlyTheShownLinkReacts();
    void clearingTheStandardLayout();
    void clearingTheExtendedLayout();
    void clearingKeepsTheBillFieldsAndPrices();
};

void TestSheetOperations::switchingToTheExtendedLayout()
{
    TestTally tally;
    field(tally, QStringLiteral("Text1(4)"))->setText(QStringLiteral("3"));
    click(tally, QStringLiteral("Label19"));

    QVERIFY(!shown(tally, QStringLiteral("Label19")));
    QVERIFY(shown(tally, QStringLiteral("Label20")));
    for (const char* name : { "Text15", "Text21", "Label6", "Label10(0)" })
        QVERIFY2(!shown(tally, QString::fromLatin1(name)), name);
    QVERIFY(shown(tally, QStringLiteral("Label10(2)")));
    for (int element = 0; element < 8; ++element) {
        const bool pair = element == 4 || element == 5;
        QCOMPARE(shown(tally, QStringLiteral("Text29(%1)").arg(element)), pair);
        QCOMPARE(shown(tally, QStringLiteral("Text30(%1)").arg(element)), pair);
    }
    QCOMPARE(diameterColumn(tally, 0), classes(4));
    QCOMPARE(diameterColumn(tally, 1), classes(32));
    QCOMPARE(diameterColumn(tally, 2), classes(4));
    QCOMPARE(diameterColumn(tally, 3), classes(32));

    // After two ticks the count is one of 32 cm logs at block 0's 4 m.
    tally->runRecalculationTick();
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text1(5)")), QStringLiteral("1.1670"));
}

void TestSheetOperations::switchingThereAndBackKeepsCountsAndTheCopiedLength()
{
    TestTally tally;
    field(tally, QStringLiteral("Text6(4)"))->setText(QStringLiteral("7"));
    field(tally, QStringLiteral("Text6(10)"))->setText(QStringLiteral("2"));
    click(tally, QStringLiteral("Label19"));
    tally->runRecalculationTick();
    click(tally, QStringLiteral("Label20"));

    QVERIFY(shown(tally, QStringLiteral("Label19")));
    QVERIFY(!shown(tally, QStringLiteral("Label20")));
    for (const char* name :
        { "Text15", "Text21", "Label6", "Label10(0)", "Text29(0)", "Text30(3)" })
        QVERIFY2(shown(tally, QString::fromLatin1(name)), name);
    for (const char* name : { "Text29(4)", "Text30(5)", "Text29(6)", "Text30(7)" })
        QVERIFY2(!shown(tally, QString::fromLatin1(name)), name);
    QCOMPARE(diameterColumn(tally, 1), classes(4));
    QCOMPARE(diameterColumn(tally, 3), classes(4));
    QCOMPARE(text(tally, QStringLiteral("Text6(4)")), QStringLiteral("7"));
    QCOMPARE(text(tally, QStringLiteral("Text6(10)")), QStringLiteral("2"));
    QCOMPARE(text(tally, QStringLiteral("Text15")), QStringLiteral("4"));
    QCOMPARE(text(tally, QStringLiteral("Text21")), QStringLiteral("5"));

    // Block 1 is calculated with the copied length: 7 logs of 14 cm at 4 m.
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text6(5)")), QStringLiteral("0.5810"));
}

void TestSheetOperations::onlyTheShownLinkReacts()
{
    auto shownTally = shownForm1();
    Form1* tally = shownTally->get();
    for (int round = 0; round < 3; ++round) {
        auto* label19 = control<QLabel>(tally, QStringLiteral("Label19"));
        auto* label20 = control<QLabel>(tally, QStringLiteral("Label20"));
        QCOMPARE(label19->isVisible(), !label20->isVisible());
        // The click lands on whichever link is on top at that place.
        QWidget* onTop = tally->childAt(label19->geometry().center());
        QCOMPARE(onTop, label19->isVisible() ? label19 : label20);
        QTest::mouseClick(onTop, Qt::LeftButton);
        QCOMPARE(label19->isVisible(), round % 2 == 1);
    }
}

void TestSheetOperations::clearingTheStandardLayout()
{
    TestTally tally;
    field(tally, QStringLiteral("Text1(0)"))->setText(QStringLiteral("5"));
    field(tally, QStringLiteral("Text9(9)"))->setText(QStringLiteral("x"));
    for (int element : { 1, 4, 7, 10 })
        field(tally, QStringLiteral("Text3(%1)").arg(element))->setText(QStringLiteral("6"));
    field(tally, QStringLiteral("Text17"))->setText(QStringLiteral("林场"));
    tally->runRecalculationTick();
    QVERIFY(!text(tally, QStringLiteral("Text3(8)")).isEmpty());

    click(tally, QStringLiteral("Command4"));
    for (int block = 0; block < 4; ++block) {
        QCOMPARE(diameterColumn(tally, block), classes(4));
        for (int row = 1; row <= 14; ++row) {
            QCOMPARE(
                text(tally, QStringLiteral("Text%1(%2)").arg(row).arg(3 * block + 1)), QString());
            QCOMPARE(
                text(tally, QStringLiteral("Text%1(%2)").arg(row).arg(3 * block + 2)), QString());
        }
    }
    QCOMPARE(text(tally, QStringLiteral("Text17")), QString());
    QVERIFY(shown(tally, QStringLiteral("Label19")));

    // The totals follow at the next tick and are then shown empty.
    QCOMPARE(text(tally, QStringLiteral("Text29(1)")), QStringLiteral("6"));
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text29(1)")), QString());
    QCOMPARE(text(tally, QStringLiteral("Text18(3)")), QString());
}

void TestSheetOperations::clearingTheExtendedLayout()
{
    TestTally tally;
    click(tally, QStringLiteral("Label19"));
    tally->runRecalculationTick();
    field(tally, QStringLiteral("Text2(3)"))->setText(QStringLiteral("99"));
    field(tally, QStringLiteral("Text2(4)"))->setText(QStringLiteral("3"));

    click(tally, QStringLiteral("Command4"));
    QCOMPARE(diameterColumn(tally, 0), classes(4));
    QCOMPARE(diameterColumn(tally, 1), classes(32));
    QCOMPARE(diameterColumn(tally, 3), classes(32));
    QCOMPARE(text(tally, QStringLiteral("Text2(4)")), QString());
    QCOMPARE(text(tally, QStringLiteral("Text15")), QStringLiteral("4"));
    QCOMPARE(text(tally, QStringLiteral("Text21")), QStringLiteral("5"));
    QVERIFY(!shown(tally, QStringLiteral("Label19")));
    QVERIFY(shown(tally, QStringLiteral("Label20")));
}

void TestSheetOperations::clearingKeepsTheBillFieldsAndPrices()
{
    TestTally tally;
    tally->unitPriceWindow()
        ->findChild<QLineEdit*>(QStringLiteral("Text1(0)"))
        ->setText(QStringLiteral("350"));
    const QList<std::pair<const char*, const char*>> kept = { { "Text22", "辽A12345" },
        { "Text20", "东林场" }, { "Text24", "张三" }, { "Text25", "李四" }, { "Text23", "4.5" },
        { "Text15", "6" }, { "Text26", "2" }, { "Text21", "8" } };
    for (const auto& [name, value] : kept)
        field(tally, QString::fromLatin1(name))->setText(QString::fromUtf8(value));
    control<QComboBox>(tally, QStringLiteral("Combo3"))->setEditText(QStringLiteral("落叶松"));
    control<QComboBox>(tally, QStringLiteral("Combo2"))->setEditText(QStringLiteral("联系电话:"));
    tally->runRecalculationTick();

    click(tally, QStringLiteral("Command4"));
    tally->runRecalculationTick();
    for (const auto& [name, value] : kept)
        QCOMPARE(text(tally, QString::fromLatin1(name)), QString::fromUtf8(value));
    QCOMPARE(control<QComboBox>(tally, QStringLiteral("Combo3"))->currentText(),
        QStringLiteral("落叶松"));
    QCOMPARE(control<QComboBox>(tally, QStringLiteral("Combo2"))->currentText(),
        QStringLiteral("联系电话:"));
    QCOMPARE(text(tally, QStringLiteral("Text19(0)")), QStringLiteral("350.00"));

    // Clearing an empty sheet again changes nothing.
    click(tally, QStringLiteral("Command4"));
    QCOMPARE(diameterColumn(tally, 2), classes(4));
}

QTEST_MAIN(TestSheetOperations)
#include "test_sheet_operations.moc"
