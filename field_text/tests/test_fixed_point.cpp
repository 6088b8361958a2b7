#include "field_text/fixed_point.h"

#include <QTest>
#include <limits>

class TestFixedPoint : public QObject {
    Q_OBJECT

private slots:
    void anExactTextReadsOrIsRefused_data();
    void anExactTextReadsOrIsRefused();
    void aFigureRoundsItsHalvesAwayFromZero_data();
    void aFigureRoundsItsHalvesAwayFromZero();
    void sumsBeyondTheRangeHaveNoValue_data();
    void sumsBeyondTheRangeHaveNoValue();
};

// Refused texts have no units: the row's `read` is false.
void TestFixedPoint::anExactTextReadsOrIsRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("read");
    QTest::addColumn<qint64>("fen");
    QTest::newRow("Whole yuan read as fen") << "1234" << true << qint64(123400);
    QTest::newRow("One decimal is ten fen") << "0.1" << true << qint64(10);
    QTest::newRow("Blanks around the text are no part of it") << " 12.34 " << true << qint64(1234);
    QTest::newRow("A minus reads") << "-0.05" << true << qint64(-5);
    QTest::newRow("Leading zeros are no value") << "000000000000000000001" << true << qint64(100);
    QTest::newRow("The largest amount reads")
        << "92233720368547758.07" << true << std::numeric_limits<qint64>::max();
    QTest::newRow("One fen more overflows") << "92233720368547758.08" << false << qint64(0);
    QTest::newRow("Twenty digits overflow") << "12345678901234567890" << false << qint64(0);
    QTest::newRow("A third decimal is more than a fen holds") << "1.005" << false << qint64(0);
    QTest::newRow("The overflow text is no amount") << "溢出" << false << qint64(0);
    QTest::newRow("Its negative form neither") << "-溢出" << false << qint64(0);
    QTest::newRow("An empty text is no amount") << "" << false << qint64(0);
    QTest::newRow("A point alone is no amount") << "." << false << qint64(0);
    QTest::newRow("A point without decimals is refused") << "5." << false << qint64(0);
    QTest::newRow("Decimals without a whole are refused") << ".5" << false << qint64(0);
    QTest::newRow("A plus sign is refused") << "+5" << false << qint64(0);
    QTest::newRow("An exponent is refused") << "1E+03" << false << qint64(0);
    QTest::newRow("Full-width digits are refused") << "１２" << false << qint64(0);
    QTest::newRow("A comma is refused") << "1,000" << false << qint64(0);
    QTest::newRow("A blank inside is refused") << "1 000" << false << qint64(0);
    QTest::newRow("Text after the number is refused") << "12元" << false << qint64(0);
}

void TestFixedPoint::anExactTextReadsOrIsRefused()
{
    QFETCH(QString, text);
    QFETCH(bool, read);
    QFETCH(qint64, fen);
    const std::optional<Fen> amount = Fen::parse(text);
    QCOMPARE(amount.has_value(), read);
    if (read) {
        QCOMPARE(amount->units(), fen);
        // What it prints reads back as the same amount.
        QCOMPARE(Fen::parse(amount->text()), amount);
    }
}

void TestFixedPoint::aFigureRoundsItsHalvesAwayFromZero_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("read");
    QTest::addColumn<qint64>("e4");
    QTest::newRow("A half of the last unit rounds up") << "0.00005" << true << qint64(1);
    QTest::newRow("Less than a half rounds down") << "0.00004999" << true << qint64(0);
    QTest::newRow("A negative half rounds away from zero") << "-2.00005" << true << qint64(-20001);
    QTest::newRow("A plus sign reads") << "+1.5" << true << qint64(15000);
    QTest::newRow("An exponent form reads") << "1.2E+03" << true << qint64(12000000);
    QTest::newRow("Fourteen whole digits read")
        << "99999999999999" << true << qint64(999999999999990000);
    QTest::newRow("Fifteen whole digits are beyond a figure")
        << "999999999999999" << false << qint64(0);
    QTest::newRow("The overflow text is no figure") << "溢出" << false << qint64(0);
    QTest::newRow("Nor its negative form") << "-溢出" << false << qint64(0);
    QTest::newRow("An exponent beyond 10^14 is no figure") << "1E+15" << false << qint64(0);
    QTest::newRow("Letters are no figure") << "abc" << false << qint64(0);
}

void TestFixedPoint::aFigureRoundsItsHalvesAwayFromZero()
{
    QFETCH(QString, text);
    QFETCH(bool, read);
    QFETCH(qint64, e4);
    const std::optional<TenThousandths> figure = TenThousandths::parseFigure(text);
    QCOMPARE(figure.has_value(), read);
    if (read)
        QCOMPARE(figure->units(), e4);
}

void TestFixedPoint::sumsBeyondTheRangeHaveNoValue_data()
{
    QTest::addColumn<qint64>("a");
    QTest::addColumn<qint64>("b");
    QTest::addColumn<bool>("inRange");
    const qint64 highest = std::numeric_limits<qint64>::max();
    const qint64 lowest = std::numeric_limits<qint64>::min();
    QTest::newRow("The largest amount and nothing") << highest << qint64(0) << true;
    QTest::newRow("The largest amount and one fen") << highest << qint64(1) << false;
    QTest::newRow("The most negative amount less one fen") << lowest << qint64(-1) << false;
    QTest::newRow("Opposite extremes meet") << highest << lowest << true;
}

void TestFixedPoint::sumsBeyondTheRangeHaveNoValue()
{
    QFETCH(qint64, a);
    QFETCH(qint64, b);
    QFETCH(bool, inRange);
    const std::optional<Fen> sum = Fen::fromUnits(a).plus(Fen::fromUnits(b));
    QCOMPARE(sum.has_value(), inRange);
    if (inRange)
        QCOMPARE(sum->units(), a + b);
    // Taking away the negative of b is the same sum, where that negative exists.
    if (b != std::numeric_limits<qint64>::min())
        QCOMPARE(Fen::fromUnits(a).minus(Fen::fromUnits(-b)).has_value(), inRange);
}

QTEST_APPLESS_MAIN(TestFixedPoint)
#include "test_fixed_point.moc"
