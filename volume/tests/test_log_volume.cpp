#include "field_text/field_text.h"
#include "volume/log_volume.h"

#include <QTest>

// Expected volumes are worked by hand from the table formulas: raw per-log
// volume, rounded to the branch's decimals, times the count, to 4 decimals.
class TestLogVolume : public QObject {
    Q_OBJECT

private slots:
    void workedCells_data();
    void workedCells();
    void branchBoundaries_data();
    void branchBoundaries();
    void unusualInputs_data();
    void unusualInputs();
    void overflowNeverCrashes_data();
    void overflowNeverCrashes();
};

namespace {
void addColumns()
{
    QTest::addColumn<QString>("diameter");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("expected");
}
} // namespace

void TestLogVolume::workedCells_data()
{
    addColumns();
    QTest::newRow("6cm x5 at 4m: standard small, 0.0201 each") << "6"
                                                               << "5"
                                                               << "4"
                                                               << "0.1005";
    QTest::newRow("12cm x5 at 4m: rounded per log before the count") << "12"
                                                                     << "5"
                                                                     << "4"
                                                                     << "0.3100";
    QTest::newRow("14cm x2 at 4m: standard large") << "14"
                                                   << "2"
                                                   << "4"
                                                   << "0.1660";
    QTest::newRow("20cm x3 at 4m: standard large") << "20"
                                                   << "3"
                                                   << "4"
                                                   << "0.4800";
    QTest::newRow("30cm x1 at 6m: standard large") << "30"
                                                   << "1"
                                                   << "6"
                                                   << "0.5490";
    QTest::newRow("10cm x4 at 1.5m: short") << "10"
                                            << "4"
                                            << "1.5"
                                            << "0.0560";
    QTest::newRow("20cm x2 at 12m: long") << "20"
                                          << "2"
                                          << "12"
                                          << "1.2980";
    QTest::newRow("7cm at 2m: standard small") << "7"
                                               << "1"
                                               << "2"
                                               << "0.0103";
    QTest::newRow("8cm at 2m: standard middle") << "8"
                                                << "1"
                                                << "2"
                                                << "0.0130";
    QTest::newRow("13cm at 10m: standard middle") << "13"
                                                  << "1"
                                                  << "10"
                                                  << "0.2460";
    QTest::newRow("14cm at 10m: standard large") << "14"
                                                 << "1"
                                                 << "10"
                                                 << "0.3010";
    QTest::newRow("8cm at 10.5m: long") << "8"
                                        << "1"
                                        << "10.5"
                                        << "0.1470";
}

void TestLogVolume::workedCells()
{
    QFETCH(QString, diameter);
    QFETCH(QString, count);
    QFETCH(QString, length);
    QFETCH(QString, expected);
    QCOMPARE(CaiJiJiSuan(diameter, count, length), expected);
}

