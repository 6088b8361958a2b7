#include "field_text/field_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool isIgnoredSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Full-width digits, point, plus and minus, as a Chinese input method types
// them, in their ASCII forms; every other character as it is.
QChar asciiForm(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'\uFF10' && u <= u'\uFF19')
        return QChar(u'0' + (u - u'\uFF10'));
    switch (u) {
    case u'\uFF0E':
        return u'.';
    case u'\uFF0B':
        return u'+';
    case u'\uFF0D':
        return u'-';
    }
    return c;
}

// Length of the digit run starting at `from`.
qsizetype digitRun(const QString& s, qsizetype from)
{
    qsizetype i = from;
    while (i < s.size() && isDigit(s.at(i)))
        ++i;
    return i - from;
}

// Scans sign, digits, optional point and decimals, optional exponent.
// Returns the canonical text for QString::toDouble, or an empty text when
// the text does not begin with a number; `end` gets where the number ends.
QString leadingNumberText(const QString& s, qsizetype* end = nullptr)
{
    qsizetype i = 0;
    QString out;
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
        out += s.at(i++);

    const qsizetype intDigits = digitRun(s, i);
    out += intDigits ? s.mid(i, intDigits) : QStringLiteral("0");
    i += intDigits;

    qsizetype fracDigits = 0;
    if (i < s.size() && s.at(i) == u'.') {
        fracDigits = digitRun(s, i + 1);
        if (fracDigits)
            out += u'.' + s.mid(i + 1, fracDigits);
        i += 1 + fracDigits;
    }
    if (intDigits == 0 && fracDigits == 0) {
        if (end)
            *end = 0;
        return {};
    }

    if (i < s.size() && (s.at(i) == u'e' || s.at(i) == u'E')) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < s.size() && (s.at(j) == u'+' || s.at(j) == u'-'))
            exponent += s.at(j++);
        const qsizetype expDigits = digitRun(s, j);
        if (expDigits) {
            out += exponent + s.mid(j, expDigits);
            i = j + expDigits;
        }
    }
    if (end)
        *end = i;
    return out;
}

// The text without its ignored spaces, full-width forms made ASCII.
QString compactText(const QString& text)
{
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text)
        if (!isIgnoredSpace(c))
            compact += asciiForm(c);
    return compact;
}

double overflowValue(const QString& s)
{
    const bool negative = s.startsWith(u'-');
    const qsizetype start = (negative || s.startsWith(u'+')) ? 1 : 0;
    if (QStringView(s).sliced(start).startsWith(overflowText))
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    return 0;
}

QString nonFiniteText(double value)
{
    return value < 0 ? u'-' + overflowText : overflowText;
}

// Rounds a digit string (no point) at `keep` digits, half away from zero.
// Returns the kept digits, possibly one longer after a carry.
QString roundDigits(QString digits, qsizetype keep)
{
    const bool up = keep < digits.size() && digits.at(keep) >= u'5';
    digits.truncate(keep);
    if (!up)
        return digits;
    qsizetype i = digits.size() - 1;
    for (; i >= 0; --i) {
        if (digits.at(i) != u'9') {
            digits[i] = QChar(digits.at(i).unicode() + 1);
            break;
        }
        digits[i] = u'0';
    }
    if (i < 0)
        digits.prepend(u'1');
    return digits;
}

} // namespace

double leadingNumber(const QString& text)
{
    const QString compact = compactText(text);
    const QString number = leadingNumberText(compact);
    if (number.isEmpty())
        return overflowValue(compact);
    // Overflow gives an infinity, underflow 0.
    return number.toDouble();
}

double typedNumber(const QString& text)
{
    // No overflow text here: only the program writes it, into its own fields.
    return leadingNumberText(compactText(text)).toDouble();
}

QString asciiNumberForms(const QString& text)
{
    QString ascii = text;
    for (QChar& c : ascii)
        c = asciiForm(c);
    return ascii;
}

QString typedNumberNote(const QString& text, TypedNumber kind)
{
    const QString compact = compactText(text);
    if (compact.isEmpty())
        return {};
    qsizetype end = 0;
    const double value = leadingNumberText(compact, &end).toDouble();
    if (end == 0) {
        const bool hasDigits = std::any_of(compact.cbegin(), compact.cend(), isDigit);
        return hasDigits ? QStringLiteral("开头不是数字，按 0 计算")
                         : QStringLiteral("不是数字，按 0 计算");
    }
    const QString counted = plainNumberText(value);
    if (end < compact.size())
        return QStringLiteral("数字后面有其他字符，按 %1 计算").arg(counted);
    if (kind == TypedNumber::Count && std::isfinite(value) && value != std::floor(value))
        return QStringLiteral("件数不是整数，按 %1 计算").arg(counted);
    return {};
}

QString plainNumberText(double value)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    if (value == 0)
        return QStringLiteral("0");
    return QString::number(value, 'g', 15).toUpper();
}

QString patternText(double value, int decimals)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);

    // "d.dddddddddddddde±x": the 15 significant digits a person reads.
    const QString scientific = QString::number(std::fabs(value), 'e', 14);
    const qsizetype ePos = scientific.indexOf(u'e');
    QString digits = scientific.left(ePos).remove(u'.');
    const int exponent = scientific.mid(ePos + 1).toInt();

    // Place the decimal point after `pointPos` digits, padding with zeros.
    qsizetype pointPos = exponent + 1;
    if (pointPos < 0) {
        digits.prepend(QString(-pointPos, u'0'));
        pointPos = 0;
    }
    const qsizetype needed = pointPos + decimals + 1;
    if (digits.size() < needed)
        digits.append(QString(needed - digits.size(), u'0'));

    QString kept = roundDigits(digits, pointPos + decimals);
    QString integerPart = kept.left(kept.size() - decimals);
    const QString fraction = kept.right(decimals);
    while (integerPart.size() > 1 && integerPart.startsWith(u'0'))
        integerPart.remove(0, 1);
    if (integerPart.isEmpty())
        integerPart = QStringLiteral("0");

    const bool allZero = kept.count(u'0') == kept.size();
    QString result = integerPart;
    if (decimals > 0)
        result += u'.' + fraction;
    return (value < 0 && !allZero) ? u'-' + result : result;
}

bool sortsBelow(const QString& text, const QString& threshold)
{
    const qsizetype common = qMin(text.size(), threshold.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t a = text.at(i).unicode();
        const char16_t b = threshold.at(i).unicode();
        if (a != b)
            return a < b;
    }
    return text.size() < threshold.size();
}
