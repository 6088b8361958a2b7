#include "app/help_window.h"
#include "records/bill_export.h"
#include "tally_test_helpers.h"
#include "tally_window/sheet_operations.h"
#include "test_answers.h"
#include "unit_prices/form4.h"

#include <QComboBox>
#include <QDir>
#include <QJsonDocument>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void everyControlCarriesItsName();
    void startsWithItsInitialTexts();
    void everyTextOfTheWindowIsInItsTally();
    void captionBoxesStartWithTheirCaptionsAndLists();
    void startsInTheStandardLayout();
    void startsWithTheFocusInTheFirstLength();
    void controlsStandAtTheirDesignPlaces_data();
    void controlsStandAtTheirDesignPlaces();
    void keepsItsDesignSize();
    void minimiseButtonMinimises();
    void exitButtonClosesTheWindow();
    void helpOpensTheFolderOfTheWorkbooks_data();
    void helpOpensTheFolderOfTheWorkbooks();
    void unitPriceLinkOpensThePricesOverTheSummary();
    void calculatorLinkOpensOneCalculator();
    void missingLedgerLeavesAnEmptySpeciesList();
    void stockButtonsPostTheTally();
    void stockInAsksForTheVolume();
    void theSameLoadIsNotPostedTwiceUnasked();
    void viewStockShowsTheLedger();
    void printBillWritesTheTally();
    void backgroundDragMovesTheWindow();
    void pressOnControlsDoesNotMoveTheWindow_data();
    void pressOnControlsDoesNotMoveTheWindow();
    void replacingTheSheetAsksOnlyOverTypedTexts_data();
    void replacingTheSheetAsksOnlyOverTypedTexts();
};

