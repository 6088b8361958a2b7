#include "test_answers.h"
#include "unit_prices/form4.h"
#include "unit_prices/price_files.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QLineEdit* priceField(Form4& window, int group)
{
    return window.findChild<QLineEdit*>(QStringLiteral("Text1(%1)").arg(group));
}

void clickSaveAndExit(Form4& window)
{
    QTest::mouseClick(window.findChild<QLabel*>(QStringLiteral("Label3")), Qt::LeftButton);
}

} // namespace

class TestForm4 : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void noFilesLeaveTheFieldsEmpty();
    void loadTakesTheFileWithoutItsLineBreak_data();
    void loadTakesTheFileWithoutItsLineBreak();
    void aPriceFileThatDoesNotReadIsNamed_data();
    void aPriceFileThatDoesNotReadIsNamed();
    void saveWritesEachTextWithCrLf();
    void unchangedPricesSaveToIdenticalFiles();
    void saveIntoAnUncreatableFolderKeepsTheWindow();
    void saveOverAnUnwritableFileWritesNothing();
    void enterGoesToTheNextPriceThenToSaveAndExit();
    void closingByTheTitleBarAsksAboutEdits_data();
    void closingByTheTitleBarAsksAboutEdits();
    void editsLetGoAtTheEndAreNotAskedAboutAgain();

private:
    std::unique_ptr<TestAnswers> m_answers;
};

// Every box the window shows is one a test answered.
void TestForm4::init()
{
    m_answers = std::make_unique<TestAnswers>();
}

void TestForm4::cleanup()
{
    QCOMPARE(m_answers->waitingAnswers(), 0);
    m_answers.reset();
}

void TestForm4::noFilesLeaveTheFieldsEmpty()
{
    QTemporaryDir folder;
    Form4 window(folder.path());
    QCOMPARE(window.objectName(), QStringLiteral("Form4"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Form4"));
    for (int group = 0; group < 3; ++group)
        QCOMPARE(window.priceText(group), QString());
}

void TestForm4::loadTakesTheFileWithoutItsLineBreak_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("a saved price") << QByteArray("350\r\n") << "350";
    QTest::newRow("only one line break is dropped") << QByteArray("350\r\n\r\n") << "350\r\n";
    QTest::newRow("a file without line break") << QByteArray("350") << "350";
    QTest::newRow("a lone line feed stays") << QByteArray("350\n") << "350\n";
    QTest::newRow("an emptied price") << QByteArray("\r\n") << "";
    QTest::newRow("text is kept as typed") << QByteArray("8元\r\n") << "8元";
}

void TestForm4::loadTakesTheFileWithoutItsLineBreak()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QTemporaryDir folder;
    writeBytes(priceFilePath(folder.path(), 1), bytes);
    Form4 window(folder.path());
    QCOMPARE(window.priceText(1), text);
    QCOMPARE(window.priceText(0), QString());
}

void TestForm4::aPriceFileThatDoesNotReadIsNamed_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("said");
    QTest::newRow("a folder at the file's name stays and is named")
        << "folder" << QStringLiteral("它不是普通文件（可能是链接或设备），请将它移走");
    QTest::newRow("a file of 2 MB is set aside and named with where it went")
        << "large" << QStringLiteral("过大，已损坏，没有读取；已另存为");
}

// The other groups still read; the clerk is told once which file did not.
void TestForm4::aPriceFileThatDoesNotReadIsNamed()
{
    QFETCH(QString, kind);
    QFETCH(QString, said);
    QTemporaryDir folder;
    const QString bad = priceFilePath(folder.path(), 1);
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(bad));
    else
        writeBytes(bad, QByteArray(2 * 1024 * 1024, '9'));
    writeBytes(priceFilePath(folder.path(), 2), "600\r\n");
    m_answers->setNextAnswer(MessageAnswer::Ok);
    Form4 window(folder.path());
    QCOMPARE(window.priceText(2), QStringLiteral("600"));
    QCOMPARE(window.priceText(1), QString());
    QTRY_COMPARE_WITH_TIMEOUT(m_answers->shown.size(), 1, 5000);
    const QString message = lastMessage(*m_answers);
    QVERIFY2(message.contains(QDir::toNativeSeparators(bad)) && message.contains(said),
        qPrintable(message));
    QCOMPARE(QFileInfo(bad).isDir(), kind == QLatin1String("folder"));
}

