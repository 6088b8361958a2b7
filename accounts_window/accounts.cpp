#include "accounts_window/accounts.h"

#include "accounts_window/account_commands.h"
#include "accounts_window/merge_partners_dialog.h"
#include "accounts_window/money_text.h"
#include "accounts_window/partner_account.h"
#include "accounts_window/yard_name.h"
#include "field_text/fixed_point.h"
#include "history/history_store.h"
#include "history/load_query.h"
#include "support/column_share.h"
#include "support/event_log.h"
#include "support/period_edits.h"
#include "support/push_button.h"
#include "support/window_keys.h"

#include <QDateEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QStringList headings { QStringLiteral("往来单位"), QStringLiteral("期初余额"),
    QStringLiteral("出库金额"), QStringLiteral("收款"), QStringLiteral("入库金额"),
    QStringLiteral("付款"), QStringLiteral("期末余额") };
const QVector<int> naturalWidths { 200, 95, 95, 95, 95, 95, 100 };
constexpr int sortRole = Qt::UserRole + 1;
constexpr int partnerRole = Qt::UserRole + 2; // the whole name, however long

QStandardItem* moneyItem(Fen fen)
{
    auto* item = new QStandardItem(fen.text());
    item->setData(fen.units(), sortRole);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (fen < Fen())
        item->setForeground(QColor(0xb0, 0, 0));
    return item;
}

// Sums over every partner, each exact or none when it leaves 64 bits.
struct BalanceTotals {
    std::optional<Fen> opening = Fen(), sold = Fen(), received = Fen(), supplied = Fen(),
                       paid = Fen();
    std::optional<Fen> owedToYard = Fen(), owedByYard = Fen();

    void add(std::optional<Fen>& sum, Fen value)
    {
        if (sum)
            sum = sum->plus(value);
    }
    void add(const PartnerBalance& balance)
    {
        add(opening, balance.opening);
        add(sold, balance.sold);
        add(received, balance.received);
        add(supplied, balance.supplied);
        add(paid, balance.paid);
        const Fen closing = *balance.closing();
        add(Fen() < closing ? owedToYard : owedByYard, closing);
    }
};

QString totalText(const std::optional<Fen>& fen)
{
    return fen ? fen->text() + QStringLiteral(" 元") : QStringLiteral("合计超出范围");
}

// What the yard owes, without the sign that says so.
QString owedText(const std::optional<Fen>& fen)
{
    QString text = totalText(fen);
    if (text.startsWith(u'-'))
        text.remove(0, 1);
    return text;
}

} // namespace

Accounts::Accounts(AccountsContext context, QWidget* parent)
    : QWidget(parent)
    , m_context(std::move(context))
{
    setObjectName(QStringLiteral("Accounts"));
    setWindowTitle(QStringLiteral("往来账"));
    if (m_context.statementFolder.isEmpty()) {
        m_statements = std::make_unique<QTemporaryDir>();
        m_context.statementFolder = m_statements->path();
    }
    m_model = new QStandardItemModel(this);
    m_model->setHorizontalHeaderLabels(headings);
    m_shown = new QSortFilterProxyModel(this);
    m_shown->setSourceModel(m_model);
    m_shown->setSortRole(sortRole);
    m_shown->setFilterKeyColumn(0);
    m_shown->setFilterCaseSensitivity(Qt::CaseInsensitive);

    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("AccountsTable"));
    m_table->setModel(m_shown);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(0, Qt::AscendingOrder);
    m_table->verticalHeader()->hide();
    m_table->viewport()->installEventFilter(this);
    // A double click, or Enter on the selected row.
    connect(m_table, &QTableView::activated, this, [this](const QModelIndex& index) {
        showPartner(m_shown->index(index.row(), 0).data(partnerRole).toString());
    });

    m_totals = new QLabel;
    m_totals->setObjectName(QStringLiteral("AccountsTotals"));
    m_totals->setWordWrap(true);
    m_notice = new QLabel;
    m_notice->setObjectName(QStringLiteral("AccountsNotice"));
    m_notice->hide();
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("AccountsStatus"));
    m_status->setStyleSheet(QStringLiteral("color: #b00000"));
    m_status->setWordWrap(true);
    auto* sign
        = new QLabel(QStringLiteral("余额为正：对方欠本场（应收）；为负：本场欠对方（应付）。"
                                    "双击一个单位看它的明细和对账单。"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buildTop());
    layout->addWidget(m_table, 1);
    layout->addWidget(m_totals);
    layout->addWidget(sign);
    layout->addWidget(m_notice);
    layout->addWidget(m_status);
    layout->addLayout(buildButtons());
    addCloseKeys(this);

    QSize size(1000, 640);
    if (const QScreen* shown = screen())
        size = size.boundedTo(shown->availableGeometry().size() - QSize(32, 80));
    resize(size);
    refresh();
}

