#include "tally_test_helpers.h"
#include "unit_prices/form4.h"

#include <QTest>
#include <QTimer>

namespace {

struct Count {
    int row;
    int block;
    const char* count;
};

void typeCounts(Form1* window, std::initializer_list<Count> counts)
{
    for (const Count& c : counts)
        field(window, QStringLiteral("Text%1(%2)").arg(c.row).arg(3 * c.block + 1))
            ->setText(QString::fromLatin1(c.count));
}

void setUnitPrices(Form1* window, const QStringList& prices)
{
    for (int group = 0; group < prices.size(); ++group)
        window->unitPriceWindow()
            ->findChild<QLineEdit*>(QStringLiteral("Text1(%1)").arg(group))
            ->setText(prices[group]);
}

QString text(Form1* window, const QString& name)
{
    return field(window, name)->text();
}

QStringList texts(Form1* window, const QString& array, int count)
{
    QStringList all;
    for (int element = 0; element < count; ++element)
        all << text(window, QStringLiteral("%1(%2)").arg(array).arg(element));
    return all;
}

} // namespace

class TestRecalculation : public QObject {
    Q_OBJECT

private slots:
    void emptySheetShowsOnlyTheUnitPrices();
    void oneCellIsTotalledAndPriced();
    void diametersFallIntoTheirPriceGroups_data();
    void diametersFallIntoTheirPriceGroups();
    void decimalAndNegativeCountsAreSummedAsRead();
    void unitPricesComeFromTheUnitPriceWindow();
    void wholeLoadInTheStandardLayout();
    void wholeLoadInTheExtendedLayout();
    void extendedLayoutCopiesTheLengths();
    void overflowingCountsNeverBreakTheTick();
    void aTextTypedIntoAWrittenFieldIsRewritten_data();
    void aTextTypedIntoAWrittenFieldIsRewritten();
    void aSettledSheetTakesUpPricesAndLayout();
    void timerTicksEvery100ms();
};

void TestRecalculation::emptySheetShowsOnlyTheUnitPrices()
{
    TestTally tally;
    tally->runRecalculationTick();
    for (int row = 1; row <= 14; ++row)
        for (int block = 0; block < 4; ++block)
            QCOMPARE(
                text(tally, QStringLiteral("Text%1(%2)").arg(row).arg(3 * block + 2)), QString());
    QCOMPARE(texts(tally, QStringLiteral("Text29"), 8), QStringList(8, QString()));
    QCOMPARE(texts(tally, QStringLiteral("Text30"), 8), QStringList(8, QString()));
    QCOMPARE(texts(tally, QStringLiteral("Text16"), 4), QStringList(4, QString()));
    QCOMPARE(texts(tally, QStringLiteral("Text18"), 4), QStringList(4, QString()));
    QCOMPARE(texts(tally, QStringLiteral("Text28"), 4), QStringList(4, QString()));
    // No price files: every unit price reads as 0.
    QCOMPARE(texts(tally, QStringLiteral("Text19"), 3), QStringList(3, QStringLiteral("0.00")));
    QVERIFY(tally->unitPriceWindow()->isHidden());
}

void TestRecalculation::oneCellIsTotalledAndPriced()
{
    TestTally tally;
    setUnitPrices(tally, { QStringLiteral("350") });
    typeCounts(tally, { { 5, 0, "5" } });
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text5(2)")), QStringLiteral("0.3100"));
    QCOMPARE(text(tally, QStringLiteral("Text29(0)")), QStringLiteral("5"));
    QCOMPARE(text(tally, QStringLiteral("Text30(0)")), QStringLiteral("0.3100"));
    QCOMPARE(texts(tally, QStringLiteral("Text16"), 4), QStringList({ "5", "", "", "5" }));
    QCOMPARE(
        texts(tally, QStringLiteral("Text18"), 4), QStringList({ "0.3100", "", "", "0.3100" }));
    QCOMPARE(texts(tally, QStringLiteral("Text19"), 3), QStringList({ "350.00", "0.00", "0.00" }));
    QCOMPARE(texts(tally, QStringLiteral("Text28"), 4), QStringList({ "108.50", "", "", "108.5" }));
}