void TestForm1::everyControlCarriesItsName()
{
    TestTally window;
    QCOMPARE(window->objectName(), QStringLiteral("Form1"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Quorvane"));
    QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!window->windowIcon().isNull());
    for (int row = 1; row <= 14; ++row)
        for (int element = 0; element < 12; ++element)
            QVERIFY(
                window->findChild<QLineEdit*>(QStringLiteral("Text%1(%2)").arg(row).arg(element)));
    QVERIFY(!window->findChild<QLineEdit*>(QStringLiteral("Text1(12)")));
    for (int element = 0; element < 8; ++element) {
        QVERIFY(window->findChild<QLineEdit*>(QStringLiteral("Text29(%1)").arg(element)));
        QVERIFY(window->findChild<QLineEdit*>(QStringLiteral("Text30(%1)").arg(element)));
    }
    for (const char* name : { "Text16(3)", "Text18(3)", "Text19(2)", "Text28(3)", "Text23",
             "Text15", "Text26", "Text21", "Text17", "Text22", "Text20", "Text24", "Text25" })
        QVERIFY2(window->findChild<QLineEdit*>(QString::fromLatin1(name)), name);
    QVERIFY(!window->findChild<QLineEdit*>(QStringLiteral("Text19(3)")));
    for (int n = 2; n <= 8; ++n)
        QVERIFY(window->findChild<QWidget*>(QStringLiteral("Command%1").arg(n)));

    const QList<std::pair<const char*, const char*>> labels = { { "Label2(3)", "径级" },
        { "Label3(0)", "件数" }, { "Label4(2)", "材  积" }, { "Label9", "材长" },
        { "Label10(0)", "材长" }, { "Label10(2)", "材长" }, { "Label6", "材长" },
        { "Label14", "件  数" }, { "Label15", "材   积" }, { "Label16", "单   价" },
        { "Label17", "金   额" }, { "Label21", "径级分组" }, { "Label7", "直径12CM以下：" },
        { "Label12", "直径14-18CM：" }, { "Label13", "直径20CM以上：" }, { "Label11", "合   计：" },
        { "Label8", "单位：米、厘米、元           立方米" }, { "Label23", "计算器" },
        { "Label18", "树   种" }, { "Label1", "检 尺 员" }, { "Label19", "增加径级规格" },
        { "Label20", "增加材长规格" }, { "Label5", "单价设置" } };
    for (const auto& [name, text] : labels)
        QCOMPARE(
            control<QLabel>(window, QString::fromLatin1(name))->text(), QString::fromUtf8(text));
    QCOMPARE(control<QLabel>(window, QStringLiteral("Label19"))->toolTip(),
        QStringLiteral("请先输入材长再点此键"));
}

void TestForm1::startsWithItsInitialTexts()
{
    TestTally window;
    for (int row = 1; row <= 14; ++row) {
        const QString array = QStringLiteral("Text%1(%2)").arg(row);
        const QString diameter = QString::number(2 * row + 2);
        for (int block = 0; block < 4; ++block) {
            QCOMPARE(field(window, array.arg(3 * block))->text(), diameter);
            QCOMPARE(field(window, array.arg(3 * block + 1))->text(), QString());
            QCOMPARE(field(window, array.arg(3 * block + 2))->text(), QString());
        }
    }
    QCOMPARE(field(window, QStringLiteral("Text23"))->text(), QStringLiteral("4"));
    QCOMPARE(field(window, QStringLiteral("Text26"))->text(), QStringLiteral("5"));
    QCOMPARE(field(window, QStringLiteral("Text15"))->text(), QString());
    QCOMPARE(field(window, QStringLiteral("Text21"))->text(), QString());
    for (const char* name : { "Text19(0)", "Text16(3)", "Text28(0)", "Text29(0)", "Text30(7)",
             "Text17", "Text22", "Text20", "Text24", "Text25" })
        QCOMPARE(field(window, QString::fromLatin1(name))->text(), QString());
}

// A field the Tally forgot would be missing from the bill, the journal and
// the history alike: every text the window holds must reach it.
void TestForm1::everyTextOfTheWindowIsInItsTally()
{
    TestTally window;
    QStringList names;
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
        if (edit->objectName().isEmpty() || qobject_cast<QComboBox*>(edit->parent()))
            continue;
        // Without their change reactions, which would write other fields.
        const QSignalBlocker quiet(edit);
        edit->setText(edit->objectName());
        names << edit->objectName();
    }
    for (QComboBox* box : window->findChildren<QComboBox*>()) {
        const QSignalBlocker quiet(box);
        box->setEditText(box->objectName());
        names << box->objectName();
    }
    const QByteArray json
        = QJsonDocument(tallyJson(window->tally())).toJson(QJsonDocument::Compact);
    QCOMPARE(names.size(), 14 * 12 + 4 + 8 + 8 + 4 * 3 + 3 + 5 + 5);
    for (const QString& name : names)
        QVERIFY2(json.contains('"' + name.toUtf8() + '"'), qPrintable(name));
}

void TestForm1::captionBoxesStartWithTheirCaptionsAndLists()
{
    TestTally window;
    struct Expected {
        const char* name;
        const char* text;
        QStringList items;
    };
    const Expected boxes[] = {
        { "Combo4", "购货单位", { "购货单位:", "公司名称:" } },
        { "Combo2", "车号", { "车号;", "联系人:", "联系电话:", "银行账号:" } },
        { "Combo5", "供货单位", { "供货单位;", "银行账号;", "公司名称;", "地点;" } },
        { "Combo1", "联系人", { "联系人;", "电话;", "银行账号;", "地址;" } },
        { "Combo3", "", testSpecies() },
    };
    for (const Expected& expected : boxes) {
        auto* box = control<QComboBox>(window, QString::fromLatin1(expected.name));
        QVERIFY(box->isEditable());
        QCOMPARE(box->currentText(), QString::fromUtf8(expected.text));
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items, expected.items);
    }
}

