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

QString shownName(const QString& name)
{
    constexpr int longest = 100;
    return name.size() <= longest ? name : name.left(longest) + QStringLiteral("…");
}
