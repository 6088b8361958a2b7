#pragma once

// Loads, payments and joins for the suites and benchmarks, built from one
// sample and changed only where a case needs it. A load starts as a load in
// of 杉木 on 2026-12-09 09:30, bought by 林场甲 on truck 闽A12345 from 供方乙
// (contact 张三), scaled by 李四, with no figures typed.

#include "history/load_query.h"
#include "history/load_record.h"
#include "history/partner_accounts.h"
#include "support/failure_text.h"

#include <QDateTime>

class LoadBuilder {
public:
    explicit LoadBuilder(LoadKind kind = LoadKind::StockIn);

    LoadBuilder& at(const QDateTime& when);
    // "yyyy-MM-dd HH:mm"
    LoadBuilder& at(const QString& when);
    // "yyyy-MM-dd", at 09:30
    LoadBuilder& on(const QString& day);
    LoadBuilder& species(const QString& species);
    LoadBuilder& buyer(const QString& buyer);
    LoadBuilder& truck(const QString& truck);
    LoadBuilder& supplier(const QString& supplier);
    LoadBuilder& contact(const QString& contact);
    LoadBuilder& scaler(const QString& scaler);
    // The name on the load's own side (the buyer of a load out or a bill,
    // the supplier of a load in), the other side left empty.
    LoadBuilder& partner(const QString& partner);
    // The first block's length.
    LoadBuilder& length(const QString& length);
    // The first row of the first block.
    LoadBuilder& firstRow(
        const QString& diameter, const QString& pieces = {}, const QString& volume = {});
    // The first price group and the load's total.
    LoadBuilder& totals(const QString& pieces, const QString& volume, const QString& amount);
    // The load's total alone.
    LoadBuilder& total(const QString& volume, const QString& amount);
    LoadBuilder& prices(const QString& first, const QString& second, const QString& third);
    LoadBuilder& bill(const QString& number);
    // Recorded at another station under its own number.
    LoadBuilder& from(const QString& station, qint64 number);

    LoadRecord build() const { return m_load; }
    operator LoadRecord() const { return m_load; }

private:
    LoadRecord m_load;
};

// A payment starts as 林场甲's receipt of nothing on 2026-12-09, entered at
// no time and in no way.
class PaymentBuilder {
public:
    explicit PaymentBuilder(PaymentDirection direction = PaymentDirection::Received);

    PaymentBuilder& partner(const QString& partner);
    PaymentBuilder& fen(qint64 amount);
    // The day paid.
    PaymentBuilder& on(const QDate& day);
    // Entered then, and paid that day.
    PaymentBuilder& at(const QDateTime& when);
    PaymentBuilder& way(const QString& way);
    PaymentBuilder& from(const QString& station, qint64 number);
    PaymentBuilder& reversing(const QString& station, qint64 number);

    Payment build() const { return m_payment; }
    operator Payment() const { return m_payment; }

private:
    Payment m_payment;
};

// `alias` counted as `partner`'s; made here unless from() names a station.
class JoinBuilder {
public:
    JoinBuilder(const QString& alias, const QString& partner);

    JoinBuilder& from(const QString& station, qint64 number, const QDateTime& when);

    PartnerAlias build() const { return m_join; }
    operator PartnerAlias() const { return m_join; }

private:
    PartnerAlias m_join;
};

// Totals of `loads` loads, from their units: pieces and m³ in
// ten-thousandths, yuan in fen.
LoadTotals loadTotals(qint64 loads, qint64 piecesE4, qint64 volumeE4, qint64 amountFen);

// A partner's balance as a store reads it, from its fen.
PartnerBalance partnerBalance(const QString& partner, const QStringList& names, qint64 opening,
    qint64 sold, qint64 received, qint64 supplied, qint64 paid);

// What the clerk would read of a recorder's failure; empty when it stored.
inline QString clerkText(const Done& stored)
{
    return stored ? QString() : historyFailureMessage(stored.error());
}