void TestForm1::startsInTheStandardLayout()
{
    auto tally = shownForm1();
    Form1* window = tally->get();
    QVERIFY(control<QLabel>(window, QStringLiteral("Label19"))->isVisible());
    QVERIFY(!control<QLabel>(window, QStringLiteral("Label20"))->isVisible());
    for (int element = 0; element < 8; ++element) {
        const bool shown = element < 4;
        QCOMPARE(field(window, QStringLiteral("Text29(%1)").arg(element))->isVisible(), shown);
        QCOMPARE(field(window, QStringLiteral("Text30(%1)").arg(element))->isVisible(), shown);
    }
    QVERIFY(field(window, QStringLiteral("Text15"))->isVisible());
    QVERIFY(field(window, QStringLiteral("Text21"))->isVisible());
}

void TestForm1::startsWithTheFocusInTheFirstLength()
{
    auto tally = shownForm1();
    Form1* window = tally->get();
    QTRY_COMPARE(QApplication::focusWidget(), field(window, QStringLiteral("Text23")));
    // Its "4" is selected, so the first length typed replaces it.
    QCOMPARE(field(window, QStringLiteral("Text23"))->selectedText(), QStringLiteral("4"));
    QCOMPARE(window->size(), QSize(708, 636));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(window->geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(window->geometry().center().y() - screen.center().y()) <= 1);
}

void TestForm1::controlsStandAtTheirDesignPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");
    // Twips divided by 15.
    QTest::newRow("row 1 diameter of block 0") << "Text1(0)" << QRect(30, 155, 36, 21);
    QTest::newRow("row 1 count of block 1") << "Text1(4)" << QRect(200, 155, 41, 21);
    QTest::newRow("row 14 volume of block 3") << "Text14(11)" << QRect(515, 415, 61, 21);
    QTest::newRow("length of block 0") << "Text23" << QRect(101, 109, 48, 21);
    QTest::newRow("length of block 3") << "Text21" << QRect(491, 109, 48, 21);
    QTest::newRow("piece total of block 1") << "Text29(1)" << QRect(165, 435, 76, 21);
    QTest::newRow("pair piece total lies on block 1") << "Text29(4)" << QRect(165, 435, 76, 21);
    QTest::newRow("pair volume total lies on block 3") << "Text30(5)" << QRect(515, 435, 61, 21);
    QTest::newRow("total pieces") << "Text16(3)" << QRect(209, 539, 65, 21);
    QTest::newRow("unit price of group 0") << "Text19(0)" << QRect(374, 479, 80, 21);
    QTest::newRow("buyer") << "Text17" << QRect(120, 77, 227, 21);
    QTest::newRow("truck number caption") << "Combo2" << QRect(365, 75, 69, 21);
    QTest::newRow("contact caption") << "Combo1" << QRect(386, 571, 71, 21);
    QTest::newRow("species") << "Combo3" << QRect(590, 200, 71, 21);
    QTest::newRow("stock out button") << "Command7" << QRect(632, 272, 41, 33);
    QTest::newRow("exit button") << "Command6" << QRect(592, 452, 81, 33);
    QTest::newRow("layout link") << "Label19" << QRect(51, 499, 56, 41);
}

void TestForm1::controlsStandAtTheirDesignPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    TestTally window;
    QCOMPARE(control<QWidget>(window, name)->geometry(), pixels);
}

void TestForm1::keepsItsDesignSize()
{
    auto tally = shownForm1();
    Form1* window = tally->get();
    window->resize(300, 200);
    QCOMPARE(window->size(), QSize(708, 636));

    window->showMinimized();
    QTRY_VERIFY(window->windowState() & Qt::WindowMinimized);
    window->showNormal();
    QTRY_VERIFY(!(window->windowState() & Qt::WindowMinimized));
    QCOMPARE(window->size(), QSize(708, 636));

    window->showMaximized();
    QTRY_VERIFY(!(window->windowState() & Qt::WindowMaximized));
    QCOMPARE(window->size(), QSize(708, 636));
}

void TestForm1::minimiseButtonMinimises()
{
    auto tally = shownForm1();
    Form1* window = tally->get();
    QTest::mouseClick(control<QWidget>(window, QStringLiteral("Command2")), Qt::LeftButton);
    QTRY_VERIFY(window->windowState() & Qt::WindowMinimized);
}

