#include "field_text/field_text.h"
#include "volume/log_volume.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <cmath>
#include <cstring>

// Bounded random runs over the text functions: nothing crashes, plain texts
// read back as the same double, patterns keep their form.
class TestTextFuzz : public QObject {
    Q_OBJECT

private slots:
    void plainTextReadsBackAsTheSameNumber();
    void patternTextKeepsItsForm();
    void randomTextsNeverBreakTheRules();
};

namespace {

double randomFinite(QRandomGenerator& random)
{
    for (;;) {
        quint64 bits = random.generate64();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
            return value;
    }
}

QString randomText(QRandomGenerator& random)
{
    static const QString alphabet = QStringLiteral("0123456789.+-eE \t\nx米溢出,%/=");
    QString text;
    const int length = random.bounded(12);
    for (int i = 0; i < length; ++i)
        text += alphabet.at(random.bounded(int(alphabet.size())));
    return text;
}

} // namespace

void TestTextFuzz::plainTextReadsBackAsTheSameNumber()
{
    QRandomGenerator random(4814);
    for (int i = 0; i < 20000; ++i) {
        // Doubles of every magnitude, and short decimals like typed ones.
        const double value = i % 2 ? randomFinite(random) : random.bounded(100000) / 100.0;
        const QString text = plainNumberText(value);
        const double back = leadingNumber(text);
        // 15 significant digits: exact for short decimals, within one part
        // in 1e14 for every other double.
        if (i % 2 == 0)
            QCOMPARE(back, value);
        else
            QVERIFY2(back == value || std::fabs(back - value) <= std::fabs(value) * 1e-14,
                qPrintable(text));
    }
}

void TestTextFuzz::patternTextKeepsItsForm()
{
    QRandomGenerator random(11);
    for (int i = 0; i < 20000; ++i) {
        const double value = (random.generateDouble() - 0.5) * std::pow(10.0, random.bounded(12));
        const int decimals = 2 + random.bounded(3);
        const QString text = patternText(value, decimals);
        const qsizetype point = text.indexOf(u'.');
        QCOMPARE(text.size() - point - 1, qsizetype(decimals));
        QVERIFY(point >= 1);
        // Never "-0.00": a minus sign means a value that reads as negative.
        if (text.startsWith(u'-'))
            QVERIFY2(leadingNumber(text) < 0, qPrintable(text));
        QVERIFY(std::fabs(leadingNumber(text) - value)
            <= 0.5 * std::pow(10.0, -decimals) * 1.000001 + std::fabs(value) * 1e-14);
    }
}

void TestTextFuzz::randomTextsNeverBreakTheRules()
{
    QRandomGenerator random(2);
    for (int i = 0; i < 20000; ++i) {
        const QString a = randomText(random);
        const QString b = randomText(random);
        const QString c = randomText(random);
        const double value = leadingNumber(a);
        QVERIFY(!std::isnan(value));
        static const QRegularExpression volumeForm(QStringLiteral("^(-?\\d+\\.\\d{4}|-?溢出)$"));
        const QString volume = CaiJiJiSuan(a, b, c);
        QVERIFY2(volumeForm.match(volume).hasMatch(), qPrintable(volume));
        QVERIFY(sortsBelow(a, b) ? !sortsBelow(b, a) : true);
        QVERIFY(!sortsBelow(a, a));
    }
}

QTEST_GUILESS_MAIN(TestTextFuzz)
#include "test_text_fuzz.moc"
