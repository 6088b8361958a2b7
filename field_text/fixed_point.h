#pragma once

// Exact amounts: money in fen, volumes and pieces in ten-thousandths, held
// as whole numbers of their unit so that sums never round. One way to read
// a text as such an amount and one way to print it.

#include <QString>
#include <optional>

namespace fixed_point_detail {
std::optional<qint64> parseUnits(const QString& text, int decimals);
std::optional<qint64> figureUnits(const QString& text, int decimals);
QString unitsText(qint64 units, int decimals);
QString shortText(qint64 units, int decimals);
} // namespace fixed_point_detail

template <int Decimals> class FixedPoint {
public:
    static_assert(Decimals >= 0 && Decimals <= 6);

    constexpr FixedPoint() = default;
    static constexpr FixedPoint fromUnits(qint64 units) { return FixedPoint(units); }
    constexpr qint64 units() const { return m_units; }

    // A plain decimal text, blanks around it aside: an optional "-", ASCII
    // digits, and at most Decimals decimals after a ".". Nothing for any
    // other text (the overflow text 溢出 included), for more decimals than
    // the unit holds, or beyond the 64-bit range.
    static std::optional<FixedPoint> parse(const QString& text)
    {
        const auto units = fixed_point_detail::parseUnits(text, Decimals);
        return units ? std::optional<FixedPoint>(FixedPoint(*units)) : std::nullopt;
    }

    // A figure the tally sheet shows (its totals, in any form it prints,
    // exponents included), halves of the last unit rounded away from zero.
    // Nothing for a text that is no number, for 溢出, or beyond 10^14.
    static std::optional<FixedPoint> parseFigure(const QString& text)
    {
        const auto units = fixed_point_detail::figureUnits(text, Decimals);
        return units ? std::optional<FixedPoint>(FixedPoint(*units)) : std::nullopt;
    }

    // Exactly Decimals decimals: Fen 123456 -> "1234.56", -5 -> "-0.05".
    QString text() const { return fixed_point_detail::unitsText(m_units, Decimals); }
    // Without the trailing zeros, and without the point for a whole value:
    // pieces, fractional only when a count was typed so: "12", "1.5".
    QString shortText() const { return fixed_point_detail::shortText(m_units, Decimals); }

    // The sum or difference, or nothing when it leaves the 64-bit range.
    std::optional<FixedPoint> plus(FixedPoint other) const
    {
        qint64 sum = 0;
        if (__builtin_add_overflow(m_units, other.m_units, &sum))
            return std::nullopt;
        return FixedPoint(sum);
    }
    std::optional<FixedPoint> minus(FixedPoint other) const
    {
        qint64 difference = 0;
        if (__builtin_sub_overflow(m_units, other.m_units, &difference))
            return std::nullopt;
        return FixedPoint(difference);
    }

    constexpr bool operator==(FixedPoint other) const { return m_units == other.m_units; }
    constexpr bool operator!=(FixedPoint other) const { return m_units != other.m_units; }
    constexpr bool operator<(FixedPoint other) const { return m_units < other.m_units; }

private:
    constexpr explicit FixedPoint(qint64 units)
        : m_units(units)
    {
    }
    qint64 m_units = 0;
};

// A sum as the windows and documents print it (short: without trailing
// zeros), or 超出范围 when it left the 64-bit range.
template <int Decimals>
QString sumText(const std::optional<FixedPoint<Decimals>>& sum, bool shortForm = false)
{
    if (!sum)
        return QStringLiteral("超出范围");
    return shortForm ? sum->shortText() : sum->text();
}

// Yuan in fen.
using Fen = FixedPoint<2>;
// Cubic metres, and pieces, in ten-thousandths.
using TenThousandths = FixedPoint<4>;