void TestForm4::saveWritesEachTextWithCrLf()
{
    QTemporaryDir folder;
    const QString prices = folder.filePath(QStringLiteral("not/yet/there"));
    Form4 window(prices);
    window.show();
    QSignalSpy saved(&window, &Form4::saved);
    priceField(window, 0)->setText(QStringLiteral("1500"));
    priceField(window, 2)->setText(QStringLiteral("abc"));
    clickSaveAndExit(window);

    QCOMPARE(readBytes(priceFilePath(prices, 0)), QByteArray("1500\r\n"));
    QCOMPARE(readBytes(priceFilePath(prices, 1)), QByteArray("\r\n"));
    QCOMPARE(readBytes(priceFilePath(prices, 2)), QByteArray("abc\r\n"));
    QCOMPARE(saved.count(), 1);
    QVERIFY(window.isHidden());
    QCOMPARE(window.priceText(0), QStringLiteral("1500"));
}

void TestForm4::unchangedPricesSaveToIdenticalFiles()
{
    QTemporaryDir folder;
    const QByteArray contents[] = { "12.5\r\n", "\r\n", "八百\r\n" };
    for (int group = 0; group < 3; ++group)
        writeBytes(priceFilePath(folder.path(), group), contents[group]);
    for (int round = 0; round < 2; ++round) {
        Form4 window(folder.path());
        clickSaveAndExit(window);
    }
    for (int group = 0; group < 3; ++group)
        QCOMPARE(readBytes(priceFilePath(folder.path(), group)), contents[group]);
}

void TestForm4::saveIntoAnUncreatableFolderKeepsTheWindow()
{
    QTemporaryDir folder;
    // A file stands where the folder would have to be, which stops root too.
    const QString blocker = folder.filePath(QStringLiteral("blocker"));
    writeBytes(blocker, "x");
    Form4 window(blocker + QStringLiteral("/prices"));
    window.show();
    priceField(window, 0)->setText(QStringLiteral("1500"));

    m_answers->setNextAnswer(MessageAnswer::Ok);
    clickSaveAndExit(window);
    QCOMPARE(m_answers->shown.size(), 1);
    const Message said = m_answers->shown[0];
    QVERIFY2(said.text.contains(QStringLiteral("无法")), qPrintable(said.text));
    QVERIFY(said.text.contains(QDir::toNativeSeparators(blocker)));
    QCOMPARE(said.kind, MessageKind::Warning);
    QCOMPARE(said.title, QStringLiteral("Quorvane"));
    QVERIFY(window.isVisible());
    QCOMPARE(window.priceText(0), QStringLiteral("1500"));
}

void TestForm4::saveOverAnUnwritableFileWritesNothing()
{
    QTemporaryDir folder;
    writeBytes(priceFilePath(folder.path(), 0), "350\r\n");
    // A folder named like the second price file cannot be replaced by a file.
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("1(1).txt")));
    m_answers->setNextAnswer(MessageAnswer::Ok);
    Form4 window(folder.path());
    window.show();
    // The load reports the unreadable file once the window is up.
    QTRY_COMPARE(m_answers->shown.size(), 1);
    QVERIFY(m_answers->shown[0].text.contains(QStringLiteral("无法读取单价文件")));
    QVERIFY(m_answers->shown[0].text.contains(QStringLiteral("1(1).txt")));

    priceField(window, 0)->setText(QStringLiteral("400"));
    m_answers->setNextAnswer(MessageAnswer::Ok);
    clickSaveAndExit(window);
    QCOMPARE(m_answers->shown.size(), 2);
    QVERIFY2(m_answers->shown[1].text.contains(QStringLiteral("无法保存单价文件")),
        qPrintable(m_answers->shown[1].text));
    QVERIFY(m_answers->shown[1].text.contains(QStringLiteral("1(1).txt")));
    QVERIFY(window.isVisible());
    QCOMPARE(readBytes(priceFilePath(folder.path(), 0)), QByteArray("350\r\n"));
}