void TestRecalculation::diametersFallIntoTheirPriceGroups_data()
{
    QTest::addColumn<QString>("diameter");
    QTest::addColumn<int>("group");
    QTest::newRow("13 is 12 cm and below") << "13" << 0;
    QTest::newRow("14 is 14 to 18 cm") << "14" << 1;
    QTest::newRow("19 is 14 to 18 cm") << "19" << 1;
    QTest::newRow("19.5 is 20 cm and above") << "19.5" << 2;
    QTest::newRow("20 is 20 cm and above") << "20" << 2;
    QTest::newRow("empty diameter is 12 cm and below") << "" << 0;
}

void TestRecalculation::diametersFallIntoTheirPriceGroups()
{
    QFETCH(QString, diameter);
    QFETCH(int, group);
    TestTally tally;
    field(tally, QStringLiteral("Text3(6)"))->setText(diameter);
    typeCounts(tally, { { 3, 2, "2" } });
    tally->runRecalculationTick();
    for (int g = 0; g < 3; ++g)
        QCOMPARE(text(tally, QStringLiteral("Text16(%1)").arg(g)),
            g == group ? QStringLiteral("2") : QString());
}

void TestRecalculation::decimalAndNegativeCountsAreSummedAsRead()
{
    TestTally tally;
    typeCounts(tally, { { 1, 0, "2.5" }, { 2, 1, "-1" }, { 3, 3, "1 2" } });
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text16(0)")), QStringLiteral("13.5"));
    QCOMPARE(text(tally, QStringLiteral("Text29(0)")), QStringLiteral("2.5"));
    QCOMPARE(text(tally, QStringLiteral("Text29(1)")), QString()); // -1 sorts below "1"
    QCOMPARE(text(tally, QStringLiteral("Text29(3)")), QStringLiteral("12"));
}

void TestRecalculation::unitPricesComeFromTheUnitPriceWindow()
{
    TestTally tally;
    setUnitPrices(tally, { QStringLiteral("8abc"), QStringLiteral("4.50"), QString() });
    tally->runRecalculationTick();
    QCOMPARE(texts(tally, QStringLiteral("Text19"), 3), QStringList({ "8.00", "4.50", "0.00" }));
    // A price typed on the tally sheet lasts until the next tick.
    field(tally, QStringLiteral("Text19(1)"))->setText(QStringLiteral("999"));
    QCOMPARE(text(tally, QStringLiteral("Text19(1)")), QStringLiteral("999.00"));
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text19(1)")), QStringLiteral("4.50"));
}

// The expected figures were worked out by hand from the table formulas.
void TestRecalculation::wholeLoadInTheStandardLayout()
{
    TestTally tally;
    setUnitPrices(tally, { QStringLiteral("320"), QStringLiteral("480"), QStringLiteral("655.5") });
    field(tally, QStringLiteral("Text15"))->setText(QStringLiteral("6"));
    field(tally, QStringLiteral("Text26"))->setText(QStringLiteral("2.6"));
    field(tally, QStringLiteral("Text21"))->setText(QStringLiteral("8"));
    typeCounts(tally,
        { { 1, 0, "3" }, { 2, 0, "5" }, { 3, 0, "2" }, { 5, 0, "12" }, { 6, 0, "4" }, { 8, 0, "7" },
            { 9, 0, "6" }, { 12, 0, "1" }, { 14, 0, "2" }, { 2, 1, "8" }, { 4, 1, "3" },
            { 7, 1, "5" }, { 10, 1, "2" }, { 1, 2, "10" }, { 5, 2, "6" }, { 6, 2, "9" },
            { 9, 2, "4" }, { 13, 2, "3" }, { 3, 3, "2" }, { 8, 3, "5" }, { 11, 3, "1" },
            { 14, 3, "2" } });
    tally->runRecalculationTick();

    QCOMPARE(text(tally, QStringLiteral("Text2(5)")), QStringLiteral("0.2984"));
    QCOMPARE(text(tally, QStringLiteral("Text8(11)")), QStringLiteral("1.6050"));
    QCOMPARE(text(tally, QStringLiteral("Text13(8)")), QStringLiteral("0.5550"));
    QCOMPARE(text(tally, QStringLiteral("Text4(2)")), QString());
    QCOMPARE(texts(tally, QStringLiteral("Text29"), 4), QStringList({ "42", "18", "32", "10" }));
    QCOMPARE(texts(tally, QStringLiteral("Text30"), 4),
        QStringList({ "4.1064", "2.0534", "1.6650", "3.8430" }));
    QCOMPARE(texts(tally, QStringLiteral("Text16"), 4), QStringList({ "51", "30", "21", "102" }));
    QCOMPARE(texts(tally, QStringLiteral("Text18"), 4),
        QStringList({ "1.9278", "4.1970", "5.5430", "11.6678" }));
    QCOMPARE(
        texts(tally, QStringLiteral("Text19"), 3), QStringList({ "320.00", "480.00", "655.50" }));
    QCOMPARE(texts(tally, QStringLiteral("Text28"), 4),
        QStringList({ "616.90", "2014.56", "3633.44", "6264.9" }));
    // The pair totals of the other layout are left alone.
    QCOMPARE(texts(tally, QStringLiteral("Text29"), 8).mid(4), QStringList(4, QString()));
}

