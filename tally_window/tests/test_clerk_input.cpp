#include "records/bill_export.h"
#include "tally_test_helpers.h"
#include "test_answers.h"
#include "unit_prices/form4.h"

#include <QLabel>

// What the clerk types is what the books get: each case is a short script
// played on the real window (in-memory workbooks, a real journal folder),
// then checked. Steps:
//   Name=text        type text into a field (Form4:Text1(k) for a price,
//                    a Combo's edit text for a box)
//   focus:Name       put the focus there     key:K  press K (Return, Down, Ctrl+1)
//   click:Name       click a control         exit   press 退出 and start again
// Checks:
//   marked:Name=note / unmarked:Name         focus:Name      text:Name=value
//   path:A,B,...     where each key step left the focus
//   books:none / books:N   loads that reached the ledger, the bill or the history
//   foot:shown / foot:hidden   the note that the last exit's sheet came back
class TestClerkInput : public QObject {
    Q_OBJECT

private slots:
    void whatTheClerkTypesIsWhatTheBooksGet_data();
    void whatTheClerkTypesIsWhatTheBooksGet();
};

namespace {

const QColor markRed(255, 0, 0);

const QString ledgerReminder = QStringLiteral("每次入库前请先关闭*木材出入库台账*！！");
const QString billReminder = QStringLiteral("每次导入数据前请先关闭*木材账单*");

// A control of the window, or of the unit price window as Form4:Name.
QWidget* anyControl(Form1* window, const QString& name)
{
    if (name.startsWith(QStringLiteral("Form4:")))
        return control<QWidget>(window->unitPriceWindow(), name.mid(6));
    return control<QWidget>(window, name);
}

// Every write, copy and view of a workbook since the start.
int booksTouched(const MemorySpreadsheet& books)
{
    return int(books.writes.size() + books.copies.size() + books.shown.size());
}

void pressKey(QWidget* target, const QString& key)
{
    const QKeySequence sequence(key);
    QVERIFY2(sequence.count() == 1, qPrintable(key));
    const QKeyCombination combination = sequence[0];
    QTest::keyClick(target, combination.key(), combination.keyboardModifiers());
}

bool looksMarked(const QWidget* target)
{
    return target->palette().color(QPalette::Text) == markRed && target->font().underline();
}

QString focusName()
{
    QWidget* focus = QApplication::focusWidget();
    // A box's own line edit stands for the box.
    if (focus && qobject_cast<QComboBox*>(focus->parentWidget()))
        focus = focus->parentWidget();
    return focus ? focus->objectName() : QString();
}

void answer(TestAnswers& answers, const QString& letters)
{
    for (QChar letter : letters)
        answers.setNextAnswer(letter == u'Y' ? MessageAnswer::Yes
                : letter == u'N'             ? MessageAnswer::No
                                             : MessageAnswer::Ok);
}

} // namespace

