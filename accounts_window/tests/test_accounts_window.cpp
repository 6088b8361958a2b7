// 往来账 driven by its controls' names against a real SQLite file of
// hand-counted loads and payments: the balances and their totals, the
// payment dialog's refusals, a reversal, a join of two names and the
// statement handed to the preview.

#include "accounts_window/accounts.h"
#include "accounts_window/partner_account.h"
#include "accounts_window/payment_dialog.h"
#include "accounts_window/statement_document.h"
#include "history/sqlite_history_store.h"
#include "history_builders.h"
#include "test_answers.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

const QDate today(2026, 12, 9);

LoadRecord load(LoadKind kind, const QString& when, const QString& partner, const QString& amount)
{
    return LoadBuilder(kind)
        .at(when)
        .partner(partner)
        .contact({})
        .scaler({})
        .totals(QStringLiteral("5"), QStringLiteral("1.0000"), amount)
        .bill(kind == LoadKind::Bill ? QStringLiteral("2026-03-02-001") : QString());
}

// Runs `action` on the next modal dialog once it is up, within 10 s.
void onNextDialog(std::function<void(QWidget*)> action)
{
    auto* poll = new QTimer(qApp);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, started, action] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog && started->elapsed() < 10000)
            return;
        poll->deleteLater();
        if (dialog)
            action(dialog);
        else
            QTest::qFail("no dialog came up", __FILE__, __LINE__);
    });
    poll->start(10);
}

template <typename T> T* child(QWidget* window, const char* name)
{
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no %s in %s", name, qPrintable(window->objectName()));
    return found;
}

void savePicture(QWidget* window, const char* name)
{
    QDir().mkpath(QStringLiteral(QUORVANE_SCREENSHOTS));
    if (!window->grab().save(
            QDir(QStringLiteral(QUORVANE_SCREENSHOTS)).filePath(QLatin1String(name))))
        qWarning("picture %s not saved", name);
}

void click(QWidget* window, const char* button)
{
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
}

} // namespace

class TestAccountsWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void balancesCountEachLoadOnItsSide();
    void paymentDialogRefusesBadAmounts_data();
    void paymentDialogRefusesBadAmounts();
    void reversalRestoresTheBalanceOnce();
    void joinedNamesCountAsOnePartner();
    void statementGoesToThePreview();
    void aHugeNameIsShownCutAndStillOpensItsAccount();
    void paymentDialogSaysWhatItWants_data();
    void paymentDialogSaysWhatItWants();
    void statementNumbersNameBillsAndPayments();
    void periodEndFollowsTodayUnlessChosen();
    void aNameCannotReorderTheFiguresBesideIt();

private:
    std::unique_ptr<Accounts> openAccounts(std::function<QDate()> clock = [] { return today; });
    // The row's texts of one partner, by the column headings' order.
    QStringList partnerRow(Accounts& window, const QString& partner);
    Payment payment(qint64 fen);

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<SqliteHistoryStore> m_store;
    std::unique_ptr<TestAnswers> m_answers;
    QStringList m_shown; // the PDFs and titles the preview was given
};

void TestAccountsWindow::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_store = std::make_unique<SqliteHistoryStore>(
        m_folder->filePath(QStringLiteral("quorvane.sqlite")));
    m_answers = std::make_unique<TestAnswers>();
    m_shown.clear();
    // 木业甲: 100.00 before the year, 2500.50 in it (billed too: counted
    // once); 林场乙 supplied 1000.00.
    for (LoadRecord record : { load(LoadKind::StockOut, QStringLiteral("2025-12-30 08:00"),
                                   QStringLiteral("木业甲"), QStringLiteral("100.00")),
             load(LoadKind::StockIn, QStringLiteral("2026-03-01 08:00"), QStringLiteral("林场乙"),
                 QStringLiteral("1000.00")),
             load(LoadKind::StockOut, QStringLiteral("2026-03-02 09:00"), QStringLiteral("木业甲"),
                 QStringLiteral("2500.50")),
             load(LoadKind::Bill, QStringLiteral("2026-03-02 09:01"), QStringLiteral("木业甲"),
                 QStringLiteral("2500.50")),
             load(LoadKind::StockOut, QStringLiteral("2026-04-01 10:00"),
                 QStringLiteral("木业甲公司"), QStringLiteral("10.00")) })
        m_store->record(record);
}

void TestAccountsWindow::cleanup()
{
    m_answers.reset();
    m_store.reset();
    m_folder.reset();
}