void TestForm1::exitButtonClosesTheWindow()
{
    auto tally = shownForm1();
    Form1* window = tally->get();
    QWidget other;
    other.show();
    QTest::mouseClick(control<QWidget>(window, QStringLiteral("Command6")), Qt::LeftButton);
    QVERIFY(!window->isVisible());
    QVERIFY(!other.isVisible());
}

void TestForm1::helpOpensTheFolderOfTheWorkbooks_data()
{
    QTest::addColumn<bool>("fileManager");
    QTest::newRow("打开 shows the folder of the workbooks in the file manager") << true;
    QTest::newRow("without a file manager 打开 shows the folder's path") << false;
}

// F1 opens 帮助, which has the about box's facts at its foot.
void TestForm1::helpOpensTheFolderOfTheWorkbooks()
{
    QFETCH(bool, fileManager);
    auto tally = shownForm1();
    TestAnswers answers;
    QTest::keyClick(tally->get(), Qt::Key_F1);
    auto* help = qobject_cast<HelpWindow*>(tally->program().helpWindow());
    QVERIFY(help && help->isVisible());
    QStringList opened;
    help->setFolderOpener([&](const QString& folder) {
        opened << folder;
        return fileManager;
    });
    QTest::mouseClick(
        help->findChild<QPushButton*>(QStringLiteral("OpenWorkbooks")), Qt::LeftButton);
    QCOMPARE(opened, QStringList { tally->folder() });
    QCOMPARE(help->folderStatus().contains(QStringLiteral("没有能打开文件夹的文件管理器")),
        !fileManager);
    QVERIFY(help->folderStatus().contains(QDir::toNativeSeparators(tally->folder())));
    const QString about = help->findChild<QLabel*>(QStringLiteral("HelpAbout"))->text();
    QVERIFY2(about.startsWith(QStringLiteral("原木检尺（Quorvane）  版本 ")), qPrintable(about));
}

void TestForm1::unitPriceLinkOpensThePricesOverTheSummary()
{
    auto tally = shownForm1();
    Form1* window = tally->get();
    QTest::mouseClick(control<QWidget>(window, QStringLiteral("Label5")), Qt::LeftButton);
    Form4* prices = window->unitPriceWindow();
    QVERIFY(prices->isVisible());
    // Both offsets come from the two outer widths; with the design widths
    // (10620 and 5820 twips) they are 2900 and 5350 twips.
    const double widths
        = (window->frameGeometry().width() - prices->frameGeometry().width()) * 15.0;
    const QPoint expected
        = window->pos() + QPoint(qRound((widths - 1900) / 15), qRound((widths + 550) / 15));
    QVERIFY2((prices->pos() - expected).manhattanLength() <= 2,
        qPrintable(QStringLiteral("at %1,%2").arg(prices->x()).arg(prices->y())));

    // Every opening places it again, wherever the user put it.
    prices->move(0, 0);
    QTest::mouseClick(control<QWidget>(window, QStringLiteral("Label5")), Qt::LeftButton);
    QVERIFY((prices->pos() - expected).manhattanLength() <= 2);

    // Save and exit hides it and leaves the tally sheet shown.
    QTest::mouseClick(prices->findChild<QWidget*>(QStringLiteral("Label3")), Qt::LeftButton);
    QVERIFY(prices->isHidden());
    QVERIFY(window->isVisible());
}

void TestForm1::calculatorLinkOpensOneCalculator()
{
    auto tally = shownForm1();
    Form1* window = tally->get();
    QTest::mouseClick(control<QWidget>(window, QStringLiteral("Label23")), Qt::LeftButton);
    auto* calculator = window->findChild<QWidget*>(QStringLiteral("Main"));
    QVERIFY(calculator && calculator->isVisible());
    QCOMPARE(calculator->windowTitle(), QStringLiteral("计算器"));
    calculator->hide();
    QTest::mouseClick(control<QWidget>(window, QStringLiteral("Label23")), Qt::LeftButton);
    QCOMPARE(window->findChildren<QWidget*>(QStringLiteral("Main")).size(), 1);
    QVERIFY(calculator->isVisible());
}

