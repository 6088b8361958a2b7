#include "accounts_window/account_commands.h"

#include "accounts_window/money_text.h"
#include "accounts_window/payment_dialog.h"
#include "field_text/fixed_point.h"
#include "history/history_store.h"
#include "support/event_log.h"
#include "support/message_box.h"

QString recordFailure(const Failure& error)
{
    logEvent(QStringLiteral("accounts: %1 %2").arg(error.path(), error.detail()));
    return historyFailureMessage(error) + QStringLiteral("。");
}

bool recordPayment(
    AccountsContext& context, const QStringList& partners, const QString& partner, QWidget* parent)
{
    HistoryStore* recorder = context.recorder;
    PaymentDialog dialog(
        partners, paymentWays(context.settingsFile), context.today(),
        [&context, recorder](Payment& payment) -> Done {
            try {
                recorder->recordPayment(payment);
            } catch (const Failure& error) {
                return error;
            }
            if (!addPaymentWay(context.settingsFile, payment.way))
                logEvent(QStringLiteral("payment way not kept in %1").arg(context.settingsFile));
            context.recorded();
            return {};
        },
        parent);
    dialog.setPartner(partner);
    return dialog.exec() == QDialog::Accepted;
}

bool reversePayment(AccountsContext& context, const Payment& payment, QWidget* parent)
{
    const QString title = QStringLiteral("冲销收付款");
    if (!Messages::askYesNo(parent, title,
            QStringLiteral("冲销 %1 %2“%3”%4 元（%5）吗？冲销后这笔不再计入余额，原记录保留。")
                .arg(payment.day.toString(Qt::ISODate), paymentDirectionText(payment.direction),
                    payment.partner, Fen::fromUnits(payment.amountFen).text(), payment.way)))
        return false;
    try {
        context.recorder->reversePayment(payment, QStringLiteral("冲销"));
    } catch (const Failure& error) {
        Messages::warning(parent, title, QStringLiteral("没有冲销：") + recordFailure(error));
        return false;
    }
    context.recorded();
    return true;
}

Done joinPartners(AccountsContext& context, const QString& alias, const QString& partner)
{
    PartnerAlias join;
    join.alias = alias;
    join.partner = partner;
    join.recordedAt = QDateTime::currentDateTime();
    try {
        context.recorder->recordAlias(join);
    } catch (const Failure& error) {
        return error;
    }
    context.recorded();
    return {};
}
