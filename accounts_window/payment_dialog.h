#pragma once

// 记收付款: one payment made or received, as the clerk enters it. The
// dialog only checks what was typed; `record` stores it and gives the cause
// when it could not, and the dialog then stays open with everything typed.

#include "history/partner_accounts.h"
#include "support/failure.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;

class PaymentDialog : public QDialog {
    Q_OBJECT

public:
    // Stores the payment; the dialog tells the clerk a failure's cause.
    using Recorder = std::function<Done(Payment& payment)>;

    // `partners`: the names offered; `ways`: 现金, 转账 … as kept.
    PaymentDialog(const QStringList& partners, const QStringList& ways, const QDate& today,
        Recorder record, QWidget* parent = nullptr);

    void setPartner(const QString& partner);
    // The payment as stored, once accepted.
    const Payment& payment() const { return m_payment; }

private:
    void onSaveClicked();
    bool readPayment(Payment& payment);
    void say(const QString& text);

    Recorder m_record;
    QDate m_today;
    Payment m_payment;
    QComboBox* m_partner = nullptr;
    QButtonGroup* m_direction = nullptr;
    QDateEdit* m_day = nullptr;
    QLineEdit* m_amount = nullptr;
    QComboBox* m_way = nullptr;
    QLineEdit* m_note = nullptr;
    QLabel* m_status = nullptr;
};

// The ways of payment kept in the configuration file, the usual ones first
// when none are kept; `add` puts a new one at the end (false when it could
// not be kept).
QStringList paymentWays(const QString& settingsFile);
bool addPaymentWay(const QString& settingsFile, const QString& way);