void TestClerkInput::whatTheClerkTypesIsWhatTheBooksGet_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("answers"); // O(K), Y(es), N(o), in order
    QTest::addColumn<QStringList>("messages"); // every box, in order
    QTest::addColumn<QStringList>("checks");

    const QStringList redPine { "Text5(1)=10", "Combo3=红松", "Text17=木业乙" };

    // Marks.
    QTest::newRow("a count that is not whole is marked")
        << QStringList { "Text5(1)=3.5" } << "" << QStringList()
        << QStringList { "marked:Text5(1)=件数不是整数，按 3.5 计算" };
    QTest::newRow("a negative count is marked")
        << QStringList { "Text4(1)=-5" } << "" << QStringList()
        << QStringList { "marked:Text4(1)=负数：从件数和材积中减去" };
    QTest::newRow("a count above 9999 is marked")
        << QStringList { "Text4(1)=99999999999" } << "" << QStringList()
        << QStringList { "marked:Text4(1)=件数超过 9999，请检查" };
    QTest::newRow("a count without a length is marked")
        << QStringList { "Text4(4)=2" } << "" << QStringList()
        << QStringList { "marked:Text4(4)=这一列没有材长，按 0 立方米计算" };
    QTest::newRow("a count with letters after its number reads as it and is not marked")
        << QStringList { "Text4(1)=3abc" } << "" << QStringList()
        << QStringList { "unmarked:Text4(1)" };
    QTest::newRow("a length of 0 is marked")
        << QStringList { "Text23=0" } << "" << QStringList()
        << QStringList { "marked:Text23=材长不大于 0，请检查" };
    QTest::newRow("a length above 20 m is marked")
        << QStringList { "Text26=1000" } << "" << QStringList()
        << QStringList { "marked:Text26=材长超过 20 米，请检查" };
    QTest::newRow("a length of exactly 20 m is not marked")
        << QStringList { "Text26=20" } << "" << QStringList() << QStringList { "unmarked:Text26" };
    QTest::newRow("a price that is no number is marked in Form4 and in the summary")
        << QStringList { "Form4:Text1(0)=abc" } << "" << QStringList()
        << QStringList { "marked:Form4:Text1(0)=不是数字，按 0 计算",
               "marked:Text19(0)=不是数字，按 0 计算" };
    QTest::newRow("a price with a thousands comma is marked")
        << QStringList { "Form4:Text1(1)=1,200" } << "" << QStringList()
        << QStringList { "marked:Form4:Text1(1)=数字后面有其他字符，按 1 计算",
               "marked:Text19(1)=数字后面有其他字符，按 1 计算" };
    QTest::newRow("a negative price is marked")
        << QStringList { "Form4:Text1(2)=-100" } << "" << QStringList()
        << QStringList { "marked:Form4:Text1(2)=负数，按 -100 计算",
               "marked:Text19(2)=负数，按 -100 计算" };

    // Refusals: said, focused, and nothing reaches the books.
    QTest::newRow("stock in refuses a negative count and names it")
        << (redPine + QStringList { "Text4(4)=-5", "Text15=4", "press:Command5" }) << "OO"
        << QStringList { ledgerReminder,
               "第 2 个材长下 径级 10 "
               "的件数“-5”不是有效的件数：件数不能是负数。\n请改正后再入库。" }
        << QStringList { "focus:Text4(4)", "books:none" };
    QTest::newRow("stock out refuses a length above 20 m")
        << (redPine + QStringList { "Text23=1000", "press:Command7" }) << "OO"
        << QStringList { ledgerReminder,
               "第 1 个材长“1000”不是有效的材长：材长不能超过 20 米。\n请改正后再出库。" }
        << QStringList { "focus:Text23", "books:none" };
    QTest::newRow("the bill refuses a count of 99999999999")
        << (redPine + QStringList { "Text6(1)=99999999999", "press:Command3" }) << "O"
        << QStringList { "第 1 个材长下 径级 14 的件数“99999999999”不是有效的件数：件数不能超过 "
                         "9999。\n请改正后再打印账单。" }
        << QStringList { "focus:Text6(1)", "books:none" };
    QTest::newRow("the bill refuses a count that is not whole")
        << (redPine + QStringList { "Text6(1)=3.5", "press:Command3" }) << "O"
        << QStringList { "第 1 个材长下 径级 14 "
                         "的件数“3.5”不是有效的件数：件数必须是整数。\n请改正后再打印账单。" }
        << QStringList { "focus:Text6(1)", "books:none" };
    QTest::newRow("in the extended layout the lengths are named by their pairs")
        << (redPine + QStringList { "click:Label19", "Text3(10)=2", "Text26=0", "press:Command5" })
        << "OO"
        << QStringList { ledgerReminder,
               "第 2 个材长“0”不是有效的材长：材长必须大于 0。\n请改正后再入库。" }
        << QStringList { "focus:Text26", "books:none" };

    // Questions.
    QTest::newRow("a price that is no number is asked about, 否 posts nothing")
        << (redPine + QStringList { "Form4:Text1(0)=abc", "press:Command5" }) << "ON"
        << QStringList { ledgerReminder, "单价“abc”不是数字，按 0 元计算。仍要入库吗？" }
        << QStringList { "books:none" };
    QTest::newRow("a price that is no number is asked about, 是 posts")
        << (redPine + QStringList { "Form4:Text1(0)=abc", "press:Command5" }) << "OYO"
        << QStringList { ledgerReminder, "单价“abc”不是数字，按 0 元计算。仍要入库吗？",
               "保存成功" }
        << QStringList { "books:1" };
    QTest::newRow("a bill with neither buyer nor species is asked about, 否 numbers nothing")
        << QStringList { "Text5(1)=10", "press:Command3" } << "N"
        << QStringList { "账单没有填写购货单位和树种，仍要打印吗？" }
        << QStringList { "books:none" };
    QTest::newRow("a bill with a negative price asks once for every price")
        << (redPine
               + QStringList { "Form4:Text1(0)=-100", "Form4:Text1(2)=1,200", "press:Command3" })
        << "N"
        << QStringList { "单价“-100”是负数，按 -100 元计算。单价“1,200”不是数字，按 1 "
                         "元计算。仍要打印账单吗？" }
        << QStringList { "books:none" };

    // The exit.
    QTest::newRow("a load typed and not posted comes back after 退出")
        << (redPine + QStringList { "Text6(1)=6", "exit" }) << "" << QStringList()
        << QStringList { "text:Text5(1)=10", "text:Text6(1)=6", "text:Text17=木业乙",
               "foot:shown" };
    QTest::newRow("a load posted before 退出 starts empty")
        << (redPine + QStringList { "press:Command5", "exit" }) << "OO"
        << QStringList { ledgerReminder, "保存成功" }
        << QStringList { "text:Text5(1)=", "text:Text17=", "foot:hidden", "books:1" };
    QTest::newRow("a load edited after its bill comes back after 退出")
        << (redPine + QStringList { "press:Command3", "Text6(1)=6", "exit" }) << "O"
        << QStringList { billReminder } << QStringList { "text:Text6(1)=6", "foot:shown" };
    QTest::newRow("a sheet cleared before 退出 starts empty")
        << (redPine + QStringList { "click:Command4", "exit" }) << "" << QStringList()
        << QStringList { "text:Text5(1)=", "foot:hidden" };

    // Keys.
    QTest::newRow("Enter from the buyer skips the captions")
        << QStringList { "focus:Text17", "key:Return", "key:Return", "key:Return", "key:Return",
               "key:Return", "key:Return" }
        << "" << QStringList()
        << QStringList { "path:Text22,Combo3,Text25,Text20,Text24,Text1(2)" };
    QTest::newRow("the caption boxes follow the buttons")
        << QStringList { "focus:Command6", "key:Tab", "key:Tab", "key:Tab", "key:Tab" } << ""
        << QStringList() << QStringList { "path:Combo4,Combo2,Combo5,Combo1" };
    QTest::newRow("Ctrl+1 to Ctrl+4 reach the four lengths")
        << QStringList { "focus:Text9(7)", "key:Ctrl+3", "key:Ctrl+1", "key:Ctrl+4", "key:Ctrl+2" }
        << "" << QStringList() << QStringList { "path:Text26,Text23,Text21,Text15" };
    QTest::newRow("in the extended layout Ctrl+1 and Ctrl+2 reach its two lengths") << QStringList {
        "click:Label19", "focus:Text9(7)", "key:Ctrl+2", "key:Ctrl+1", "key:Ctrl+4"
    } << "" << QStringList() << QStringList { "path:Text26,Text23,Text23" };
    QTest::newRow("Down in each length goes to the first count of its block")
        << QStringList { "focus:Text23", "key:Down", "key:Ctrl+2", "key:Down", "key:Ctrl+3",
               "key:Down", "key:Ctrl+4", "key:Down" }
        << "" << QStringList()
        << QStringList { "path:Text1(1),Text15,Text1(4),Text26,Text1(7),Text21,Text1(10)" };
}

