#include "field_text/fixed_point.h"

#include <QRegularExpression>
#include <cmath>

namespace {

qint64 scaleOf(int decimals)
{
    qint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    return scale;
}

} // namespace

namespace fixed_point_detail {

std::optional<qint64> parseUnits(const QString& text, int decimals)
{
    static const QRegularExpression plain(QStringLiteral("^(-?)([0-9]+)(?:\\.([0-9]+))?$"));
    const QRegularExpressionMatch match = plain.match(text.trimmed());
    if (!match.hasMatch() || match.capturedLength(3) > decimals)
        return std::nullopt;
    // Leading zeros are no value; what is left must fit the range.
    QString whole = match.captured(2);
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    if (whole.size() > 18)
        return std::nullopt;
    qint64 units = 0;
    const QString fraction = match.captured(3).leftJustified(decimals, u'0');
    if (__builtin_mul_overflow(whole.toLongLong(), scaleOf(decimals), &units)
        || __builtin_add_overflow(units, decimals ? fraction.toLongLong() : 0, &units))
        return std::nullopt;
    return match.capturedLength(1) ? -units : units;
}

std::optional<qint64> figureUnits(const QString& text, int decimals)
{
    static const QRegularExpression plain(QStringLiteral(R"(^\s*([+-]?)(\d*)(?:\.(\d*))?\s*$)"));
    const QRegularExpressionMatch match = plain.match(text);
    const qint64 scale = scaleOf(decimals);
    if (match.hasMatch() && !(match.captured(2).isEmpty() && match.captured(3).isEmpty())) {
        const QString whole = match.captured(2);
        QString fraction = match.captured(3);
        if (whole.size() > 14)
            return std::nullopt;
        const bool roundUp = fraction.size() > decimals && fraction.at(decimals) >= u'5';
        fraction = fraction.left(decimals).leftJustified(decimals, u'0');
        qint64 value = whole.toLongLong() * scale + (decimals ? fraction.toLongLong() : 0);
        if (roundUp)
            ++value;
        return match.captured(1) == u'-' ? -value : value;
    }
    // Exponent forms such as "1.2E+07"; their digits are few anyway.
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number) || std::fabs(number) > 1e14)
        return std::nullopt;
    return qint64(std::llround(number * double(scale)));
}

QString unitsText(qint64 units, int decimals)
{
    // Unsigned, so that the most negative value has a magnitude too.
    const quint64 magnitude = units < 0 ? 0 - quint64(units) : quint64(units);
    const quint64 unit = quint64(scaleOf(decimals));
    QString text = QString::number(magnitude / unit);
    if (decimals)
        text += u'.' + QString::number(magnitude % unit).rightJustified(decimals, u'0');
    return units < 0 ? u'-' + text : text;
}

QString shortText(qint64 units, int decimals)
{
    const qint64 scale = scaleOf(decimals);
    if (units % scale == 0)
        return QString::number(units / scale);
    QString text = unitsText(units, decimals);
    while (text.endsWith(u'0'))
        text.chop(1);
    return text;
}

} // namespace fixed_point_detail