std::unique_ptr<Accounts> TestAccountsWindow::openAccounts(std::function<QDate()> clock)
{
    AccountsContext context;
    context.reader = m_store.get();
    context.recorder = m_store.get();
    context.settingsFile = m_folder->filePath(QStringLiteral("quorvane.ini"));
    context.today = std::move(clock);
    context.showDocument = [this](const QString& pdf, const QString& title) {
        m_shown << pdf << title;
        return true;
    };
    auto window = std::make_unique<Accounts>(std::move(context));
    window->show();
    return window;
}

QStringList TestAccountsWindow::partnerRow(Accounts& window, const QString& partner)
{
    const QAbstractItemModel* model = child<QTableView>(&window, "AccountsTable")->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 0).data().toString() != partner)
            continue;
        QStringList texts;
        for (int column = 0; column < model->columnCount(); ++column)
            texts << model->index(row, column).data().toString();
        return texts;
    }
    return {};
}

Payment TestAccountsWindow::payment(qint64 fen)
{
    return PaymentBuilder()
        .partner(QStringLiteral("木业甲"))
        .at(QDateTime(QDate(2026, 5, 1), QTime(9, 0)))
        .fen(fen)
        .way(QStringLiteral("转账"));
}

void TestAccountsWindow::balancesCountEachLoadOnItsSide()
{
    std::unique_ptr<Accounts> window = openAccounts();
    // 往来单位, 期初余额, 出库金额, 收款, 入库金额, 付款, 期末余额
    QCOMPARE(partnerRow(*window, QStringLiteral("木业甲")),
        QStringList({ "木业甲", "100.00", "2500.50", "0.00", "0.00", "0.00", "2600.50" }));
    QCOMPARE(partnerRow(*window, QStringLiteral("林场乙")),
        QStringList({ "林场乙", "0.00", "0.00", "0.00", "1000.00", "0.00", "-1000.00" }));
    const QString totals = child<QLabel>(window.get(), "AccountsTotals")->text();
    QVERIFY2(totals.contains(QStringLiteral("出库 2510.50 元")), qPrintable(totals));
    QVERIFY2(totals.contains(QStringLiteral("期末应收 2610.50 元，应付 1000.00 元")),
        qPrintable(totals));
    savePicture(window.get(), "accounts.png");

    // Enter on a partner opens its account, as a double click does.
    auto* table = child<QTableView>(window.get(), "AccountsTable");
    const QModelIndexList found = table->model()->match(
        table->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("林场乙"));
    QCOMPARE(found.size(), 1);
    table->setFocus();
    table->selectRow(found.first().row());
    QTest::keyClick(table, Qt::Key_Return);
    auto* account = window->findChild<PartnerAccount*>();
    QVERIFY(account && account->isVisible());
    QCOMPARE(account->windowTitle(), QStringLiteral("往来明细 - 林场乙"));
}

void TestAccountsWindow::paymentDialogRefusesBadAmounts_data()
{
    QTest::addColumn<QString>("amount");
    QTest::newRow("three decimals") << "12.345";
    QTest::newRow("zero") << "0";
    QTest::newRow("negative") << "-5";
    QTest::newRow("not a number") << "五百";
    QTest::newRow("beyond ten thousand million yuan") << "10000000000.01";
}

void TestAccountsWindow::paymentDialogRefusesBadAmounts()
{
    QFETCH(QString, amount);
    std::unique_ptr<Accounts> window = openAccounts();
    bool refused = false;
    onNextDialog([&](QWidget* dialog) {
        child<QComboBox>(dialog, "PaymentPartner")->setEditText(QStringLiteral("木业甲"));
        child<QLineEdit>(dialog, "PaymentAmount")->setText(amount);
        click(dialog, "Save");
        refused = dialog->isVisible() && !child<QLabel>(dialog, "PaymentStatus")->text().isEmpty();
        // Then a sound amount goes in.
        child<QLineEdit>(dialog, "PaymentAmount")->setText(QStringLiteral(" 500.5 "));
        click(dialog, "Save");
    });
    click(window.get(), "RecordPayment");
    QVERIFY(refused);
    QCOMPARE(partnerRow(*window, QStringLiteral("木业甲")),
        QStringList({ "木业甲", "100.00", "2500.50", "500.50", "0.00", "0.00", "2100.00" }));
}

