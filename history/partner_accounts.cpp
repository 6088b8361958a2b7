#include "history/partner_accounts.h"

#include <QSet>
#include <algorithm>
#include <utility>

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

std::optional<Fen> PartnerBalance::closing() const
{
    std::optional<Fen> sum = opening.plus(sold);
    for (const Fen taken : { received, supplied })
        sum = sum ? sum->minus(taken) : std::nullopt;
    return sum ? sum->plus(paid) : std::nullopt;
}

QString accountLoadNumber(const QString& station, qint64 stationNumber)
{
    if (station.isEmpty())
        return QString::number(stationNumber);
    return QStringLiteral("%1-%2").arg(station).arg(stationNumber);
}

namespace {

// The end of `name`'s chain in `parent`, every name passed on the way
// pointed straight at it, so no chain is walked twice.
QString chainEnd(QHash<QString, QString>& parent, const QString& name)
{
    QString end = name;
    for (auto next = parent.constFind(end); next != parent.constEnd(); next = parent.constFind(end))
        end = *next;
    QString step = name;
    while (step != end) {
        QString& up = parent[step];
        step = std::exchange(up, end);
    }
    return end;
}

} // namespace

PartnerNames::PartnerNames(const QVector<PartnerAlias>& aliases)
{
    QHash<QString, QString> parent;
    for (const PartnerAlias& join : aliases) {
        if (join.alias.isEmpty() || join.partner.isEmpty() || m_joinedInto.contains(join.alias))
            continue;
        // The alias is joined to none yet, so it ends its own chain.
        if (chainEnd(parent, join.partner) == join.alias)
            continue; // a cycle made by two stations at once: the earlier join holds
        m_joinedInto.insert(join.alias, join.partner);
        parent.insert(join.alias, join.partner);
    }
    for (auto join = m_joinedInto.constBegin(); join != m_joinedInto.constEnd(); ++join) {
        const QString partner = chainEnd(parent, join.key());
        m_partnerOf.insert(join.key(), partner);
        m_joinedNames[partner] << join.key();
    }
}

QString PartnerNames::partnerOf(const QString& name) const
{
    return m_partnerOf.value(name, name);
}

JoinRefusal PartnerNames::refusalOf(const QString& alias, const QString& partner) const
{
    if (alias.isEmpty() || partner.isEmpty())
        return { FailureCause::JoinRefused, QStringLiteral("an empty name") };
    if (alias == partner)
        return { FailureCause::JoinRefused, QStringLiteral("a name joined into itself") };
    if (m_joinedInto.contains(alias))
        return { FailureCause::JoinRefused,
            QStringLiteral("%1 is joined into %2 already").arg(alias, m_joinedInto[alias]) };
    // A cycle always passes through a partner joined into another.
    if (m_joinedInto.contains(partner))
        return { FailureCause::JoinIntoJoined,
            QStringLiteral("%1 is joined into %2, which it counts as")
                .arg(partner, partnerOf(partner)) };
    // The alias is joined to none, so the names counted as it are joined into it.
    if (m_joinedNames.contains(alias))
        return { FailureCause::JoinOfPartner,
            QStringLiteral("%1 has %2 names joined into it")
                .arg(alias)
                .arg(m_joinedNames[alias].size()) };
    return {};
}

QStringList PartnerNames::namesOf(const QString& partner, const QStringList& used) const
{
    QStringList joined = m_joinedNames.value(partner);
    const QSet<QString> known(joined.begin(), joined.end());
    for (const QString& name : used)
        if (name != partner && !known.contains(name) && partnerOf(name) == partner)
            joined << name;
    std::sort(joined.begin(), joined.end());
    joined.erase(std::unique(joined.begin(), joined.end()), joined.end());
    return QStringList { partner } + joined;
}
