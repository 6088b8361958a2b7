#include "field_text/field_text.h"

#include <QTest>
#include <cmath>
#include <limits>

class TestFieldText : public QObject {
    Q_OBJECT

private slots:
    void leadingNumberReadsTheLeadingDecimal_data();
    void leadingNumberReadsTheLeadingDecimal();
    void leadingNumberIgnoresTheLocale();
    void leadingNumberBeyondTheDoubleRange();
    void typedTextsReadAsTheClerkMeantThem_data();
    void typedTextsReadAsTheClerkMeantThem();
    void typedTextsAreNotedWhenTheyMislead_data();
    void typedTextsAreNotedWhenTheyMislead();
    void plainNumberForms_data();
    void plainNumberForms();
    void plainNumberTextReadsBack_data();
    void plainNumberTextReadsBack();
    void patternRounding_data();
    void patternRounding();
    void textOrder_data();
    void textOrder();
};

void TestFieldText::leadingNumberReadsTheLeadingDecimal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("empty text reads as 0") << "" << 0.0;
    QTest::newRow("plain integer") << "37" << 37.0;
    QTest::newRow("space inside the digits is ignored") << "1 2" << 12.0;
    QTest::newRow("tab and line feed are ignored") << "\t7\n" << 7.0;
    QTest::newRow("spaces around sign and point") << " - 2 . 5 " << -2.5;
    QTest::newRow("trailing unit is ignored") << "4米" << 4.0;
    QTest::newRow("trailing letters are ignored") << "4abc" << 4.0;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("negative leading point") << "-.5" << -0.5;
    QTest::newRow("plus sign") << "+3" << 3.0;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("exponent without digits is ignored") << "4e" << 4.0;
    QTest::newRow("exponent sign without digits is ignored") << "4e+x" << 4.0;
    QTest::newRow("exponent with trailing letters") << "2.5e1x" << 25.0;
    QTest::newRow("upper case exponent with sign") << "15E-1" << 1.5;
    QTest::newRow("letters only read as 0") << "abc" << 0.0;
    QTest::newRow("lone point reads as 0") << "." << 0.0;
    QTest::newRow("lone sign reads as 0") << "-" << 0.0;
    QTest::newRow("second point ends the number") << "1.2.3" << 1.2;
    QTest::newRow("comma is not a decimal point") << "2,5" << 2.0;
    QTest::newRow("carriage return is not ignored") << "\r7" << 0.0;
    QTest::newRow("leading zeros") << "007.50" << 7.5;
    QTest::newRow("underflow reads as 0") << "1e-400" << 0.0;
}

void TestFieldText::leadingNumberReadsTheLeadingDecimal()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(leadingNumber(text), expected);
}

void TestFieldText::leadingNumberIgnoresTheLocale()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German));
    const double value = leadingNumber(QStringLiteral("2.5"));
    const QString text = ::plainNumberText(2.5);
    QLocale::setDefault(saved);
    QCOMPARE(value, 2.5);
    QCOMPARE(text, QStringLiteral("2.5"));
}

void TestFieldText::leadingNumberBeyondTheDoubleRange()
{
    const double inf = std::numeric_limits<double>::infinity();
    QCOMPARE(leadingNumber(QStringLiteral("1e400")), inf);
    QCOMPARE(leadingNumber(QStringLiteral("-1e400")), -inf);
    QCOMPARE(leadingNumber(QString(400, u'9')), inf);
    // The overflow text reads back as an overflow, so sums stay overflowed.
    QCOMPARE(leadingNumber(overflowText), inf);
    QCOMPARE(leadingNumber(u'-' + overflowText), -inf);
    // A very long text is read at once.
    QCOMPARE(leadingNumber(QStringLiteral("1") + QString(10000, u'x')), 1.0);
    QCOMPARE(leadingNumber(QString(10000, u'0') + QStringLiteral("3")), 3.0);
}