void TestAccountsWindow::reversalRestoresTheBalanceOnce()
{
    Payment paid = payment(70000);
    m_store->recordPayment(paid);
    std::unique_ptr<Accounts> window = openAccounts();
    QPointer<PartnerAccount> account = window->showPartner(QStringLiteral("木业甲"));
    auto* table = child<QTableWidget>(account, "EntriesTable");
    int row = 0;
    while (row < table->rowCount()
        && !(table->item(row, 1) && table->item(row, 1)->text() == QStringLiteral("收款")))
        ++row;
    table->selectRow(row);
    m_answers->setNextAnswer(MessageAnswer::Yes);
    click(account, "ReversePayment");
    // Neither the payment nor its reversal can be reversed again.
    for (int each = 0; each < table->rowCount(); ++each) {
        table->selectRow(each);
        QVERIFY(!child<QPushButton>(account, "ReversePayment")->isEnabled());
    }
    const QString closing = child<QLabel>(account, "AccountSummary")->text();
    QVERIFY2(closing.contains(QStringLiteral("期末余额 2600.50 元")), qPrintable(closing));
    click(account, "Close");
    QTRY_VERIFY(!account);
    QCOMPARE(partnerRow(*window, QStringLiteral("木业甲")).at(3), QStringLiteral("0.00"));
    // A second reversal is refused by the store itself.
    QVERIFY_THROWS_EXCEPTION(Failure, m_store->reversePayment(paid, QString()));
}

void TestAccountsWindow::joinedNamesCountAsOnePartner()
{
    std::unique_ptr<Accounts> window = openAccounts();
    onNextDialog([&](QWidget* dialog) {
        child<QComboBox>(dialog, "MergeAlias")->setCurrentText(QStringLiteral("木业甲公司"));
        child<QComboBox>(dialog, "MergeInto")->setCurrentText(QStringLiteral("木业甲"));
        m_answers->setNextAnswer(MessageAnswer::Yes);
        click(dialog, "Merge");
    });
    click(window.get(), "MergePartners");
    QVERIFY(partnerRow(*window, QStringLiteral("木业甲公司")).isEmpty());
    QCOMPARE(partnerRow(*window, QStringLiteral("木业甲")),
        QStringList({ "木业甲", "100.00", "2510.50", "0.00", "0.00", "0.00", "2610.50" }));
}

void TestAccountsWindow::statementGoesToThePreview()
{
    Payment paid = payment(50000);
    m_store->recordPayment(paid);
    std::unique_ptr<Accounts> window = openAccounts();
    PartnerAccount* account = window->showPartner(QStringLiteral("木业甲"));
    savePicture(account, "partner-account.png");
    click(account, "PreviewStatement");
    QCOMPARE(m_shown.size(), 2);
    QFile pdf(m_shown[0]);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QFile::remove(QStringLiteral(QUORVANE_SCREENSHOTS "/statement.pdf"));
    QVERIFY(QFile::copy(m_shown[0], QStringLiteral(QUORVANE_SCREENSHOTS "/statement.pdf")));
    QCOMPARE(m_shown[1], QStringLiteral("对账单 - 木业甲"));
}

// A name edited into the history by hand: the list shows its start, the
// account is still read under the whole name.
void TestAccountsWindow::aHugeNameIsShownCutAndStillOpensItsAccount()
{
    const QString huge(storedTextLength, u'木');
    LoadRecord record = load(
        LoadKind::StockOut, QStringLiteral("2026-06-01 08:00"), huge, QStringLiteral("1.00"));
    m_store->record(record);
    std::unique_ptr<Accounts> window = openAccounts();
    auto* table = child<QTableView>(window.get(), "AccountsTable");
    const QModelIndexList found = table->model()->match(
        table->model()->index(0, 0), Qt::DisplayRole, QString(100, u'木') + u'…');
    QCOMPARE(found.size(), 1);
    table->selectRow(found.first().row());
    QCOMPARE(window->selectedPartner(), huge);
    PartnerAccount* account = window->showPartner(huge);
    QVERIFY(account->statement().has_value());
    QCOMPARE(account->statement()->closing.units(), qint64(100));
}

void TestAccountsWindow::paymentDialogSaysWhatItWants_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<int>("daysAhead");
    QTest::addColumn<QString>("answer"); // to the date's question, when asked
    QTest::addColumn<QString>("said"); // in the dialog, before it is stored
    QTest::addColumn<QString>("received"); // 木业甲's 收款 at the end
    QTest::newRow("an amount above the limit names both limits") << "10000000000.01" << 0 << ""
                                                                 << "0.01 到 10000000000 元"
                                                                 << "500.50";
    QTest::newRow("a payment dated after today is asked about, and 否 keeps it open")
        << "800" << 40 << "否"
        << ""
        << "500.50";
    QTest::newRow("a payment dated after today is stored on 是") << "800" << 1 << "是"
                                                                 << ""
                                                                 << "800.00";
    QTest::newRow("a payment dated today is not asked about") << "800" << 0 << ""
                                                              << ""
                                                              << "800.00";
}

