#include "accounts_window/money_text.h"

#include "field_text/fixed_point.h"

std::optional<qint64> paymentFen(const QString& text)
{
    const std::optional<Fen> fen = Fen::parse(text);
    if (!fen || fen->units() <= 0 || fen->units() > largestPaymentFen)
        return std::nullopt;
    return fen->units();
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
