#include "history/partner_accounts.h"

QString paymentDirectionText(PaymentDirection direction)
{
    return direction == PaymentDirection::Paid ? QStringLiteral("付款") : QStringLiteral("收款");
}

qint64 Payment::effectFen() const
{
    return direction == PaymentDirection::Paid ? amountFen : -amountFen;
}

bool Payment::operator==(const Payment& other) const
{
    return id == other.id && station == other.station && stationNumber == other.stationNumber
        && recordedAt == other.recordedAt && day == other.day && partner == other.partner
        && direction == other.direction && amountFen == other.amountFen && way == other.way
        && note == other.note && reversesStation == other.reversesStation
        && reversesNumber == other.reversesNumber;
}

bool PartnerAlias::operator==(const PartnerAlias& other) const
{
    return id == other.id && station == other.station && stationNumber == other.stationNumber
        && recordedAt == other.recordedAt && alias == other.alias && partner == other.partner;
}

qint64 PartnerBalance::closingFen() const
{
    return openingFen + soldFen - receivedFen - suppliedFen + paidFen;
}

QString accountLoadNumber(const QString& station, qint64 stationNumber)
{
    if (station.isEmpty())
        return QString::number(stationNumber);
    return QStringLiteral("%1-%2").arg(station).arg(stationNumber);
}

PartnerNames::PartnerNames(const QVector<PartnerAlias>& aliases)
{
    for (const PartnerAlias& join : aliases) {
        if (join.alias.isEmpty() || join.partner.isEmpty() || m_joinedInto.contains(join.alias))
            continue;
        if (partnerOf(join.partner) == join.alias)
            continue; // a cycle made by two stations at once: the earlier join holds
        m_joinedInto.insert(join.alias, join.partner);
    }
}

QString PartnerNames::partnerOf(const QString& name) const
{
    QString partner = name;
    // The joins hold no cycle, so every chain ends within their number.
    for (qsizetype step = 0; step <= m_joinedInto.size(); ++step) {
        const auto next = m_joinedInto.constFind(partner);
        if (next == m_joinedInto.constEnd())
            break;
        partner = *next;
    }
    return partner;
}

QString PartnerNames::refusalOf(const QString& alias, const QString& partner) const
{
    if (alias.isEmpty() || partner.isEmpty())
        return QStringLiteral("an empty name");
    if (alias == partner)
        return QStringLiteral("a name joined into itself");
    if (m_joinedInto.contains(alias))
        return QStringLiteral("%1 is joined into %2 already").arg(alias, m_joinedInto[alias]);
    if (partnerOf(partner) == alias)
        return QStringLiteral("%1 counts as %2 already: a cycle").arg(partner, alias);
    return {};
}

QStringList PartnerNames::namesOf(const QString& partner, const QStringList& used) const
{
    QStringList joined;
    for (auto join = m_joinedInto.constBegin(); join != m_joinedInto.constEnd(); ++join)
        if (partnerOf(join.key()) == partner)
            joined << join.key();
    for (const QString& name : used)
        if (name != partner && !joined.contains(name) && partnerOf(name) == partner)
            joined << name;
    std::sort(joined.begin(), joined.end());
    return QStringList { partner } + joined;
}
