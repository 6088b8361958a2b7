#include "tally/tally.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {

// A tally whose every text names its place, with characters JSON escapes.
Tally namedTally(bool extended)
{
    Tally t;
    for (int row = 0; row < Tally::rowCount; ++row)
        for (int element = 0; element < Tally::rowElements; ++element)
            t.grid[row][element] = QStringLiteral("g%1.%2").arg(row).arg(element);
    t.lengths = { QStringLiteral("4"), QStringLiteral("6"), QString(), QStringLiteral("2.6") };
    for (int i = 0; i < 8; ++i) {
        t.blockPieces[i] = QStringLiteral("p%1").arg(i);
        t.blockVolumes[i] = QStringLiteral("v%1").arg(i);
    }
    for (int i = 0; i < 4; ++i) {
        t.groupPieces[i] = QStringLiteral("gp%1").arg(i);
        t.groupVolumes[i] = QStringLiteral("gv%1").arg(i);
        t.groupAmounts[i] = QStringLiteral("ga%1").arg(i);
        t.captions[i]
            = { QStringLiteral("caption %1:").arg(i), QStringLiteral("值 \"%1\"\\\t").arg(i) };
    }
    t.unitPrices = { QStringLiteral("320.00"), QStringLiteral("480.00"), QStringLiteral("655.50") };
    t.species = QStringLiteral("落叶松");
    t.scaler = QStringLiteral("王五");
    t.extendedLayout = extended;
    return t;
}

QJsonObject changed(const QString& key, const QJsonValue& value)
{
    QJsonObject json = tallyJson(namedTally(false));
    if (value.isUndefined())
        json.remove(key);
    else
        json.insert(key, value);
    return json;
}

} // namespace

class TestTally : public QObject {
    Q_OBJECT

private slots:
    void everyTextReadsBackFromItsJson_data();
    void everyTextReadsBackFromItsJson();
    void anIncompleteJsonIsRefusedAsAWhole_data();
    void anIncompleteJsonIsRefusedAsAWhole();
    void aTextAddedLaterReadsEmptyFromAnEarlierJson();
    void theTypedPartKeepsWhatTheScalerTypes();
};

void TestTally::everyTextReadsBackFromItsJson_data()
{
    QTest::addColumn<Tally>("tally");
    QTest::newRow("an empty tally reads back") << Tally();
    QTest::newRow("quotes, tabs, backslashes and Chinese read back") << namedTally(false);
    QTest::newRow("the extended layout reads back") << namedTally(true);
}

void TestTally::everyTextReadsBackFromItsJson()
{
    QFETCH(Tally, tally);
    const QByteArray bytes = QJsonDocument(tallyJson(tally)).toJson(QJsonDocument::Compact);
    const auto back = tallyFromJson(QJsonDocument::fromJson(bytes).object());
    QVERIFY(back);
    QVERIFY(*back == tally);
}

void TestTally::anIncompleteJsonIsRefusedAsAWhole_data()
{
    QJsonArray shortRow = tallyJson(namedTally(false)).value("grid").toArray();
    QJsonArray row = shortRow[3].toArray();
    row.removeLast();
    shortRow[3] = row;
    QTest::addColumn<QJsonObject>("json");
    QTest::newRow("an empty object is refused") << QJsonObject();
    QTest::newRow("a number where a text belongs is refused") << changed("scaler", 7);
    QTest::newRow("a layout that is a text is refused") << changed("extendedLayout", "extended");
    QTest::newRow("a grid row short of a cell is refused") << changed("grid", shortRow);
    QTest::newRow("three captions are refused")
        << changed("captions", QJsonArray({ "a", "b", "c" }));
    QTest::newRow("a missing block total is refused")
        << changed("blockVolumes", QJsonValue::Undefined);
    QTest::newRow("a unit price that is no text is refused")
        << changed("unitPrices", QJsonArray({ "1", QJsonValue::Null, "3" }));
}

void TestTally::anIncompleteJsonIsRefusedAsAWhole()
{
    QFETCH(QJsonObject, json);
    QVERIFY(!tallyFromJson(json));
}

// The history's rows and the journals stay readable when a field is added.
void TestTally::aTextAddedLaterReadsEmptyFromAnEarlierJson()
{
    const auto back = tallyFromJson(changed("scaler", QJsonValue::Undefined));
    QVERIFY(back);
    Tally expected = namedTally(false);
    expected.scaler.clear();
    QVERIFY(*back == expected);
}

void TestTally::theTypedPartKeepsWhatTheScalerTypes()
{
    const Tally whole = namedTally(true);
    const Tally typed = typedPart(whole);
    for (int row = 0; row < Tally::rowCount; ++row)
        for (int element = 0; element < Tally::rowElements; ++element)
            QCOMPARE(
                typed.grid[row][element], element % 3 == 2 ? QString() : whole.grid[row][element]);
    QCOMPARE(typed.lengths, whole.lengths);
    QVERIFY(typed.captions == whole.captions);
    QCOMPARE(typed.species, whole.species);
    QCOMPARE(typed.scaler, whole.scaler);
    QVERIFY(typed.extendedLayout);
    const Tally empty;
    QVERIFY(typed.blockPieces == empty.blockPieces);
    QVERIFY(typed.groupAmounts == empty.groupAmounts);
    QVERIFY(typed.unitPrices == empty.unitPrices);
    QVERIFY(typedPart(typed) == typed);
}

QTEST_APPLESS_MAIN(TestTally)
#include "test_tally.moc"
