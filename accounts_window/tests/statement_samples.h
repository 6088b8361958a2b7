#pragma once

// Statements built by hand, their figures worked out in the comments.

#include "accounts_window/statement_document.h"

inline AccountEntry load(AccountEntryKind kind, int day, const QString& number, qint64 piecesE4,
    qint64 volumeE4, qint64 amountFen, qint64 effectFen, qint64 balanceFen)
{
    AccountEntry entry;
    entry.kind = kind;
    entry.day = QDate(2026, 3, day);
    entry.number = number;
    entry.truck = QStringLiteral("辽A%1").arg(number);
    entry.species = QStringLiteral("落叶松");
    entry.pieces = TenThousandths::fromUnits(piecesE4);
    entry.volume = TenThousandths::fromUnits(volumeE4);
    entry.amount = Fen::fromUnits(amountFen);
    entry.effect = Fen::fromUnits(effectFen);
    entry.balance = Fen::fromUnits(balanceFen);
    return entry;
}

inline AccountEntry payment(PaymentDirection direction, int day, qint64 amountFen, qint64 effectFen,
    qint64 balanceFen, qint64 number, qint64 reverses = 0)
{
    AccountEntry entry;
    entry.kind = AccountEntryKind::Payment;
    entry.day = QDate(2026, 3, day);
    entry.amount = Fen::fromUnits(amountFen);
    entry.effect = Fen::fromUnits(effectFen);
    entry.balance = Fen::fromUnits(balanceFen);
    entry.payment.direction = direction;
    entry.payment.amountFen = amountFen;
    entry.payment.way = QStringLiteral("转账");
    entry.payment.station = QStringLiteral("一号门");
    entry.payment.stationNumber = number;
    entry.number = accountLoadNumber(entry.payment.station, number);
    if (reverses) {
        entry.payment.reversesStation = entry.payment.station;
        entry.payment.reversesNumber = reverses;
    }
    return entry;
}

// Worked out by hand: 500.00 owed to the yard, then
//   出库 1800.00 -> 2300.00; 入库 987.65 -> 1312.35; 收款 500.00 -> 812.35;
//   that receipt reversed -> 1312.35; 入库 2546.91 -> -1234.56; 付款 100.00 -> -1134.56.
inline StatementPage fewEntries()
{
    StatementPage page;
    page.yard = QStringLiteral("青山木材场");
    page.printedOn = QDate(2026, 4, 2);
    PartnerStatement& s = page.statement;
    s.partner = QStringLiteral("张三木业");
    s.names = QStringList { QStringLiteral("张三木业"), QStringLiteral("老张") };
    s.period = { QDate(2026, 3, 1), QDate(2026, 3, 31) };
    s.opening = Fen::fromUnits(50000);
    s.entries = { load(AccountEntryKind::StockOut, 2, "123", 120000, 25000, 180000, 180000, 230000),
        load(AccountEntryKind::StockIn, 5, "一号门-7", 50000, 12345, 98765, -98765, 131235),
        payment(PaymentDirection::Received, 10, 50000, -50000, 81235, 3),
        payment(PaymentDirection::Received, 11, -50000, 50000, 131235, 4, 3),
        load(AccountEntryKind::StockIn, 20, "124", 300000, 67890, 254691, -254691, -123456),
        payment(PaymentDirection::Paid, 25, 10000, 10000, -113456, 5) };
    s.closing = Fen::fromUnits(-113456);
    return page;
}