void TestRecalculation::wholeLoadInTheExtendedLayout()
{
    TestTally tally;
    setUnitPrices(tally, { QStringLiteral("320"), QStringLiteral("480"), QStringLiteral("655.5") });
    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Label19")), Qt::LeftButton);
    field(tally, QStringLiteral("Text26"))->setText(QStringLiteral("6"));
    typeCounts(tally,
        { { 1, 0, "3" }, { 5, 0, "12" }, { 6, 0, "4" }, { 9, 0, "6" }, { 14, 0, "2" },
            { 3, 0, "5" }, { 13, 0, "1" }, { 1, 1, "2" }, { 3, 1, "1" }, { 6, 1, "3" },
            { 14, 1, "1" }, { 2, 2, "7" }, { 7, 2, "5" }, { 10, 2, "4" }, { 12, 2, "2" },
            { 8, 2, "2" }, { 1, 3, "1" }, { 4, 3, "2" }, { 8, 3, "1" }, { 11, 3, "3" },
            { 2, 3, "2" } });
    // The first tick copies the lengths; blocks 1 and 3 use them from the second.
    tally->runRecalculationTick();
    tally->runRecalculationTick();

    QCOMPARE(text(tally, QStringLiteral("Text15")), QStringLiteral("4"));
    QCOMPARE(text(tally, QStringLiteral("Text21")), QStringLiteral("6"));
    QCOMPARE(text(tally, QStringLiteral("Text1(5)")), QStringLiteral("0.7780"));
    QCOMPARE(text(tally, QStringLiteral("Text11(11)")), QStringLiteral("4.6260"));
    QCOMPARE(texts(tally, QStringLiteral("Text29"), 6).mid(4), QStringList({ "40", "29" }));
    QCOMPARE(
        texts(tally, QStringLiteral("Text30"), 6).mid(4), QStringList({ "7.6739", "13.2461" }));
    QCOMPARE(texts(tally, QStringLiteral("Text16"), 4), QStringList({ "27", "11", "31", "69" }));
    QCOMPARE(texts(tally, QStringLiteral("Text18"), 4),
        QStringList({ "1.1940", "1.6650", "18.0610", "20.9200" }));
    QCOMPARE(texts(tally, QStringLiteral("Text28"), 4),
        QStringList({ "382.08", "799.20", "11838.99", "13020.27" }));
    // The block totals of the standard layout are left as they were.
    QCOMPARE(texts(tally, QStringLiteral("Text29"), 4), QStringList(4, QString()));
}

