// The history's own connection runs with SQLite's defensive settings: a
// schema that changed behind the program's back runs nothing SQLite does
// not trust, and the schema is never written but through SQL.

#include "history/sqlite_history_store.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

class TestSqliteDefenses : public QObject {
    Q_OBJECT

private slots:
    void storeConnectionIsDefensive_data();
    void storeConnectionIsDefensive();
};

void TestSqliteDefenses::storeConnectionIsDefensive_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<bool>("executes");
    QTest::newRow("The schema is not trusted") << "PRAGMA trusted_schema" << true;
    QTest::newRow("The schema table is not written even with writable_schema on")
        << "UPDATE sqlite_master SET sql = sql WHERE name = 'loads'" << false;
}

void TestSqliteDefenses::storeConnectionIsDefensive()
{
    QFETCH(QString, statement);
    QFETCH(bool, executes);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SqliteHistoryStore store(dir.filePath(QStringLiteral("quorvane.sqlite")));
    QSqlQuery query(store.database());
    query.exec(QStringLiteral("PRAGMA writable_schema = ON"));
    QCOMPARE(query.exec(statement), executes);
    if (executes) {
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 0);
    }
}

QTEST_GUILESS_MAIN(TestSqliteDefenses)
#include "test_sqlite_defenses.moc"
