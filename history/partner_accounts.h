#pragma once

// What the yard owes its partners and they owe it: the loads stocked in
// (owed to their supplier) and stocked out (owed by their buyer), the
// payments made and received, and the names joined into one partner. Bills
// are not counted: a load billed and posted is one truck, counted where it
// was posted. Amounts are exact, in fen.
//
// A balance is signed from the yard's side: above zero the partner owes the
// yard (应收), below zero the yard owes the partner (应付). A stock out and
// a payment made add to it; a stock in and a receipt take from it.

#include "field_text/fixed_point.h"
#include "support/failure_text.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

enum class PaymentDirection {
    Paid = 1, // 付款: the yard paid the partner
    Received = 2, // 收款: the partner paid the yard
};

// "付款", "收款"
QString paymentDirectionText(PaymentDirection direction);

// One payment as it is entered, never edited or deleted: a wrong one is
// cancelled by its reversal, the same payment with the amount negated,
// which names the payment it reverses by its origin.
struct Payment {
    qint64 id = 0; // given by the store
    QString station; // where it was entered; empty on one machine
    qint64 stationNumber = 0; // its number there
    QDateTime recordedAt; // when it was entered
    QDate day; // the day it was paid, as the clerk gives it
    QString partner; // the name as entered, trimmed
    PaymentDirection direction = PaymentDirection::Received;
    qint64 amountFen = 0; // above zero; a reversal's below zero
    QString way; // 现金, 转账, 承兑汇票 …
    QString note;
    // A reversal: the station and number of the payment it cancels.
    QString reversesStation;
    qint64 reversesNumber = 0;

    bool isReversal() const { return reversesNumber != 0; }
    // What it does to the partner's balance: +amount paid, -amount received.
    qint64 effectFen() const;
    bool operator==(const Payment& other) const;
};

// One joining of names: loads and payments under `alias` count as
// `partner`'s. Recorded once and kept; no load or payment changes.
struct PartnerAlias {
    qint64 id = 0;
    QString station;
    qint64 stationNumber = 0;
    QDateTime recordedAt;
    QString alias;
    QString partner;
    bool operator==(const PartnerAlias& other) const;
};

// A period of days, both ends included; a null date leaves that end open.
struct AccountPeriod {
    QDate from, to;
};

// A partner's figures for a period, each a sum over the names joined into it.
struct PartnerBalance {
    QString partner; // the name the others are joined into
    QStringList names; // every name counted as it, the partner's own first
    Fen opening; // the balance before the period
    Fen sold; // stocked out to it within the period
    Fen received; // received from it
    Fen supplied; // stocked in from it
    Fen paid; // paid to it
    // opening + sold - received - supplied + paid; nothing when it leaves
    // the 64-bit range (a store never gives such a balance).
    std::optional<Fen> closing() const;
};

enum class AccountEntryKind { StockIn, StockOut, Payment };

// One line of a partner's account, in date order.
struct AccountEntry {
    AccountEntryKind kind = AccountEntryKind::StockIn;
    QDate day;
    QDateTime recordedAt;
    // A load: its number ("123" here, "一号门-123" from a station), truck,
    // species, pieces and m³, and its amount.
    QString number;
    // A load's bill: the latest bill of the same truck (station, day, parties,
    // truck, species, m³ and amount); empty when it has none.
    QString billNumber;
    QString truck;
    QString species;
    TenThousandths pieces;
    TenThousandths volume;
    Fen amount; // a load's amount; a payment's as entered
    Payment payment; // a payment's whole record
    Fen effect; // on the balance, signed as above
    Fen balance; // the running balance after it
};

struct PartnerStatement {
    QString partner;
    QStringList names;
    AccountPeriod period;
    Fen opening;
    QVector<AccountEntry> entries; // loads and payments of the period, in date order
    Fen closing;
};

// A load's number as an account shows it.
QString accountLoadNumber(const QString& station, qint64 stationNumber);

// Why a join is refused: the cause the clerk reads, and the reason for the
// log; no reason when the join may be made.
struct JoinRefusal {
    FailureCause cause = FailureCause::Other;
    QString reason;
    explicit operator bool() const { return !reason.isEmpty(); }
};

// The joins of names, as a store holds them: each name to the partner it
// counts as, through every join in a chain. New joins are one step deep, as
// the yard's server keeps them, but older files and other stations may hold
// chains, and those are still read. Every question costs a lookup, so
// another station's thousand joins cannot stall a window. A name is joined
// once; a later join of it, or one that closes a cycle (two stations
// joining at once), is passed over, so the earlier holds.
class PartnerNames {
public:
    // `aliases` in the order they were recorded.
    explicit PartnerNames(const QVector<PartnerAlias>& aliases = {});
    // The partner a name counts as; the name itself when it is joined to none.
    QString partnerOf(const QString& name) const;
    // Why joining `alias` into `partner` is refused, or nothing when it may
    // be: an empty name, a name into itself, a name joined already, a
    // partner joined into another (a cycle is one too), or an alias that
    // other names are joined into. The last two would make a chain, which
    // the yard's server refuses.
    JoinRefusal refusalOf(const QString& alias, const QString& partner) const;
    // The partner's own name, then every name joined into it and every one
    // of `used` that counts as it, sorted.
    QStringList namesOf(const QString& partner, const QStringList& used = {}) const;

private:
    QHash<QString, QString> m_joinedInto; // each join as recorded
    // Built once, in time linear in the joins however long their chains:
    // each joined name's partner, and each partner's joined names.
    QHash<QString, QString> m_partnerOf;
    QHash<QString, QStringList> m_joinedNames;
};