void TestForm1::missingLedgerLeavesAnEmptySpeciesList()
{
    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok);
    TestTally tally(false);
    QTRY_COMPARE(answers.shown.size(), 1);
    QVERIFY2(lastMessage(answers).startsWith(QStringLiteral("树种列表无法读取")),
        qPrintable(lastMessage(answers)));
    QVERIFY(lastMessage(answers).contains(QStringLiteral("木材出入库台账.xls")));
    QCOMPARE(control<QComboBox>(tally, QStringLiteral("Combo3"))->count(), 0);
    // The tally works all the same.
    field(tally, QStringLiteral("Text5(1)"))->setText(QStringLiteral("5"));
    tally->runRecalculationTick();
    QCOMPARE(field(tally, QStringLiteral("Text5(2)"))->text(), QStringLiteral("0.3100"));
}

void TestForm1::stockButtonsPostTheTally()
{
    TestTally tally;
    field(tally, QStringLiteral("Text5(1)"))->setText(QStringLiteral("5"));
    control<QComboBox>(tally, QStringLiteral("Combo3"))->setCurrentIndex(1);
    tally->runRecalculationTick();

    TestAnswers answers;
    answers.setNextAnswers(
        { MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok });
    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Command5")), Qt::LeftButton);
    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Command7")), Qt::LeftButton);
    QCOMPARE(answers.texts(),
        QStringList({ "每次入库前请先关闭*木材出入库台账*！！", "保存成功",
            "每次入库前请先关闭*木材出入库台账*！！", "保存成功" }));
    QCOMPARE(answers.shown[0].title, QStringLiteral("Quorvane"));
    QVERIFY(answers.shown[0].kind == MessageKind::Information);
    const QString ledger = ledgerPath(tally.folder());
    for (const char* sheet : { "入库", "出库" }) {
        const MemorySheet& posted = tally.spreadsheet().sheet(ledger, QString::fromUtf8(sheet));
        QCOMPARE(posted.shownText(6, 2), QStringLiteral("红松"));
        QCOMPARE(posted.shownText(6, 3), QStringLiteral("0.31"));
        QCOMPARE(posted.shownText(6, 4), QStringLiteral("0"));
    }
}

void TestForm1::stockInAsksForTheVolume()
{
    auto shown = shownForm1();
    Form1* tally = shown->get();
    control<QComboBox>(tally, QStringLiteral("Combo3"))->setEditText(QStringLiteral("杨木"));
    tally->runRecalculationTick(); // nothing tallied: the total volume is empty
    TestAnswers answers;
    answers.setNextAnswers({ MessageAnswer::Ok, MessageAnswer::Ok });
    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Command5")), Qt::LeftButton);
    QCOMPARE(
        answers.texts(), QStringList({ "每次入库前请先关闭*木材出入库台账*！！", "请输入材积。" }));
    QCOMPARE(tally->focusWidget(), field(tally, QStringLiteral("Text18(3)")));
    QCOMPARE(shown->spreadsheet().opens, 1); // only the species list was read
}