// Full-width forms read the same in both parses; only the program's own
// fields carry the overflow text, so a typed one reads as 0.
void TestFieldText::typedTextsReadAsTheClerkMeantThem_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("typed");
    QTest::addColumn<double>("written");
    const double inf = std::numeric_limits<double>::infinity();

    QTest::newRow("full-width 10 reads as 10") << "１０" << 10.0 << 10.0;
    QTest::newRow("full-width point, plus and minus read as ASCII")
        << "－１２．５" << -12.5 << -12.5;
    QTest::newRow("full-width plus sign") << "＋３" << 3.0 << 3.0;
    QTest::newRow("full-width and ASCII digits mix") << "1０.５" << 10.5 << 10.5;
    QTest::newRow("full-width digits after an exponent") << "2e１" << 20.0 << 20.0;
    QTest::newRow("ideographic full stop is not a point") << "1。5" << 1.0 << 1.0;
    QTest::newRow("letter l before 0 reads as 0") << "l0" << 0.0 << 0.0;
    QTest::newRow("letter before 5 reads as 0") << "a5" << 0.0 << 0.0;
    QTest::newRow("letter O after 1 ends the number") << "1O" << 1.0 << 1.0;
    QTest::newRow("typed overflow text reads as 0") << "溢出" << 0.0 << inf;
    QTest::newRow("typed negative overflow text reads as 0") << "-溢出" << 0.0 << -inf;
    QTest::newRow("a number too large still overflows") << "1e400" << inf << inf;
}

void TestFieldText::typedTextsReadAsTheClerkMeantThem()
{
    QFETCH(QString, text);
    QFETCH(double, typed);
    QFETCH(double, written);
    QCOMPARE(typedNumber(text), typed);
    QCOMPARE(leadingNumber(text), written);
}

void TestFieldText::typedTextsAreNotedWhenTheyMislead_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("count");
    QTest::addColumn<QString>("note");

    QTest::newRow("an empty text has no note") << "" << true << "";
    QTest::newRow("spaces alone have no note") << "  " << true << "";
    QTest::newRow("a plain count has no note") << "12" << true << "";
    QTest::newRow("spaces inside a number have no note") << "1 2" << true << "";
    QTest::newRow("full-width 10 has no note") << "１０" << true << "";
    QTest::newRow("a trailing point has no note") << "5." << true << "";
    QTest::newRow("an exponent has no note") << "1e2" << true << "";
    QTest::newRow("a fractional length has no note") << "2.5" << false << "";
    QTest::newRow("letters alone are not a number") << "abc" << false << "不是数字，按 0 计算";
    QTest::newRow("the overflow text typed is not a number")
        << "溢出" << true << "不是数字，按 0 计算";
    QTest::newRow("l0 does not begin with a number") << "l0" << true << "开头不是数字，按 0 计算";
    QTest::newRow("a5 does not begin with a number") << "a5" << false << "开头不是数字，按 0 计算";
    QTest::newRow("a unit after the number says what is counted")
        << "4米" << false << "数字后面有其他字符，按 4 计算";
    QTest::newRow("1O is counted as 1") << "1O" << true << "数字后面有其他字符，按 1 计算";
    QTest::newRow("an exponent without digits is other text")
        << "4e" << true << "数字后面有其他字符，按 4 计算";
    QTest::newRow("a full-width space is other text")
        << "１０　" << true << "数字后面有其他字符，按 10 计算";
    QTest::newRow("2.5 in a count is not whole") << "2.5" << true << "件数不是整数，按 2.5 计算";
    QTest::newRow("full-width 2.5 in a count is not whole")
        << "２．５" << true << "件数不是整数，按 2.5 计算";
    QTest::newRow("2.0 in a count is whole") << "2.0" << true << "";
    QTest::newRow("a count too large to read is not noted as fractional") << "1e400" << true << "";
}

void TestFieldText::typedTextsAreNotedWhenTheyMislead()
{
    QFETCH(QString, text);
    QFETCH(bool, count);
    QFETCH(QString, note);
    QCOMPARE(typedNumberNote(text, count ? TypedNumber::Count : TypedNumber::Number), note);
}

void TestFieldText::plainNumberForms_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("whole number has no point") << 37.0 << "37";
    QTest::newRow("no trailing zeros") << 2.5 << "2.5";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero shows as zero") << -0.0 << "0";
    QTest::newRow("negative whole number") << -5.0 << "-5";
    QTest::newRow("binary noise is cut at 15 digits") << 0.1 + 0.2 << "0.3";
    QTest::newRow("one third has 15 digits") << 1.0 / 3.0 << "0.333333333333333";
    QTest::newRow("sum of volumes") << 0.31 + 0.166 << "0.476";
    QTest::newRow("fifteen digit integer stays plain") << 123456789012345.0 << "123456789012345";
    QTest::newRow("large value uses an exponent") << 1e20 << "1E+20";
    QTest::newRow("small value uses an exponent") << 1e-5 << "1E-05";
    QTest::newRow("0.0001 stays plain") << 0.0001 << "0.0001";
    QTest::newRow("largest double") << 1.7976931348623157e308 << "1.79769313486232E+308";
    QTest::newRow("infinity shows the overflow text")
        << std::numeric_limits<double>::infinity() << overflowText;
    QTest::newRow("negative infinity shows the negative overflow text")
        << -std::numeric_limits<double>::infinity() << u'-' + overflowText;
    QTest::newRow("not a number shows the overflow text")
        << std::numeric_limits<double>::quiet_NaN() << overflowText;
}

