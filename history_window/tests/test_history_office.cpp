#include <QtTest>
class TestHistoryOffice : public QObject { Q_OBJECT };
QTEST_MAIN(TestHistoryOffice)
#include "test_history_office.moc"
