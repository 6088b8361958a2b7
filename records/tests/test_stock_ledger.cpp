#include <QTest>
class TestStockLedger : public QObject {
    Q_OBJECT
};
QTEST_GUILESS_MAIN(TestStockLedger)
#include "test_stock_ledger.moc"