void TestForm1::theSameLoadIsNotPostedTwiceUnasked()
{
    TestTally tally;
    field(tally, QStringLiteral("Text5(1)"))->setText(QStringLiteral("5"));
    control<QComboBox>(tally, QStringLiteral("Combo3"))->setEditText(QStringLiteral("红松"));
    tally->runRecalculationTick();
    const QString ledger = ledgerPath(tally.folder());
    auto postedRows = [&] {
        const MemorySheet& in = tally.spreadsheet().sheet(ledger, QStringLiteral("入库"));
        int rows = 0;
        while (!in.shownText(6 + rows, 3).isEmpty())
            ++rows;
        return rows;
    };
    const QString again = QStringLiteral("这车已经入库，确定要再入库一次吗？");

    const QString reminder = QStringLiteral("每次入库前请先关闭*木材出入库台账*！！");
    TestAnswers answers;
    for (MessageAnswer answer : { MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::No })
        answers.setNextAnswer(answer);
    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Command5")), Qt::LeftButton);
    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Command5")), Qt::LeftButton);
    QCOMPARE(answers.texts(), QStringList({ reminder, "保存成功", again }));
    QCOMPARE(postedRows(), 1);
    // Answered 是, it is posted again.
    answers.shown.clear();
    answers.setNextAnswers({ MessageAnswer::Yes, MessageAnswer::Ok });
    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Command5")), Qt::LeftButton);
    QCOMPARE(answers.texts(), QStringList({ again, "保存成功" }));
    QCOMPARE(postedRows(), 2);
    // Another count: another load, posted without a question.
    field(tally, QStringLiteral("Text5(1)"))->setText(QStringLiteral("6"));
    tally->runRecalculationTick();
    answers.shown.clear();
    answers.setNextAnswer(MessageAnswer::Ok);
    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Command5")), Qt::LeftButton);
    QCOMPARE(answers.texts(), QStringList { QStringLiteral("保存成功") });
    QCOMPARE(postedRows(), 3);
    // A species the ledger does not list is asked about.
    control<QComboBox>(tally, QStringLiteral("Combo3"))->setEditText(QStringLiteral("红木"));
    answers.setNextAnswer(MessageAnswer::No);
    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Command5")), Qt::LeftButton);
    QCOMPARE(lastMessage(answers),
        QStringLiteral("树种“红木”不在库存表的树种列表中，库存表不会计入它。仍要入库吗？"));
    QCOMPARE(postedRows(), 3);
}

void TestForm1::viewStockShowsTheLedger()
{
    TestTally tally;
    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Command8")), Qt::LeftButton);
    // A copy of the ledger, never the live file.
    QCOMPARE(tally.spreadsheet().shown.size(), 1);
    QVERIFY(tally.spreadsheet().shown[0] != ledgerPath(tally.folder()));
}

void TestForm1::printBillWritesTheTally()
{
    TestTally tally;
    const QString bill = billPath(tally.folder());
    tally.spreadsheet().sheet(bill, QStringLiteral("原木账单"));
    field(tally, QStringLiteral("Text5(1)"))->setText(QStringLiteral("5"));
    field(tally, QStringLiteral("Text17"))->setText(QStringLiteral("林业公司"));
    tally->runRecalculationTick();

    TestAnswers answers;
    answers.setNextAnswer(MessageAnswer::Ok);
    QTest::mouseClick(control<QWidget>(tally, QStringLiteral("Command3")), Qt::LeftButton);
    QCOMPARE(answers.texts(), QStringList({ "每次导入数据前请先关闭*木材账单*" }));
    // The archive copy is what the clerk sees, once it is made.
    QTRY_COMPARE(tally.spreadsheet().shown,
        QStringList({ archivedBillPath(
            billArchiveFolder(tally.folder()), BillNumber { QDate::currentDate(), 1 }, ".xls") }));
    const MemorySheet& sheet = tally.spreadsheet().sheet(bill, QStringLiteral("原木账单"));
    QCOMPARE(sheet.shownText(3, 3), QStringLiteral("林业公司"));
    QCOMPARE(sheet.shownText(3, 1), QStringLiteral("购货单位"));
    QCOMPARE(sheet.shownText(11, 2), QStringLiteral("5"));
    QCOMPARE(sheet.shownText(11, 3), QStringLiteral("0.31"));
    QCOMPARE(sheet.shownText(21, 2), QStringLiteral("5"));
}

