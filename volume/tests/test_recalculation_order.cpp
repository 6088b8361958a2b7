#include "volume/recalculation.h"

#include <QHash>
#include <QStringList>
#include <QTest>

namespace {

// A sheet that only remembers texts and the order in which they were written.
class RecordingSheet : public TallySheet {
public:
    bool standard = true;
    bool extended = false;
    QStringList writes;
    QHash<QString, QString> texts;

    QString cellText(int row, int element) const override
    {
        return texts.value(cellName(row, element));
    }
    void setCellText(int row, int element, const QString& text) override
    {
        write(cellName(row, element), text);
    }
    QString lengthText(int block) const override { return texts.value(lengthName(block)); }
    void setLengthText(int block, const QString& text) override { write(lengthName(block), text); }
    QString arrayText(TallyArray array, int element) const override
    {
        return texts.value(arrayName(array, element));
    }
    void setArrayText(TallyArray array, int element, const QString& text) override
    {
        write(arrayName(array, element), text);
    }
    bool standardLayoutShown() const override { return standard; }
    bool extendedLayoutShown() const override { return extended; }
    QString unitPriceText(int group) override { return QString::number(100 * (group + 1)); }

    static QString cellName(int row, int element)
    {
        return QStringLiteral("Text%1(%2)").arg(row).arg(element);
    }
    static QString lengthName(int block)
    {
        const char* names[] = { "Text23", "Text15", "Text26", "Text21" };
        return QString::fromLatin1(names[block]);
    }
    static QString arrayName(TallyArray array, int element)
    {
        const char* names[] = { "Text29", "Text30", "Text16", "Text18", "Text19", "Text28" };
        return QStringLiteral("%1(%2)").arg(QString::fromLatin1(names[int(array)])).arg(element);
    }

private:
    void write(const QString& name, const QString& text)
    {
        writes << name;
        texts[name] = text;
    }
};

QStringList volumeWrites()
{
    QStringList names;
    for (int block = 0; block < 4; ++block)
        for (int row = 1; row <= 14; ++row)
            names << RecordingSheet::cellName(row, 3 * block + 2);
    return names;
}

QStringList summaryWrites()
{
    return { "Text19(0)", "Text19(1)", "Text19(2)", "Text16(0)", "Text16(2)", "Text16(1)",
        "Text18(0)", "Text18(2)", "Text18(1)", "Text16(3)", "Text18(3)", "Text28(0)", "Text28(1)",
        "Text28(2)", "Text28(3)" };
}

const QStringList blockTotalWrites = { "Text29(1)", "Text30(1)", "Text29(0)", "Text30(0)",
    "Text29(2)", "Text29(3)", "Text30(2)", "Text30(3)" };
const QStringList pairTotalWrites
    = { "Text15", "Text21", "Text29(4)", "Text29(5)", "Text30(4)", "Text30(5)" };

} // namespace

class TestRecalculationOrder : public QObject {
    Q_OBJECT

private slots:
    void writesInItsFixedOrder_data();
    void writesInItsFixedOrder();
    void priceGroupBoundaries_data();
    void priceGroupBoundaries();
};

void TestRecalculationOrder::writesInItsFixedOrder_data()
{
    QTest::addColumn<bool>("standard");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("standard layout writes the four block totals")
        << true << false << volumeWrites() + blockTotalWrites + summaryWrites();
    QTest::newRow("extended layout copies the lengths and writes the pair totals")
        << false << true << volumeWrites() + pairTotalWrites + summaryWrites();
    // The two layout tests are separate: each runs whenever its label is shown.
    QTest::newRow("both labels shown run both steps")
        << true << true << volumeWrites() + pairTotalWrites + blockTotalWrites + summaryWrites();
    QTest::newRow("no label shown writes no totals")
        << false << false << volumeWrites() + summaryWrites();
}

void TestRecalculationOrder::writesInItsFixedOrder()
{
    QFETCH(bool, standard);
    QFETCH(bool, extended);
    QFETCH(QStringList, expected);
    RecordingSheet sheet;
    sheet.standard = standard;
    sheet.extended = extended;
    recalculate(sheet);
    QCOMPARE(sheet.writes, expected);
}

void TestRecalculationOrder::priceGroupBoundaries_data()
{
    QTest::addColumn<double>("diameter");
    QTest::addColumn<int>("group");
    QTest::newRow("empty diameter reads 0: group 0") << 0.0 << 0;
    QTest::newRow("13 is group 0") << 13.0 << 0;
    QTest::newRow("13.5 is group 1") << 13.5 << 1;
    QTest::newRow("14 is group 1") << 14.0 << 1;
    QTest::newRow("19 is group 1") << 19.0 << 1;
    QTest::newRow("19.5 is group 2") << 19.5 << 2;
    QTest::newRow("20 is group 2") << 20.0 << 2;
    QTest::newRow("negative is group 0") << -4.0 << 0;
}

void TestRecalculationOrder::priceGroupBoundaries()
{
    QFETCH(double, diameter);
    QFETCH(int, group);
    QCOMPARE(priceGroupOf(diameter), group);
}

QTEST_GUILESS_MAIN(TestRecalculationOrder)
#include "test_recalculation_order.moc"