void TestFieldText::plainNumberForms()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(::plainNumberText(value), expected);
}

void TestFieldText::plainNumberTextReadsBack_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("1E+20") << 1e20;
    QTest::newRow("1E-05") << 1e-5;
    QTest::newRow("-2.5E+300") << -2.5e300;
    QTest::newRow("1E+308") << 1e308;
}

void TestFieldText::plainNumberTextReadsBack()
{
    QFETCH(double, value);
    QCOMPARE(leadingNumber(::plainNumberText(value)), value);
}

void TestFieldText::patternRounding_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");

    QTest::newRow("money pads to two decimals") << 7.5 << 2 << "7.50";
    QTest::newRow("volume pads to four decimals") << 0.31 << 4 << "0.3100";
    QTest::newRow("leading zero before the point") << 0.062 << 3 << "0.062";
    QTest::newRow("zero volume") << 0.0 << 4 << "0.0000";
    QTest::newRow("2.675 rounds up as read") << 2.675 << 2 << "2.68";
    QTest::newRow("1.005 rounds up as read") << 1.005 << 2 << "1.01";
    QTest::newRow("350 x 0.0123 rounds up as read") << 350 * 0.0123 << 2 << "4.31";
    QTest::newRow("negative half rounds away from zero") << -2.675 << 2 << "-2.68";
    QTest::newRow("0.00005 rounds up to 0.0001") << 0.00005 << 4 << "0.0001";
    QTest::newRow("0.00004999 rounds down") << 0.00004999 << 4 << "0.0000";
    QTest::newRow("negative value rounding to zero has no sign") << -0.00004 << 4 << "0.0000";
    QTest::newRow("negative zero has no sign") << -0.0 << 2 << "0.00";
    QTest::newRow("carry through nines") << 9.9995 << 3 << "10.000";
    QTest::newRow("carry into a new digit") << 99.995 << 2 << "100.00";
    QTest::newRow("no digit grouping") << 1234567.891 << 2 << "1234567.89";
    QTest::newRow("per-log volume 0.06157536") << 0.06157536 << 3 << "0.062";
    QTest::newRow("per-log volume 0.02009") << 0.020096 << 4 << "0.0201";
    QTest::newRow("large value is written out") << 1e20 << 2 << "100000000000000000000.00";
    QTest::newRow("infinity shows the overflow text")
        << std::numeric_limits<double>::infinity() << 4 << overflowText;
    QTest::newRow("negative infinity shows the negative overflow text")
        << -std::numeric_limits<double>::infinity() << 2 << u'-' + overflowText;
}

void TestFieldText::patternRounding()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(::patternText(value, decimals), expected);
}

void TestFieldText::textOrder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<bool>("below");

    QTest::newRow("0 sorts below 0.0001") << "0"
                                          << "0.0001" << true;
    QTest::newRow("0.0000 sorts below 0.0001") << "0.0000"
                                               << "0.0001" << true;
    QTest::newRow(".5 sorts below 0.0001") << ".5"
                                           << "0.0001" << true;
    QTest::newRow("-3 sorts below 0.0001") << "-3"
                                           << "0.0001" << true;
    QTest::newRow("empty sorts below everything") << ""
                                                  << "0.0001" << true;
    QTest::newRow("0.0002 does not sort below 0.0001") << "0.0002"
                                                       << "0.0001" << false;
    QTest::newRow("1 does not sort below 0.0001") << "1"
                                                  << "0.0001" << false;
    QTest::newRow("00.5 does not sort below 0.0001") << "00.5"
                                                     << "0.0001" << false;
    QTest::newRow("equal texts do not sort below") << "0.0001"
                                                   << "0.0001" << false;
    QTest::newRow("05 sorts below 1 although it is 5") << "05"
                                                       << "1" << true;
    QTest::newRow("10 does not sort below its prefix 1") << "10"
                                                         << "1" << false;
    QTest::newRow("0.005 sorts below 0.01") << "0.005"
                                            << "0.01" << true;
    QTest::newRow("Chinese text sorts above digits") << overflowText << "0.0001" << false;
}

void TestFieldText::textOrder()
{
    QFETCH(QString, text);
    QFETCH(QString, threshold);
    QFETCH(bool, below);
    QCOMPARE(::sortsBelow(text, threshold), below);
}

QTEST_GUILESS_MAIN(TestFieldText)
#include "test_field_text.moc"