// Typed as a clerk types three prices: each Enter ends one, and the last
// Enter on 保存退出 saves them.
void TestForm4::enterGoesToTheNextPriceThenToSaveAndExit()
{
    QTemporaryDir folder;
    Form4 window(folder.path());
    QSignalSpy saved(&window, &Form4::saved);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    priceField(window, 0)->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), priceField(window, 0));
    for (const char* price : { "650", "900", "1150" }) {
        QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(price));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    for (int group = 0; group < 3; ++group)
        QCOMPARE(window.priceText(group), QStringList({ "650", "900", "1150" })[group]);
    QWidget* saveAndExit = window.findChild<QLabel*>(QStringLiteral("Label3"));
    QCOMPARE(QApplication::focusWidget(), saveAndExit);
    QCOMPARE(saved.count(), 0);
    QTest::keyClick(saveAndExit, Qt::Key_Return);
    QCOMPARE(saved.count(), 1);
    QVERIFY(window.isHidden());
    QCOMPARE(readBytes(priceFilePath(folder.path(), 2)), QByteArray("1150\r\n"));
}

void TestForm4::closingByTheTitleBarAsksAboutEdits_data()
{
    QTest::addColumn<QString>("typed"); // into the second price, saved as 480
    QTest::addColumn<int>("answer"); // -1: no question
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("no edit closes without a question") << "480" << -1 << QByteArray("480\r\n");
    QTest::newRow("an edit answered 是 is saved as 保存退出 saves it")
        << "520" << int(MessageAnswer::Yes) << QByteArray("520\r\n");
    QTest::newRow("an edit answered 否 stays for this run, the file as it was")
        << "520" << int(MessageAnswer::No) << QByteArray("480\r\n");
}

void TestForm4::closingByTheTitleBarAsksAboutEdits()
{
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(QByteArray, file);
    QTemporaryDir folder;
    writeBytes(priceFilePath(folder.path(), 1), "480\r\n");
    Form4 window(folder.path());
    QSignalSpy saved(&window, &Form4::saved);
    window.show();
    priceField(window, 1)->setText(QStringLiteral("999"));
    priceField(window, 1)->setText(typed);
    if (answer >= 0)
        m_answers->setNextAnswer(MessageAnswer(answer));
    QVERIFY(window.close());

    QVERIFY(window.isHidden());
    if (answer >= 0) {
        QCOMPARE(m_answers->shown.size(), 1);
        QCOMPARE(m_answers->shown[0].kind, MessageKind::Question);
        QCOMPARE(m_answers->shown[0].text, QStringLiteral("单价已修改，要保存吗？"));
    }
    QCOMPARE(readBytes(priceFilePath(folder.path(), 1)), file);
    QCOMPARE(saved.count(), answer == int(MessageAnswer::Yes) ? 1 : 0);
    QCOMPARE(window.priceText(1), typed);

    // Once saved, closing again asks nothing; unsaved, it asks again.
    window.show();
    if (answer == int(MessageAnswer::No))
        m_answers->setNextAnswer(MessageAnswer::No);
    QVERIFY(window.close());
}

// 否 at the end of the program lets the edits go: the files stay as they
// were and the same texts are not asked about again, though a new edit is.
void TestForm4::editsLetGoAtTheEndAreNotAskedAboutAgain()
{
    QTemporaryDir folder;
    writeBytes(priceFilePath(folder.path(), 1), "480\r\n");
    Form4 window(folder.path());
    window.show();
    priceField(window, 1)->setText(QStringLiteral("520"));
    m_answers->setNextAnswer(MessageAnswer::No);
    QVERIFY(window.settleEditsBeforeQuit());
    QVERIFY(!window.hasUnsavedEdits());
    QVERIFY(window.settleEditsBeforeQuit());
    QVERIFY(window.close());
    QCOMPARE(m_answers->shown.size(), 1);
    QCOMPARE(readBytes(priceFilePath(folder.path(), 1)), QByteArray("480\r\n"));

    priceField(window, 1)->setText(QStringLiteral("530"));
    m_answers->setNextAnswer(MessageAnswer::Yes);
    QVERIFY(window.settleEditsBeforeQuit());
    QCOMPARE(m_answers->shown.size(), 2);
    QCOMPARE(readBytes(priceFilePath(folder.path(), 1)), QByteArray("530\r\n"));
}

QTEST_MAIN(TestForm4)
#include "test_form4.moc"
