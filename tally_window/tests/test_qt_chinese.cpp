#include "tally_window/qt_translation.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

// Run under LANG=C and en_US.UTF-8 too: Qt's own button texts are Chinese
// whatever the system's language, installed the way main() does it.
class TestQtChinese : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void standardButtonsReadChinese_data();
    void standardButtonsReadChinese();
};

void TestQtChinese::initTestCase()
{
    qInfo("system locale %s", qPrintable(QLocale::system().name()));
    QVERIFY(installQtChinese(*QCoreApplication::instance()));
}

void TestQtChinese::standardButtonsReadChinese_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("caption");
    QTest::newRow("OK reads 确定") << int(QMessageBox::Ok) << "确定";
    QTest::newRow("Cancel reads 取消") << int(QMessageBox::Cancel) << "取消";
    QTest::newRow("Yes reads 是") << int(QMessageBox::Yes) << "是";
    QTest::newRow("No reads 否") << int(QMessageBox::No) << "否";
}

void TestQtChinese::standardButtonsReadChinese()
{
    QFETCH(int, button);
    QFETCH(QString, caption);
    const auto standard = QMessageBox::StandardButton(button);
    QMessageBox box(
        QMessageBox::NoIcon, QStringLiteral("Quorvane"), QStringLiteral("保存成功"), standard);
    QAbstractButton* shown = box.button(standard);
    QVERIFY(shown);
    // A mnemonic, where the translation gives one, is not part of the words.
    QString words = shown->text();
    words.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&")));
    QCOMPARE(words, caption);
}

QTEST_MAIN(TestQtChinese)
#include "test_qt_chinese.moc"