Accounts::~Accounts() = default;

QLayout* Accounts::buildTop()
{
    const QDate today = m_context.today();
    m_from = periodDateEdit(QStringLiteral("AccountsFrom"), QDate(today.year(), 1, 1));
    m_to = periodDateEdit(QStringLiteral("AccountsTo"), today);
    m_search = new QLineEdit;
    m_search->setObjectName(QStringLiteral("AccountsSearch"));
    m_search->setPlaceholderText(QStringLiteral("查找单位"));
    m_search->setClearButtonEnabled(true);
    m_yardName = new QLineEdit(yardName(m_context.settingsFile));
    m_yardName->setObjectName(QStringLiteral("YardName"));
    m_yardName->setPlaceholderText(QStringLiteral("本场名称，印在对账单上"));
    m_yardName->setMaxLength(listedNameLength);
    connect(m_from, &QDateEdit::dateChanged, this, &Accounts::refresh);
    connect(m_to, &QDateEdit::dateChanged, this, [this] {
        m_endChosen = true;
        refresh();
    });
    connect(
        m_search, &QLineEdit::textChanged, m_shown, &QSortFilterProxyModel::setFilterFixedString);
    connect(m_yardName, &QLineEdit::editingFinished, this, &Accounts::onYardNameEdited);

    auto* row = new QHBoxLayout;
    addPeriod(row, m_from, m_to);
    row->addSpacing(16);
    row->addWidget(m_search, 1);
    row->addSpacing(16);
    row->addWidget(new QLabel(QStringLiteral("对账单抬头")));
    row->addWidget(m_yardName, 1);
    return row;
}

QLayout* Accounts::buildButtons()
{
    m_recordPayment = namedButton(QStringLiteral("记收付款…"), QStringLiteral("RecordPayment"));
    m_merge = namedButton(QStringLiteral("合并往来单位…"), QStringLiteral("MergePartners"));
    m_showPartner = namedButton(QStringLiteral("明细与对账单…"), QStringLiteral("ShowPartner"));
    QPushButton* close = namedButton(QStringLiteral("关闭"), QStringLiteral("Close"));
    connect(m_recordPayment, &QPushButton::clicked, this, &Accounts::onRecordPaymentClicked);
    connect(m_merge, &QPushButton::clicked, this, &Accounts::onMergeClicked);
    connect(m_showPartner, &QPushButton::clicked, this, &Accounts::onShowPartnerClicked);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    // Nothing can be recorded while this machine's file cannot be opened.
    m_recordPayment->setEnabled(m_context.recorder != nullptr);
    m_merge->setEnabled(m_context.recorder != nullptr);

    auto* row = new QHBoxLayout;
    row->addWidget(m_recordPayment);
    row->addWidget(m_merge);
    row->addWidget(m_showPartner);
    row->addStretch(1);
    row->addWidget(close);
    return row;
}

AccountPeriod Accounts::period() const
{
    return { m_from->date(), m_to->date() };
}

void Accounts::setNotice(const QString& text)
{
    m_notice->setText(text);
    m_notice->setVisible(!text.isEmpty());
}