void TestLogVolume::branchBoundaries_data()
{
    addColumns();
    // Length 2 m belongs to the standard branches, just below it to the short ones.
    QTest::newRow("20cm at 2m is standard large") << "20"
                                                  << "1"
                                                  << "2"
                                                  << "0.0720";
    QTest::newRow("20cm at 1.99m is short") << "20"
                                            << "1"
                                            << "1.99"
                                            << "0.0700";
    QTest::newRow("7cm at 1.99m is short small, 4 decimals") << "7"
                                                             << "1"
                                                             << "1.99"
                                                             << "0.0102";
    QTest::newRow("7cm at 1.5m is short small") << "7"
                                                << "1"
                                                << "1.5"
                                                << "0.0072";
    QTest::newRow("8cm at 1.5m is short, 3 decimals") << "8"
                                                      << "1"
                                                      << "1.5"
                                                      << "0.0090";
    QTest::newRow("8cm at 1.99m is short") << "8"
                                           << "1"
                                           << "1.99"
                                           << "0.0130";
    // Length 10 m belongs to the standard branches, just above it to the long one.
    QTest::newRow("14cm at 10.01m is long") << "14"
                                            << "1"
                                            << "10.01"
                                            << "0.2890";
    QTest::newRow("8cm at 10.01m is long") << "8"
                                           << "1"
                                           << "10.01"
                                           << "0.1350";
    QTest::newRow("7cm at 10m is standard small") << "7"
                                                  << "1"
                                                  << "10"
                                                  << "0.1075";
    // Diameter 7 cm is small (4 decimals), 8 cm middle; 13 cm middle, 14 cm large.
    QTest::newRow("7cm at 4m is standard small") << "7"
                                                 << "1"
                                                 << "4"
                                                 << "0.0254";
    QTest::newRow("8cm at 4m is standard middle") << "8"
                                                  << "1"
                                                  << "4"
                                                  << "0.0310";
    QTest::newRow("13cm at 4m uses the small-diameter formula") << "13"
                                                                << "1"
                                                                << "4"
                                                                << "0.0710";
    QTest::newRow("14cm at 4m uses the large-diameter formula") << "14"
                                                                << "1"
                                                                << "4"
                                                                << "0.0830";
    QTest::newRow("58cm at 4m: the thickest class") << "58"
                                                    << "1"
                                                    << "4"
                                                    << "1.2260";
    // Long logs of 7 cm and less: long-log formula, 4 decimals per log.
    QTest::newRow("open region: 7cm at 10.01m") << "7"
                                                << "1"
                                                << "10.01"
                                                << "0.1154";
    QTest::newRow("open region: 6cm at 12m") << "6"
                                             << "1"
                                             << "12"
                                             << "0.1382";
    QTest::newRow("open region: 4cm at 11m") << "4"
                                             << "1"
                                             << "11"
                                             << "0.0794";
}

void TestLogVolume::branchBoundaries()
{
    workedCells();
}

void TestLogVolume::unusualInputs_data()
{
    addColumns();
    QTest::newRow("empty count gives zero") << "12"
                                            << ""
                                            << "4"
                                            << "0.0000";
    QTest::newRow("empty length gives zero") << "12"
                                             << "5"
                                             << ""
                                             << "0.0000";
    QTest::newRow("empty diameter is a 0cm log") << ""
                                                 << "3"
                                                 << "4"
                                                 << "0.0039";
    QTest::newRow("count with decimals is used as read") << "12"
                                                         << "2.5"
                                                         << "4"
                                                         << "0.1550";
    QTest::newRow("count 1 space 2 reads as 12") << "12"
                                                 << "1 2"
                                                 << "4"
                                                 << "0.7440";
    QTest::newRow("length with letters reads its number") << "12"
                                                          << "5"
                                                          << "4abc"
                                                          << "0.3100";
    QTest::newRow("length of letters only reads as 0") << "12"
                                                       << "5"
                                                       << "abc"
                                                       << "0.0000";
    QTest::newRow("negative count gives a negative volume") << "12"
                                                            << "-3"
                                                            << "4"
                                                            << "-0.1860";
}

void TestLogVolume::unusualInputs()
{
    workedCells();
}

void TestLogVolume::overflowNeverCrashes_data()
{
    addColumns();
    const QString over = overflowText;
    QTest::newRow("huge diameter") << "1e200"
                                   << "1"
                                   << "4" << over;
    QTest::newRow("huge length") << "12"
                                 << "1"
                                 << "1e300" << over;
    QTest::newRow("count beyond the double range") << "12"
                                                   << "1e400"
                                                   << "4" << over;
    QTest::newRow("negative count beyond the double range") << "12"
                                                            << "-1e400"
                                                            << "4" << u'-' + over;
    QTest::newRow("overflow text as the count") << "12" << over << "4" << over;
}

void TestLogVolume::overflowNeverCrashes()
{
    workedCells();
}

QTEST_GUILESS_MAIN(TestLogVolume)
#include "test_log_volume.moc"