void TestRecalculation::extendedLayoutCopiesTheLengths()
{
    TestTally tally;
    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Label19")), Qt::LeftButton);
    field(tally, QStringLiteral("Text23"))->setText(QStringLiteral("4.50"));
    typeCounts(tally, { { 1, 0, "1" }, { 1, 1, "1" } });
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text15")), QStringLiteral("4.5"));
    QCOMPARE(text(tally, QStringLiteral("Text1(5)")), QString()); // still the old, empty length
    tally->runRecalculationTick();
    // 32 cm at 4.5 m by the large-diameter formula: 0.445 per log.
    QCOMPARE(text(tally, QStringLiteral("Text1(5)")), QStringLiteral("0.4450"));

    // A new length reaches block 0 at the next tick and block 1 one tick later.
    field(tally, QStringLiteral("Text23"))->setText(QStringLiteral("4"));
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text1(2)")), QStringLiteral("0.0113"));
    QCOMPARE(text(tally, QStringLiteral("Text1(5)")), QStringLiteral("0.4450"));
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text1(5)")), QStringLiteral("0.3890"));
}

void TestRecalculation::overflowingCountsNeverBreakTheTick()
{
    TestTally tally;
    setUnitPrices(tally, { QStringLiteral("1e308"), QStringLiteral("-1e308") });
    typeCounts(
        tally, { { 5, 0, "1e308" }, { 6, 0, "1e308" }, { 7, 0, "-1e400" }, { 2, 2, "1e400" } });
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text2(8)")), QStringLiteral("溢出"));
    QCOMPARE(text(tally, QStringLiteral("Text29(2)")), QStringLiteral("溢出"));
    QCOMPARE(text(tally, QStringLiteral("Text28(0)")), QStringLiteral("溢出"));
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text16(3)")), QStringLiteral("溢出"));
}

void TestRecalculation::aTextTypedIntoAWrittenFieldIsRewritten_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::newRow("a cell volume is rewritten") << "Text5(2)"
                                                << "9.9999";
    QTest::newRow("a block piece total is rewritten") << "Text29(0)"
                                                      << "77";
    QTest::newRow("a block volume total is rewritten") << "Text30(1)"
                                                       << "abc";
    QTest::newRow("a group volume is rewritten") << "Text18(0)"
                                                 << "3";
    QTest::newRow("an emptied piece total comes back") << "Text16(3)"
                                                       << "";
    QTest::newRow("the total amount is rewritten") << "Text28(3)"
                                                   << "1";
    QTest::newRow("a copied unit price is rewritten") << "Text19(0)"
                                                      << "5";
}

// A settled sheet skips its ticks; a text typed into a field the tick
// writes must still be overwritten by the next one.
void TestRecalculation::aTextTypedIntoAWrittenFieldIsRewritten()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    TestTally tally;
    setUnitPrices(tally, { QStringLiteral("320"), QStringLiteral("480"), QStringLiteral("655.5") });
    typeCounts(tally, { { 5, 0, "5" }, { 6, 1, "3" }, { 9, 2, "2" } });
    for (int i = 0; i < 3; ++i)
        tally->runRecalculationTick();
    const QString settled = text(tally, name);
    field(tally, name)->setText(typed);
    QVERIFY(text(tally, name) != settled);
    tally->runRecalculationTick();
    QCOMPARE(text(tally, name), settled);
}

void TestRecalculation::aSettledSheetTakesUpPricesAndLayout()
{
    TestTally tally;
    typeCounts(tally, { { 5, 0, "5" }, { 6, 1, "3" } });
    for (int i = 0; i < 3; ++i)
        tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text28(0)")), QString());

    // A unit price lives in the price window, not in a tally field.
    setUnitPrices(tally, { QStringLiteral("100") });
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text19(0)")), QStringLiteral("100.00"));
    QCOMPARE(text(tally, QStringLiteral("Text28(0)")), QStringLiteral("31.00"));

    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Label19")), Qt::LeftButton);
    tally->runRecalculationTick();
    QCOMPARE(text(tally, QStringLiteral("Text29(4)")), QStringLiteral("8"));
}

void TestRecalculation::timerTicksEvery100ms()
{
    TestTally tally;
    auto* timer = tally->findChild<QTimer*>(QStringLiteral("Timer1"));
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 100);
    typeCounts(tally, { { 5, 0, "5" } });
    QTRY_COMPARE_WITH_TIMEOUT(
        text(tally, QStringLiteral("Text5(2)")), QStringLiteral("0.3100"), 1000);
}

QTEST_MAIN(TestRecalculation)
#include "test_recalculation.moc"
