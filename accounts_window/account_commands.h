#pragma once

// What both 往来账 windows record: a payment through its dialog, a reversal
// after the clerk confirms it, a join of two names.

#include "accounts_window/accounts_context.h"
#include "history/partner_accounts.h"
#include "support/failure.h"

#include <QStringList>

class QWidget;

// Opens 记收付款 for `partner` (may be empty); true when one was recorded.
bool recordPayment(
    AccountsContext& context, const QStringList& partners, const QString& partner, QWidget* parent);

// Asks, then records the reversal of `payment`; true when one was recorded.
bool reversePayment(AccountsContext& context, const Payment& payment, QWidget* parent);

// Records `alias` as `partner`; a failure is for recordFailure() to tell.
Done joinPartners(AccountsContext& context, const QString& alias, const QString& partner);

// A failed write in a clerk's words; the store's own words go to the log.
QString recordFailure(const Failure& error);
