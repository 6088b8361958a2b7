#pragma once

// 往来账: every partner the yard stocked logs in from or out to, with what
// was delivered, paid and received in a period and the balance, exact
// totals under the list. A double click opens the partner's account
// (PartnerAccount) with its statement. The sums come from the store; the
// window holds no SQL.

#include "accounts_window/accounts_context.h"
#include "history/partner_accounts.h"

#include <QTemporaryDir>
#include <QWidget>
#include <memory>

class PartnerAccount;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

class Accounts : public QWidget {
    Q_OBJECT

public:
    explicit Accounts(AccountsContext context, QWidget* parent = nullptr);
    ~Accounts() override;

    // Reads the balances again, keeping the period and the selection; the
    // period's end moves on to today unless the clerk chose it.
    void refresh();
    // A line under the list, e.g. why this machine's own file is read.
    void setNotice(const QString& text);
    AccountPeriod period() const;
    // The partner of the selected row; empty when none.
    QString selectedPartner() const;

    // Opens the partner's account, e.g. on a double click. It keeps the
    // list waiting until it closes, but not the preview of its statement.
    PartnerAccount* showPartner(const QString& partner);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLayout* buildTop();
    QLayout* buildButtons();
    void fillTable(const QVector<PartnerBalance>& balances);
    void showTotals(const QVector<PartnerBalance>& balances);
    void onRecordPaymentClicked();
    void onMergeClicked();
    void onShowPartnerClicked();
    void onYardNameEdited();
    QStringList partnerNames();

    AccountsContext m_context;
    std::unique_ptr<QTemporaryDir> m_statements; // when the context gives no folder
    QStandardItemModel* m_model = nullptr;
    QSortFilterProxyModel* m_shown = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QLineEdit* m_search = nullptr;
    QLineEdit* m_yardName = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_totals = nullptr;
    QLabel* m_notice = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_recordPayment = nullptr;
    QPushButton* m_merge = nullptr;
    QPushButton* m_showPartner = nullptr;
    bool m_endChosen = false; // the clerk set the period's end
};