void TestAccountsWindow::paymentDialogSaysWhatItWants()
{
    QFETCH(QString, amount);
    QFETCH(int, daysAhead);
    QFETCH(QString, answer);
    QFETCH(QString, said);
    QFETCH(QString, received);
    std::unique_ptr<Accounts> window = openAccounts();
    if (!answer.isEmpty())
        m_answers->setNextAnswer(
            answer == QStringLiteral("是") ? MessageAnswer::Yes : MessageAnswer::No);
    QString status;
    onNextDialog([&](QWidget* dialog) {
        child<QComboBox>(dialog, "PaymentPartner")->setEditText(QStringLiteral("木业甲"));
        child<QDateEdit>(dialog, "PaymentDay")->setDate(today.addDays(daysAhead));
        child<QLineEdit>(dialog, "PaymentAmount")->setText(amount);
        click(dialog, "Save");
        status = child<QLabel>(dialog, "PaymentStatus")->text();
        if (!dialog->isVisible())
            return;
        // Still open: a sound payment of today goes in instead.
        child<QDateEdit>(dialog, "PaymentDay")->setDate(today);
        child<QLineEdit>(dialog, "PaymentAmount")->setText(QStringLiteral("500.50"));
        click(dialog, "Save");
    });
    click(window.get(), "RecordPayment");
    QCOMPARE(m_answers->waitingAnswers(), 0);
    for (const Message& message : m_answers->shown)
        QCOMPARE(message.text, QStringLiteral("日期在今天之后，确定吗？"));
    QVERIFY2(said.isEmpty() ? status.isEmpty() : status.contains(said), qPrintable(status));
    // The period ends today: a payment dated ahead is in no balance yet.
    child<QDateEdit>(window.get(), "AccountsTo")->setDate(today.addDays(daysAhead));
    QCOMPARE(partnerRow(*window, QStringLiteral("木业甲")).at(3), received);
}

// 编号: a billed load by its bill's number, a payment by its kind and number.
void TestAccountsWindow::statementNumbersNameBillsAndPayments()
{
    Payment paid = payment(70000);
    m_store->recordPayment(paid);
    m_store->reversePayment(paid, QStringLiteral("冲销"));
    std::unique_ptr<Accounts> window = openAccounts();
    PartnerAccount* account = window->showPartner(QStringLiteral("木业甲"));
    auto* table = child<QTableWidget>(account, "EntriesTable");
    QStringList numbers;
    for (int row = 1; row < table->rowCount(); ++row)
        numbers << table->item(row, 2)->text();
    QCOMPARE(numbers, QStringList({ "2026-03-02-001", "收款 1", "冲销 2" }));
    const StatementRows rows = statementRows({ *account->statement(), QString(), today });
    QCOMPARE(rows.rows[1][1], QStringLiteral("2026-03-02-001"));
    QCOMPARE(rows.rows[3][1], QStringLiteral("冲销 2"));
}

void TestAccountsWindow::periodEndFollowsTodayUnlessChosen()
{
    QDate day = today;
    std::unique_ptr<Accounts> window = openAccounts([&day] { return day; });
    QCOMPARE(window->period().to, today);
    // Left open past midnight, shown again (Ctrl+J refreshes it).
    day = today.addDays(1);
    window->hide();
    window->refresh();
    window->show();
    QCOMPARE(window->period().to, today.addDays(1));
    // One the clerk set stays.
    const QDate chosen(2026, 6, 30);
    child<QDateEdit>(window.get(), "AccountsTo")->setDate(chosen);
    day = today.addDays(2);
    window->refresh();
    QCOMPARE(window->period().to, chosen);
}

// A name from another station with its own direction controls (U+202E
// turns what follows right to left) and a right-to-left script: the
// figures after it in the summary line still read left to right.
void TestAccountsWindow::aNameCannotReorderTheFiguresBesideIt()
{
    const QString name = QStringLiteral("\u202E木业\u2069\u202Eשלום");
    LoadRecord record = load(
        LoadKind::StockOut, QStringLiteral("2026-06-01 08:00"), name, QStringLiteral("1234.56"));
    m_store->record(record);
    std::unique_ptr<Accounts> window = openAccounts();
    PartnerAccount* account = window->showPartner(name);
    auto* summary = child<QLabel>(account, "AccountSummary");
    const QString text = summary->text();
    const qsizetype figure = text.indexOf(QStringLiteral("期末余额 1234.56"));
    QVERIFY2(figure > 0, qPrintable(text));
    QTextLayout layout(text, summary->font());
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(100000);
    layout.endLayout();
    for (int at = int(figure); at < int(figure) + 13; ++at)
        QVERIFY2(line.cursorToX(at) < line.cursorToX(at + 1),
            qPrintable(QStringLiteral("character %1 of %2 stands left of the one before")
                           .arg(at)
                           .arg(text)));
    // The list shows it without the controls.
    QVERIFY(!partnerRow(*window, QStringLiteral("木业שלום")).isEmpty());
}

QTEST_MAIN(TestAccountsWindow)
#include "test_accounts_window.moc"
