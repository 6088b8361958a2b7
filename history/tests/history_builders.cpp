#include "history_builders.h"

LoadBuilder::LoadBuilder(LoadKind kind)
{
    m_load.kind = kind;
    m_load.recordedAt = QDateTime(QDate(2026, 12, 9), QTime(9, 30));
    m_load.tally.species = QStringLiteral("杉木");
    m_load.tally.captions = { { { QStringLiteral("购货单位"), QStringLiteral("林场甲") },
        { QStringLiteral("车号"), QStringLiteral("闽A12345") },
        { QStringLiteral("供货单位"), QStringLiteral("供方乙") },
        { QStringLiteral("联系人"), QStringLiteral("张三") } } };
    m_load.tally.scaler = QStringLiteral("李四");
}

LoadBuilder& LoadBuilder::at(const QDateTime& when)
{
    m_load.recordedAt = when;
    return *this;
}

LoadBuilder& LoadBuilder::at(const QString& when)
{
    return at(QDateTime::fromString(when, QStringLiteral("yyyy-MM-dd HH:mm")));
}

LoadBuilder& LoadBuilder::on(const QString& day)
{
    return at(QDateTime(QDate::fromString(day, Qt::ISODate), QTime(9, 30)));
}

LoadBuilder& LoadBuilder::species(const QString& species)
{
    m_load.tally.species = species;
    return *this;
}

LoadBuilder& LoadBuilder::buyer(const QString& buyer)
{
    m_load.tally.captions[Tally::Buyer].value = buyer;
    return *this;
}

LoadBuilder& LoadBuilder::truck(const QString& truck)
{
    m_load.tally.captions[Tally::Truck].value = truck;
    return *this;
}

LoadBuilder& LoadBuilder::supplier(const QString& supplier)
{
    m_load.tally.captions[Tally::Supplier].value = supplier;
    return *this;
}

LoadBuilder& LoadBuilder::contact(const QString& contact)
{
    m_load.tally.captions[Tally::Contact].value = contact;
    return *this;
}

LoadBuilder& LoadBuilder::scaler(const QString& scaler)
{
    m_load.tally.scaler = scaler;
    return *this;
}

LoadBuilder& LoadBuilder::partner(const QString& partner)
{
    const bool in = m_load.kind == LoadKind::StockIn;
    return buyer(in ? QString() : partner).supplier(in ? partner : QString());
}

LoadBuilder& LoadBuilder::length(const QString& length)
{
    m_load.tally.lengths[0] = length;
    return *this;
}

LoadBuilder& LoadBuilder::firstRow(
    const QString& diameter, const QString& pieces, const QString& volume)
{
    m_load.tally.grid[0][0] = diameter;
    m_load.tally.grid[0][1] = pieces;
    m_load.tally.grid[0][2] = volume;
    return *this;
}

LoadBuilder& LoadBuilder::totals(
    const QString& pieces, const QString& volume, const QString& amount)
{
    m_load.tally.groupPieces = { pieces, QString(), QString(), pieces };
    m_load.tally.groupVolumes = { volume, QString(), QString(), volume };
    m_load.tally.groupAmounts = { amount, QString(), QString(), amount };
    return *this;
}

LoadBuilder& LoadBuilder::total(const QString& volume, const QString& amount)
{
    m_load.tally.groupVolumes[3] = volume;
    m_load.tally.groupAmounts[3] = amount;
    return *this;
}

LoadBuilder& LoadBuilder::prices(const QString& first, const QString& second, const QString& third)
{
    m_load.tally.unitPrices = { first, second, third };
    return *this;
}

LoadBuilder& LoadBuilder::bill(const QString& number)
{
    m_load.billNumber = number;
    return *this;
}

LoadBuilder& LoadBuilder::from(const QString& station, qint64 number)
{
    m_load.station = station;
    m_load.stationNumber = number;
    return *this;
}

PaymentBuilder::PaymentBuilder(PaymentDirection direction)
{
    m_payment.direction = direction;
    m_payment.day = QDate(2026, 12, 9);
    m_payment.partner = QStringLiteral("林场甲");
}

PaymentBuilder& PaymentBuilder::partner(const QString& partner)
{
    m_payment.partner = partner;
    return *this;
}

PaymentBuilder& PaymentBuilder::fen(qint64 amount)
{
    m_payment.amountFen = amount;
    return *this;
}

PaymentBuilder& PaymentBuilder::on(const QDate& day)
{
    m_payment.day = day;
    return *this;
}

PaymentBuilder& PaymentBuilder::at(const QDateTime& when)
{
    m_payment.recordedAt = when;
    m_payment.day = when.date();
    return *this;
}

PaymentBuilder& PaymentBuilder::way(const QString& way)
{
    m_payment.way = way;
    return *this;
}

PaymentBuilder& PaymentBuilder::from(const QString& station, qint64 number)
{
    m_payment.station = station;
    m_payment.stationNumber = number;
    return *this;
}

PaymentBuilder& PaymentBuilder::reversing(const QString& station, qint64 number)
{
    m_payment.reversesStation = station;
    m_payment.reversesNumber = number;
    return *this;
}

JoinBuilder::JoinBuilder(const QString& alias, const QString& partner)
{
    m_join.alias = alias;
    m_join.partner = partner;
}

JoinBuilder& JoinBuilder::from(const QString& station, qint64 number, const QDateTime& when)
{
    m_join.station = station;
    m_join.stationNumber = number;
    m_join.recordedAt = when;
    return *this;
}

LoadTotals loadTotals(qint64 loads, qint64 piecesE4, qint64 volumeE4, qint64 amountFen)
{
    LoadTotals totals;
    totals.loads = loads;
    totals.pieces = TenThousandths::fromUnits(piecesE4);
    totals.volume = TenThousandths::fromUnits(volumeE4);
    totals.amount = Fen::fromUnits(amountFen);
    return totals;
}

PartnerBalance partnerBalance(const QString& partner, const QStringList& names, qint64 opening,
    qint64 sold, qint64 received, qint64 supplied, qint64 paid)
{
    PartnerBalance balance;
    balance.partner = partner;
    balance.names = names;
    balance.opening = Fen::fromUnits(opening);
    balance.sold = Fen::fromUnits(sold);
    balance.received = Fen::fromUnits(received);
    balance.supplied = Fen::fromUnits(supplied);
    balance.paid = Fen::fromUnits(paid);
    return balance;
}