void Accounts::refresh()
{
    // A window left open past midnight takes in the new day.
    if (!m_endChosen && m_to->date() != m_context.today()) {
        const QSignalBlocker quiet(m_to);
        m_to->setDate(m_context.today());
    }
    const QString selected = selectedPartner();
    const Result<QVector<PartnerBalance>> balances = m_context.reader->partnerBalances(period());
    if (!balances) {
        logEvent(QStringLiteral("accounts not read: %1 %2")
                     .arg(balances.error().path(), balances.error().detail()));
        m_status->setText(historyFailureMessage(balances.error(), QStringLiteral("往来账")));
        m_model->removeRows(0, m_model->rowCount());
        m_totals->clear();
        return;
    }
    m_status->clear();
    fillTable(*balances);
    showTotals(*balances);
    const QModelIndexList found
        = m_shown->match(m_shown->index(0, 0), partnerRole, selected, 1, Qt::MatchExactly);
    if (!selected.isEmpty() && !found.isEmpty())
        m_table->selectRow(found.first().row());
}

void Accounts::fillTable(const QVector<PartnerBalance>& balances)
{
    m_model->removeRows(0, m_model->rowCount());
    for (const PartnerBalance& balance : balances) {
        auto* name = new QStandardItem(plainName(balance.partner));
        name->setData(balance.partner, sortRole);
        name->setData(balance.partner, partnerRole);
        if (balance.names.size() > 1)
            name->setToolTip(
                QStringLiteral("含：") + balance.names.mid(1).join(QStringLiteral("、")));
        m_model->appendRow({ name, moneyItem(balance.opening), moneyItem(balance.sold),
            moneyItem(balance.received), moneyItem(balance.supplied), moneyItem(balance.paid),
            moneyItem(*balance.closing()) });
    }
    shareColumnWidths(m_table, naturalWidths);
}

void Accounts::showTotals(const QVector<PartnerBalance>& balances)
{
    BalanceTotals totals;
    for (const PartnerBalance& balance : balances)
        totals.add(balance);
    m_totals->setText(
        QStringLiteral(
            "合计 %1 个单位：期初 %2；出库 %3，收款 %4；入库 %5，付款 %6；期末应收 %7，应付 %8")
            .arg(balances.size())
            .arg(totalText(totals.opening), totalText(totals.sold), totalText(totals.received),
                totalText(totals.supplied), totalText(totals.paid), totalText(totals.owedToYard),
                owedText(totals.owedByYard)));
}

QString Accounts::selectedPartner() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data(partnerRole).toString();
}

bool Accounts::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_table->viewport() && event->type() == QEvent::Resize)
        shareColumnWidths(m_table, naturalWidths);
    return QWidget::eventFilter(watched, event);
}

QStringList Accounts::partnerNames()
{
    const Result<QStringList> names = m_context.reader->partnerNames();
    if (!names)
        logEvent(QStringLiteral("partner names not read: %1 %2")
                     .arg(names.error().path(), names.error().detail()));
    return names.valueOr({});
}

void Accounts::onRecordPaymentClicked()
{
    recordPayment(m_context, partnerNames(), selectedPartner(), this);
    refresh();
}

void Accounts::onMergeClicked()
{
    MergePartnersDialog dialog(
        partnerNames(),
        [this](const QString& alias, const QString& partner) {
            return joinPartners(m_context, alias, partner);
        },
        this);
    dialog.setAlias(selectedPartner());
    if (dialog.exec() == QDialog::Accepted)
        refresh();
}

void Accounts::onShowPartnerClicked()
{
    const QString partner = selectedPartner();
    if (partner.isEmpty()) {
        m_status->setText(QStringLiteral("请先在列表中选一个单位。"));
        return;
    }
    showPartner(partner);
}

PartnerAccount* Accounts::showPartner(const QString& partner)
{
    auto* account = new PartnerAccount(m_context, partner, period(), this);
    account->setAttribute(Qt::WA_DeleteOnClose);
    connect(account, &QDialog::finished, this, &Accounts::refresh);
    account->open();
    return account;
}

void Accounts::onYardNameEdited()
{
    if (m_context.settingsFile.isEmpty())
        return;
    if (!saveYardName(m_context.settingsFile, m_yardName->text().trimmed()))
        m_status->setText(QStringLiteral("本场名称没有保存：设置文件无法写入。"));
}