namespace {
// Presses `button` at `local` in `target`, drags by (40, 30) and releases.
void dragBy40x30(QWidget* target, QPoint local, Qt::MouseButton button)
{
    const QPointF start = target->mapToGlobal(QPointF(local));
    const QPointF end = start + QPointF(40, 30);
    QMouseEvent press(
        QEvent::MouseButtonPress, QPointF(local), start, button, button, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(local) + QPointF(40, 30), end, Qt::NoButton, button,
        Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(local) + QPointF(40, 30), end, button,
        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}
} // namespace

void TestForm1::backgroundDragMovesTheWindow()
{
    auto tally = shownForm1();
    Form1* window = tally->get();
    for (Qt::MouseButton button : { Qt::LeftButton, Qt::RightButton, Qt::MiddleButton }) {
        const QPoint before = window->pos();
        // The banner: no control stands there.
        dragBy40x30(window, QPoint(300, 20), button);
        QCOMPARE(window->pos(), before + QPoint(40, 30));
    }
}

void TestForm1::pressOnControlsDoesNotMoveTheWindow_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("a count field") << "Text3(1)";
    QTest::newRow("a heading label") << "Label14";
    QTest::newRow("a link") << "Label23";
    QTest::newRow("a caption box") << "Combo4";
    QTest::newRow("a picture button") << "Command4";
}

void TestForm1::pressOnControlsDoesNotMoveTheWindow()
{
    QFETCH(QString, name);
    auto tally = shownForm1();
    Form1* window = tally->get();
    QWidget* target = control<QWidget>(window, name);
    const QPoint before = window->pos();
    dragBy40x30(target, QPoint(3, 3), Qt::LeftButton);
    QCOMPARE(window->pos(), before);
}

void TestForm1::replacingTheSheetAsksOnlyOverTypedTexts_data()
{
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("asked");
    QTest::newRow("a sheet as it starts is replaced unasked") << false << ""
                                                              << "" << false;
    QTest::newRow("a sheet of the larger diameters is replaced unasked") << true << ""
                                                                         << "" << false;
    QTest::newRow("a count is asked about") << false << "Text3(1)"
                                            << "7" << true;
    QTest::newRow("a count of the larger diameters is asked about") << true << "Text14(4)"
                                                                    << "2" << true;
    QTest::newRow("a length other than the first one is asked about") << false << "Text23"
                                                                      << "6" << true;
    QTest::newRow("a length typed where none was is asked about") << false << "Text15"
                                                                  << "4" << true;
    QTest::newRow("a diameter class typed over is asked about") << false << "Text2(0)"
                                                                << "7" << true;
    QTest::newRow("a buyer is asked about") << false << "Text17"
                                            << "林场甲" << true;
    QTest::newRow("a contact is asked about") << false << "Text24"
                                              << "张三" << true;
    QTest::newRow("a scaler is asked about") << false << "Text25"
                                             << "李四" << true;
    QTest::newRow("a species is asked about") << false << "Combo3"
                                              << "红松" << true;
    QTest::newRow("another caption is asked about") << false << "Combo4"
                                                    << "公司名称:" << true;
}

// Opening a load of the history over the sheet asks first only when
// something typed would be lost: never over the texts the sheet starts with.
void TestForm1::replacingTheSheetAsksOnlyOverTypedTexts()
{
    QFETCH(bool, extended);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, asked);
    TestTally tally;
    LoadRecord load;
    load.recordedAt = QDateTime(QDate(2026, 12, 9), QTime(10, 15));
    load.tally = typedPart(tally->tally());
    load.tally.grid[4][1] = QStringLiteral("12");
    load.tally.species = QStringLiteral("杨木");
    if (extended)
        switchToExtendedLayout(tally->fields());
    if (name.startsWith(QStringLiteral("Combo")))
        control<QComboBox>(tally, name)->setEditText(text);
    else if (!name.isEmpty())
        field(tally, name)->setText(text);

    TestAnswers answers;
    if (asked)
        answers.setNextAnswer(MessageAnswer::No);
    QCOMPARE(tally->openLoadIntoTally(load), !asked);
    QCOMPARE(answers.shown.size(), asked ? 1 : 0);
    if (asked)
        QVERIFY(lastMessage(answers).startsWith(QStringLiteral("检尺单上已有数据。")));
    else
        QCOMPARE(typedPart(tally->tally()), load.tally);
}

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
