#include "volume/recalculation.h"

#include <QHash>
#include <QRandomGenerator>
#include <QStringList>
#include <QTest>

namespace {

// A sheet of texts by field name, with its writes in order.
class TextSheet : public TallySheet {
public:
    bool standard = true;
    bool extended = false;
    QHash<QString, QString> texts;
    QStringList writes;

    QString cellText(int row, int element) const override
    {
        return texts.value(QStringLiteral("Text%1(%2)").arg(row).arg(element));
    }
    void setCellText(int row, int element, const QString& text) override
    {
        write(QStringLiteral("Text%1(%2)").arg(row).arg(element), text);
    }
    QString lengthText(int block) const override
    {
        return texts.value(QStringLiteral("length%1").arg(block));
    }
    void setLengthText(int block, const QString& text) override
    {
        write(QStringLiteral("length%1").arg(block), text);
    }
    QString arrayText(TallyArray array, int element) const override
    {
        return texts.value(QStringLiteral("array%1(%2)").arg(int(array)).arg(element));
    }
    void setArrayText(TallyArray array, int element, const QString& text) override
    {
        write(QStringLiteral("array%1(%2)").arg(int(array)).arg(element), text);
    }
    bool standardLayoutShown() const override { return standard; }
    bool extendedLayoutShown() const override { return extended; }
    QString unitPriceText(int group) override
    {
        return texts.value(QStringLiteral("price%1").arg(group));
    }

private:
    void write(const QString& name, const QString& text)
    {
        writes << name + QLatin1Char('=') + text;
        texts[name] = text;
    }
};

// Texts a scaler could leave in a field, the awkward ones included.
const QStringList typedTexts = { "", "0", "-0", "5", "12", "3.5", "24", "-4", "0.0001", "1e308",
    "1e400", "-1e400", "溢出", "-溢出", "abc", "2.675", "1 2", "7.", ".5", "0.00005", "19.5" };

// Puts a random text into a random field the tick reads or writes.
void editSomething(TextSheet& sheet, QRandomGenerator& random)
{
    const QString text = typedTexts[random.bounded(int(typedTexts.size()))];
    switch (random.bounded(10)) {
    case 0:
        sheet.texts[QStringLiteral("length%1").arg(random.bounded(4))] = text;
        break;
    case 1:
        sheet.texts[QStringLiteral("price%1").arg(random.bounded(3))] = text;
        break;
    case 2:
        sheet.texts[QStringLiteral("array%1(%2)").arg(random.bounded(6)).arg(random.bounded(3))]
            = text;
        break;
    case 3:
        sheet.standard = random.bounded(2);
        sheet.extended = random.bounded(2);
        break;
    default:
        sheet
            .texts[QStringLiteral("Text%1(%2)").arg(1 + random.bounded(14)).arg(random.bounded(12))]
            = text;
    }
}

} // namespace

// The tick keeps the texts it made and makes them again only when their
// numbers change: what it writes must be exactly what a tick that kept
// nothing writes.
class TestRecalculationKept : public QObject {
    Q_OBJECT

private slots:
    void keptTextsAreThoseOfAFreshTick_data();
    void keptTextsAreThoseOfAFreshTick();
};

void TestRecalculationKept::keptTextsAreThoseOfAFreshTick_data()
{
    QTest::addColumn<int>("editsPerTick");
    QTest::newRow("one edit between ticks, as typing goes") << 1;
    QTest::newRow("several edits between ticks") << 5;
    QTest::newRow("ticks with no edit between them") << 0;
}

void TestRecalculationKept::keptTextsAreThoseOfAFreshTick()
{
    QFETCH(int, editsPerTick);
    QRandomGenerator random(2718 + editsPerTick);
    TextSheet kept;
    Recalculation recalculation;
    for (int i = 0; i < 40; ++i)
        editSomething(kept, random);
    for (int tick = 0; tick < 600; ++tick) {
        for (int i = 0; i < editsPerTick; ++i)
            editSomething(kept, random);
        if (editsPerTick == 0 && tick % 50 == 0)
            editSomething(kept, random);
        TextSheet fresh = kept;
        kept.writes.clear();
        fresh.writes.clear();
        recalculation.run(kept);
        recalculate(fresh);
        QCOMPARE(kept.writes, fresh.writes);
    }
}

QTEST_GUILESS_MAIN(TestRecalculationKept)
#include "test_recalculation_kept.moc"