void TestClerkInput::whatTheClerkTypesIsWhatTheBooksGet()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, answers);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, checks);
    auto shown = shownForm1();
    TestTally& tally = *shown;
    tally.spreadsheet().sheet(billPath(tally.folder()), QStringLiteral("原木账单"));
    TestAnswers boxes;
    answer(boxes, answers);
    const int touchedAtStart = booksTouched(tally.spreadsheet());
    QStringList path;

    for (const QString& step : steps) {
        const qsizetype equals = step.indexOf(u'=');
        const QString verb = step.section(u':', 0, 0);
        if (step == QStringLiteral("exit")) {
            tally.exitAndStartAgain();
        } else if (equals > 0) {
            typeInto(anyControl(tally, step.left(equals)), step.mid(equals + 1));
        } else if (verb == QStringLiteral("focus")) {
            QWidget* target = anyControl(tally, step.section(u':', 1));
            target->setFocus(Qt::OtherFocusReason);
            QTRY_COMPARE(focusName(), target->objectName());
        } else if (verb == QStringLiteral("key")) {
            pressKey(tally->focusWidget(), step.section(u':', 1));
            path << focusName();
        } else if (verb == QStringLiteral("click") || verb == QStringLiteral("press")) {
            // The tick has run before the clerk's eye reaches the button.
            tally->runRecalculationTick();
            QTest::mouseClick(anyControl(tally, step.section(u':', 1)), Qt::LeftButton);
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step %1").arg(step)));
        }
    }
    tally->runRecalculationTick();

    QCOMPARE(boxes.texts(), messages);
    QCOMPARE(boxes.waitingAnswers(), 0);
    for (const QString& check : checks) {
        const QString verb = check.section(u':', 0, 0);
        const QString what = check.mid(verb.size() + 1);
        const QString name = what.section(u'=', 0, 0);
        const QString value = what.section(u'=', 1);
        if (verb == QStringLiteral("marked")) {
            QWidget* target = anyControl(tally, name);
            QVERIFY2(looksMarked(target), qPrintable(name));
            QCOMPARE(target->toolTip(), value);
        } else if (verb == QStringLiteral("unmarked")) {
            QVERIFY2(!looksMarked(anyControl(tally, name)), qPrintable(name));
        } else if (verb == QStringLiteral("focus")) {
            QCOMPARE(focusName(), what);
        } else if (verb == QStringLiteral("text")) {
            QCOMPARE(field(tally, name)->text(), value);
        } else if (verb == QStringLiteral("path")) {
            QCOMPARE(path.join(u','), what);
        } else if (verb == QStringLiteral("books")) {
            const bool none = what == QStringLiteral("none");
            QCOMPARE(tally.loadsSaved(), none ? 0 : what.toInt());
            if (none)
                QCOMPARE(booksTouched(tally.spreadsheet()), touchedAtStart);
        } else if (verb == QStringLiteral("foot")) {
            auto* foot = control<QLabel>(tally, QStringLiteral("Label26"));
            QCOMPARE(foot->isVisible(), what == QStringLiteral("shown"));
            QCOMPARE(foot->text(), QStringLiteral("上次退出时的检尺单已恢复"));
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown check %1").arg(check)));
        }
    }
}

QTEST_MAIN(TestClerkInput)
#include "test_clerk_input.moc"
