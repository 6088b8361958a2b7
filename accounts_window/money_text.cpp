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

QString shownName(const QString& name)
{
    constexpr int longest = 100;
    return name.size() <= longest ? name : name.left(longest) + QStringLiteral("…");
}
