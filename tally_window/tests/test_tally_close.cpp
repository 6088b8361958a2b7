#include "tally_test_helpers.h"
#include "tally_window/tally_journal.h"
#include "test_answers.h"
#include "unit_prices/form4.h"
#include "unit_prices/price_files.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool journalMarkedClean(const QString& path)
{
    return QJsonDocument::fromJson(readBytes(path))
        .object()
        .value(QStringLiteral("clean"))
        .toBool();
}

} // namespace

// Closing the tally ends the program: unit prices typed and not saved are
// asked about first, as the price window's own ✕ asks.
class TestTallyClose : public QObject {
    Q_OBJECT

private slots:
    void closingAsksAboutUnsavedPrices_data();
    void closingAsksAboutUnsavedPrices();
};

void TestTallyClose::closingAsksAboutUnsavedPrices_data()
{
    QTest::addColumn<QString>("typed"); // into the second price, saved as 480
    QTest::addColumn<bool>("closedFirst"); // the price window's ✕ answered 否 before
    QTest::addColumn<int>("answer"); // -1: no question
    QTest::addColumn<bool>("saveFails");
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("prices as saved end the program unasked")
        << "480" << false << -1 << false << QByteArray("480\r\n");
    QTest::newRow("an edit answered 是 is saved, then the program ends")
        << "520" << false << int(MessageAnswer::Yes) << false << QByteArray("520\r\n");
    QTest::newRow("an edit answered 否 ends the program with the files as they were")
        << "520" << false << int(MessageAnswer::No) << false << QByteArray("480\r\n");
    QTest::newRow("an edit kept for the run by the price window's ✕ is asked about again")
        << "520" << true << int(MessageAnswer::Yes) << false << QByteArray("520\r\n");
    QTest::newRow("a save that fails is said and the program keeps running")
        << "520" << false << int(MessageAnswer::Yes) << true << QByteArray("480\r\n");
}

void TestTallyClose::closingAsksAboutUnsavedPrices()
{
    QFETCH(QString, typed);
    QFETCH(bool, closedFirst);
    QFETCH(int, answer);
    QFETCH(bool, saveFails);
    QFETCH(QByteArray, file);
    TestAnswers answers;
    auto tally = std::make_unique<TestTally>();
    Form1* window = tally->get();
    const QString pricePath = priceFilePath(tally->folder(), 1);
    QFile saved(pricePath);
    QVERIFY(saved.open(QIODevice::WriteOnly));
    saved.write("480\r\n");
    saved.close();
    window->show();
    QTest::mouseClick(control<QWidget>(window, QStringLiteral("Label5")), Qt::LeftButton);
    Form4* prices = window->unitPriceWindow();
    QVERIFY(prices->isVisible());
    field(prices, QStringLiteral("Text1(1)"))->setText(typed);
    if (closedFirst) {
        answers.setNextAnswer(MessageAnswer::No);
        QVERIFY(prices->close());
    }
    if (saveFails) {
        // A folder where the first price file would go cannot be replaced by it.
        QVERIFY(QDir(tally->folder()).mkdir(QStringLiteral("1(0).txt")));
    }
    if (answer >= 0)
        answers.setNextAnswer(MessageAnswer(answer));
    if (saveFails)
        answers.setNextAnswer(MessageAnswer::Ok);
    const int shownBefore = int(answers.shown.size());

    QCOMPARE(window->close(), !saveFails);

    const QList<Message> asked = answers.shown.mid(shownBefore);
    QCOMPARE(asked.size(), (answer >= 0 ? 1 : 0) + (saveFails ? 1 : 0));
    if (answer >= 0) {
        QCOMPARE(asked[0].kind, MessageKind::Question);
        QCOMPARE(asked[0].text, QStringLiteral("单价已修改，要保存吗？"));
    }
    if (saveFails)
        QVERIFY2(
            asked[1].text.contains(QStringLiteral("无法保存单价文件")), qPrintable(asked[1].text));
    QCOMPARE(answers.waitingAnswers(), 0);
    QCOMPARE(readBytes(pricePath), file);
    QCOMPARE(window->isVisible(), saveFails);
    // Kept on screen, to be saved again once the cause is gone.
    QCOMPARE(prices->isVisible(), saveFails);
    QCOMPARE(prices->priceText(1), typed);
    QCOMPARE(journalMarkedClean(window->journal().path()), !saveFails);
    if (!saveFails)
        return;

    QVERIFY(QDir(tally->folder()).rmdir(QStringLiteral("1(0).txt")));
    answers.setNextAnswer(MessageAnswer::Yes);
    QVERIFY(window->close());
    QCOMPARE(readBytes(pricePath), QByteArray("520\r\n"));
    QVERIFY(journalMarkedClean(window->journal().path()));
}

QTEST_MAIN(TestTallyClose)
#include "test_tally_close.moc"
