#include "input_marks/value_rules.h"

#include "field_text/field_text.h"

#include <cmath>

namespace {

constexpr double largestCount = 9999;
constexpr double longestLength = 20;

enum class Fault { None, NotWhole, Negative, TooMany, NoLength, TooLong, NotPositive };

bool blank(const QString& text)
{
    return text.trimmed().isEmpty();
}

Fault countFaultOf(const QString& count, const QString& length)
{
    if (blank(count))
        return Fault::None;
    const double pieces = typedNumber(count);
    if (std::isfinite(pieces) && pieces != std::floor(pieces))
        return Fault::NotWhole;
    if (pieces < 0)
        return Fault::Negative;
    if (pieces > largestCount)
        return Fault::TooMany;
    // The tick's copy of a length beyond the double range reads as one.
    if (pieces != 0 && !(leadingNumber(length) > 0))
        return Fault::NoLength;
    return Fault::None;
}

Fault lengthFaultOf(const QString& length)
{
    if (blank(length))
        return Fault::None;
    const double metres = typedNumber(length);
    if (metres > longestLength)
        return Fault::TooLong;
    return metres > 0 ? Fault::None : Fault::NotPositive;
}

QString faultReason(Fault fault)
{
    switch (fault) {
    case Fault::None:
        break;
    case Fault::NotWhole:
        return QStringLiteral("件数必须是整数");
    case Fault::Negative:
        return QStringLiteral("件数不能是负数");
    case Fault::TooMany:
        return QStringLiteral("件数不能超过 9999");
    case Fault::NoLength:
        return QStringLiteral("这一列还没有材长");
    case Fault::TooLong:
        return QStringLiteral("材长不能超过 20 米");
    case Fault::NotPositive:
        return QStringLiteral("材长必须大于 0");
    }
    return {};
}

} // namespace

QString countNote(const QString& count, const QString& length)
{
    switch (countFaultOf(count, length)) {
    case Fault::NotWhole:
        return QStringLiteral("件数不是整数，按 %1 计算").arg(plainNumberText(typedNumber(count)));
    case Fault::Negative:
        return QStringLiteral("负数：从件数和材积中减去");
    case Fault::TooMany:
        return QStringLiteral("件数超过 9999，请检查");
    case Fault::NoLength:
        return QStringLiteral("这一列没有材长，按 0 立方米计算");
    default:
        return {};
    }
}

QString countFault(const QString& count, const QString& length)
{
    return faultReason(countFaultOf(count, length));
}

QString lengthNote(const QString& length)
{
    switch (lengthFaultOf(length)) {
    case Fault::TooLong:
        return QStringLiteral("材长超过 20 米，请检查");
    case Fault::NotPositive: {
        // Letters read as 0: said as for any typed number.
        const QString typed = typedNumberNote(length, TypedNumber::Number);
        if (typedNumber(length) == 0 && !typed.isEmpty())
            return typed;
        return QStringLiteral("材长不大于 0，请检查");
    }
    default:
        return {};
    }
}

QString lengthFault(const QString& length)
{
    return faultReason(lengthFaultOf(length));
}

QString priceNote(const QString& price)
{
    if (blank(price))
        return {};
    const QString typed = typedNumberNote(price, TypedNumber::Number);
    if (!typed.isEmpty())
        return typed;
    const double yuan = typedNumber(price);
    if (!std::isfinite(yuan))
        return QStringLiteral("数字太大，请检查");
    if (yuan < 0)
        return QStringLiteral("负数，按 %1 计算").arg(plainNumberText(yuan));
    return {};
}

QString priceQuestionPart(const QString& price)
{
    if (priceNote(price).isEmpty())
        return {};
    const double yuan = typedNumber(price);
    const QString shown = price.trimmed();
    if (!std::isfinite(yuan))
        return QStringLiteral("单价“%1”太大，无法计算金额。").arg(shown);
    if (yuan < 0)
        return QStringLiteral("单价“%1”是负数，按 %2 元计算。").arg(shown, plainNumberText(yuan));
    return QStringLiteral("单价“%1”不是数字，按 %2 元计算。").arg(shown, plainNumberText(yuan));
}
