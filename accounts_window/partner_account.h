#pragma once

// One partner's account for a period: the opening balance, every load and
// payment in date order with the running balance, and the closing balance.
// From here a payment is recorded or reversed, and the statement (对账单)
// is previewed and printed, or saved as PDF or Excel.

#include "accounts_window/accounts_context.h"
#include "history/partner_accounts.h"

#include <QDialog>
#include <optional>

class QLabel;
class QPushButton;
class QTableWidget;
class BackgroundPass;
struct PassOutcome;

class PartnerAccount : public QDialog {
    Q_OBJECT

public:
    PartnerAccount(
        AccountsContext& context, QString partner, AccountPeriod period, QWidget* parent = nullptr);
    ~PartnerAccount() override;

    // Reads the account again.
    void refresh();
    // The statement as last read; none while it does not read.
    const std::optional<PartnerStatement>& statement() const { return m_statement; }

private:
    QLayout* buildButtons();
    void fillTable(const PartnerStatement& statement);
    void updateButtons();
    std::optional<Payment> selectedPayment() const;
    bool isReversed(const Payment& payment) const;
    QString documentName(const QString& suffix) const;
    void onRecordPaymentClicked();
    void onReverseClicked();
    void onPreviewClicked();
    void onSavePdfClicked();
    void onSaveExcelClicked();
    void onExcelFinished(const QString& path, const PassOutcome& outcome);
    void say(const QString& text, bool trouble);

    AccountsContext& m_context;
    QString m_partner;
    AccountPeriod m_period;
    std::optional<PartnerStatement> m_statement;
    QTableWidget* m_table = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_reverse = nullptr;
    QPushButton* m_preview = nullptr;
    QPushButton* m_savePdf = nullptr;
    QPushButton* m_saveExcel = nullptr;
    BackgroundPass* m_excel = nullptr;
};
