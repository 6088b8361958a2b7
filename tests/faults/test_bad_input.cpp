#include "fault_fixture.h"
#include "field_text/field_text.h"
#include "records/cell_values.h"
#include "test_answers.h"

#include <cmath>

namespace {

// Where the bill puts a field's text: (row, column) of "原木账单".
struct BillPlace {
    QLineEdit* field;
    int row;
    int column;
};

QVector<BillPlace> headerAndFooterPlaces(const TallyFields& f)
{
    return { { f.text17, 3, 3 }, { f.text22, 3, 9 }, { f.text25, 4, 9 }, { f.text20, 27, 4 },
        { f.text24, 27, 10 }, { f.text19[0], 23, 8 }, { f.text19[1], 24, 8 },
        { f.text19[2], 25, 8 } };
}

// The lengths, and the count column of every block and row.
QVector<BillPlace> tallyPlaces(const TallyFields& f)
{
    QVector<BillPlace> places = { { f.lengths[0], 5, 2 }, { f.lengths[1], 5, 5 },
        { f.lengths[2], 5, 8 }, { f.lengths[3], 5, 11 } };
    for (int row = 1; row <= TallyFields::rowCount; ++row)
        for (int block = 0; block < TallyFields::blockCount; ++block)
            places.append({ f.cell(row, 3 * block + 1), 6 + row, 3 * block + 2 });
    return places;
}

// A stored cell means what the screen showed: the same number for a text
// that is a number, the same characters (so no formula) for any other.
void compareStored(const QString& stored, const QString& shown, const char* where)
{
    if (const auto number = wholeNumber(shown)) {
        QVERIFY2(leadingNumber(stored) == *number, where);
        return;
    }
    QVERIFY2(stored == shown, where);
}

} // namespace

// Hostile and odd texts typed into every field that reaches a workbook,
// stored by the real office and read back by a fresh load.
class TestBadInput : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void textsReachTheWorkbooksAsTyped_data();
    void textsReachTheWorkbooksAsTyped();

private:
    std::unique_ptr<LibreOfficeSpreadsheet> m_office;
};

void TestBadInput::initTestCase()
{
    m_office = std::make_unique<LibreOfficeSpreadsheet>(
        testOfficeSettings(QStringLiteral("bad-input"), nullptr));
    m_office->warmUp();
}

void TestBadInput::cleanupTestCase()
{
    m_office.reset();
}

void TestBadInput::textsReachTheWorkbooksAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    // Whether the books take it as a length and a count: only when it
    // starts with a number above 0 and at most 20, whole for a count.
    QTest::addColumn<bool>("takenAsCount");
    QTest::newRow("letters") << "abc" << false;
    QTest::newRow("10,000 characters") << QString(10000, QChar(0x6728)) << false;
    QTest::newRow("huge number") << "1e308" << false;
    QTest::newRow("huge negative number") << "-1e308" << false;
    QTest::newRow("beyond the double range") << "1e400" << false;
    QTest::newRow("non-BMP characters") << "𠀋𠂉杉" << false;
    QTest::newRow("formula") << "=1+1" << false;
    QTest::newRow("web service call") << "=WEBSERVICE(\"http://127.0.0.1/\")" << false;
    QTest::newRow("DDE link") << "=DDE(\"soffice\";\"/etc/passwd\";\"a\")" << false;
    QTest::newRow("hyperlink") << "=HYPERLINK(\"http://127.0.0.1/\";\"x\")" << false;
    QTest::newRow("DDE command") << "+cmd|' /c calc'!A0" << false;
    QTest::newRow("minus form") << "-2+3" << false;
    QTest::newRow("at form") << "@SUM(1;2)" << false;
    QTest::newRow("fraction") << "1/2" << true;
    QTest::newRow("date") << "2024-01-05" << false;
    QTest::newRow("percentage") << "50%" << false;
    QTest::newRow("truth value") << "TRUE" << false;
}

void TestBadInput::textsReachTheWorkbooksAsTyped()
{
    QFETCH(QString, typed);
    QFETCH(bool, takenAsCount);
    FaultTally tally(*m_office);
    Form1* window = tally.window();
    const TallyFields& f = window->fields();
    TestAnswers answers;

    // A real load, with the text in the species, the captions and the unit
    // prices.
    tally.typeLoad();
    f.combo3->setEditText(typed);
    for (const BillPlace& place : headerAndFooterPlaces(f))
        place.field->setText(typed);
    window->runRecalculationTick();
    answers.setNextAnswer(MessageAnswer::Ok); // close the ledger first
    answers.setNextAnswer(MessageAnswer::Yes); // a species the stock sheet does not list
    answers.setNextAnswer(MessageAnswer::Ok);
    tally.click("Command5");
    QCOMPARE(answers.texts().last(), QStringLiteral("保存成功"));
    answers.setNextAnswer(MessageAnswer::Ok); // close the bill first
    tally.click("Command3");
    QCOMPARE(answers.waitingAnswers(), 0);
    {
        auto ledger = m_office->open(tally.ledger());
        Worksheet& in = ledger->sheetAt(1);
        compareStored(in.valueText(6, 2), typed, "species in the ledger");
        compareStored(in.valueText(6, 4), f.text19[0]->text(), "unit price in the ledger");
        QCOMPARE(in.shownText(7, 3), QString());
    }
    {
        // One pass at a time: the ledger's is over.
        auto bill = m_office->open(tally.bill());
        Worksheet& sheet = bill->sheetAt(1);
        compareStored(sheet.valueText(4, 3), typed, "species on the bill");
        for (const BillPlace& place : headerAndFooterPlaces(f))
            compareStored(sheet.valueText(place.row, place.column), place.field->text(),
                qPrintable(place.field->objectName()));
    }

    // Then the text in every length and count: the tick copes; a bill the
    // books cannot take is refused and the last bill stays as it was, any
    // other keeps what the screen shows.
    const QByteArray lastBill = fileBytes(tally.bill());
    for (const BillPlace& place : tallyPlaces(f))
        place.field->setText(typed);
    for (int tick = 0; tick < 3; ++tick)
        window->runRecalculationTick();
    if (!takenAsCount) {
        const qsizetype before = answers.shown.size();
        answers.setNextAnswer(MessageAnswer::Ok);
        tally.click("Command3");
        QCOMPARE(answers.shown.size(), before + 1);
        QVERIFY2(answers.texts().last().startsWith(QStringLiteral("第 1 个材长“")),
            qPrintable(answers.texts().last()));
        QCOMPARE(fileBytes(tally.bill()), lastBill);
        return;
    }
    const QString total = f.text18[3]->text();
    QVERIFY2(total.isEmpty() || wholeNumber(total) || total.contains(QStringLiteral("溢出")),
        qPrintable(total));
    // Without a volume the bill asks first.
    const QStringList noVolume { QStringLiteral("检尺单上没有材积，仍要打印账单吗？") };
    const qsizetype shown = answers.shown.size();
    if (total.isEmpty())
        answers.setNextAnswer(MessageAnswer::Yes);
    tally.click("Command3");
    QCOMPARE(answers.texts().mid(shown), total.isEmpty() ? noVolume : QStringList());
    auto bill = m_office->open(tally.bill());
    Worksheet& sheet = bill->sheetAt(1);
    for (const BillPlace& place : tallyPlaces(f))
        compareStored(sheet.valueText(place.row, place.column), place.field->text(),
            qPrintable(place.field->objectName()));
    compareStored(sheet.valueText(26, 6), total, "total volume on the bill");
}

QTEST_MAIN(TestBadInput)
#include "test_bad_input.moc"
