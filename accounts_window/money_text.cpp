#include "accounts_window/money_text.h"

#include "history/load_record.h"

#include <QRegularExpression>

std::optional<qint64> paymentFen(const QString& text)
{
    static const QRegularExpression yuan(QStringLiteral("^([0-9]{1,11})(?:\\.([0-9]{1,2}))?$"));
    const QRegularExpressionMatch match = yuan.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const qint64 whole = match.captured(1).toLongLong();
    const QString cents = match.captured(2).leftJustified(2, u'0');
    const qint64 fen = whole * 100 + cents.toLongLong();
    if (fen <= 0 || fen > largestPaymentFen)
        return std::nullopt;
    return fen;
}

QString yuanText(qint64 fen)
{
    return fixedPointText(fen, 2);
}

QString fileNameText(const QString& text)
{
    QString name = text;
    for (QChar& c : name)
        if (c == u'/' || c == u'\\' || c.unicode() < 0x20)
            c = u'_';
    if (name.startsWith(u'.'))
        name[0] = u'_';
    return name;
}

namespace {

// The characters that set or change the direction of the text around them.
bool isDirectionControl(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString plainName(const QString& name)
{
    constexpr int longest = 100;
    QString plain;
    plain.reserve(std::min<qsizetype>(name.size(), longest + 1));
    for (const QChar c : name) {
        if (plain.size() == longest) {
            plain += QStringLiteral("…");
            break;
        }
        if (!isDirectionControl(c.unicode()))
            plain += c;
    }
    return plain;
}

QString shownName(const QString& name)
{
    return QChar(0x2068) + plainName(name) + QChar(0x2069);
}
