// The one retry rule of every workbook command, on a stock posting: only an
// office that died or hung gets a second pass, and only before the save.

#include "memory_fixture.h"
#include "memory_workbook.h"
#include "office_fixture.h"
#include "records/stock_ledger.h"
#include "support/failure_text.h"

#include <QTest>

Q_DECLARE_METATYPE(FailureCause)

namespace {

const QString ledger = QStringLiteral("/yard/木材出入库台账.xls");

Tally load()
{
    Tally tally;
    tally.species = QStringLiteral("落叶松");
    tally.groupVolumes = { QStringLiteral("0.3100"), QStringLiteral("1.2560"), QString(),
        QStringLiteral("1.5660") };
    return tally;
}

} // namespace

class TestWorkbookPass : public QObject {
    Q_OBJECT

private slots:
    void onlyADeadOfficeBeforeTheSaveIsTriedAgain_data();
    void onlyADeadOfficeBeforeTheSaveIsTriedAgain();
};

void TestWorkbookPass::onlyADeadOfficeBeforeTheSaveIsTriedAgain_data()
{
    QTest::addColumn<FailureCause>("cause");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("failures");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("passes");
    QTest::addColumn<int>("saves");
    const auto died = FailureCause::OfficeNotResponding;
    QTest::newRow("the office died before the save: tried once more and posted")
        << died << "write" << 1 << 6 << 2 << 1;
    QTest::newRow("the office died after the save: posted once, not repeated")
        << died << "close" << 1 << 6 << 1 << 1;
    QTest::newRow("a locked ledger is not tried again")
        << FailureCause::WorkbookOpenElsewhere << "open" << 1 << 0 << 1 << 0;
    QTest::newRow("a damaged ledger is not tried again")
        << FailureCause::WorkbookDamaged << "open" << 1 << 0 << 1 << 0;
    QTest::newRow("a missing ledger is not tried again")
        << FailureCause::WorkbookMissing << "open" << 1 << 0 << 1 << 0;
    QTest::newRow("the office died twice: the clerk is told")
        << died << "write" << 2 << 0 << 2 << 0;
}

void TestWorkbookPass::onlyADeadOfficeBeforeTheSaveIsTriedAgain()
{
    QFETCH(FailureCause, cause);
    QFETCH(QString, operation);
    QFETCH(int, failures);
    QFETCH(int, row);
    QFETCH(int, passes);
    QFETCH(int, saves);
    MemorySpreadsheet app;
    prepareMemoryLedger(app, ledger);
    int opens = 0;
    const auto fail = failFirstWith(cause, operation, failures, ledger);
    app.beforeOperation = [&](const QString& op) {
        opens += op == QLatin1String("open");
        fail(op);
    };
    RecordingPrompts prompts;
    StockPosting stockIn(app, ledger, StockPosting::Sheet::StockIn, prompts);

    QCOMPARE(stockIn.press(load(), PostingContext()), row);
    QCOMPARE(opens, passes);
    QCOMPARE(app.saves, saves);
    QCOMPARE(app.sheet(ledger, QStringLiteral("入库")).shownText(7, 2), QString());
    const QString said = row ? QStringLiteral("保存成功") : failureMessage(Failure(cause, ledger));
    QCOMPARE(prompts.messages.last(), said);
    QCOMPARE(prompts.messages.size(), 2); // the first press's reminder, then this
}

QTEST_GUILESS_MAIN(TestWorkbookPass)
#include "test_workbook_pass.moc"
