#include "tally/tally.h"

#include <QJsonArray>
#include <tuple>

namespace {

auto comparable(const Tally& t)
{
    return std::tie(t.grid, t.lengths, t.blockPieces, t.blockVolumes, t.groupPieces, t.groupVolumes,
        t.groupAmounts, t.unitPrices, t.captions, t.species, t.scaler, t.extendedLayout);
}

template <std::size_t n> struct TextsKey {
    const char* name;
    std::array<QString, n> Tally::*member;
};

constexpr TextsKey<8> blockKeys[] = {
    { "blockPieces", &Tally::blockPieces },
    { "blockVolumes", &Tally::blockVolumes },
};
constexpr TextsKey<4> groupKeys[] = {
    { "lengths", &Tally::lengths },
    { "groupPieces", &Tally::groupPieces },
    { "groupVolumes", &Tally::groupVolumes },
    { "groupAmounts", &Tally::groupAmounts },
};
constexpr TextsKey<3> priceKeys[] = { { "unitPrices", &Tally::unitPrices } };

template <std::size_t n> QJsonArray textArray(const std::array<QString, n>& texts)
{
    QJsonArray array;
    for (const QString& text : texts)
        array.append(text);
    return array;
}

template <std::size_t n> bool readTexts(const QJsonValue& value, std::array<QString, n>& texts)
{
    const QJsonArray array = value.toArray();
    if (!value.isArray() || array.size() != qsizetype(n))
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (!array[qsizetype(i)].isString())
            return false;
        texts[i] = array[qsizetype(i)].toString();
    }
    return true;
}

template <std::size_t n, std::size_t keys>
void insertTexts(QJsonObject& json, const Tally& tally, const TextsKey<n> (&table)[keys])
{
    for (const TextsKey<n>& key : table)
        json.insert(QLatin1String(key.name), textArray(tally.*key.member));
}

template <std::size_t n, std::size_t keys>
bool readAllTexts(const QJsonObject& json, Tally& tally, const TextsKey<n> (&table)[keys])
{
    for (const TextsKey<n>& key : table)
        if (!readTexts(json.value(QLatin1String(key.name)), tally.*key.member))
            return false;
    return true;
}

} // namespace

bool Tally::operator==(const Tally& other) const
{
    for (const TallyText& text : tallyTexts)
        if (this->*text.member != other.*text.member)
            return false;
    return comparable(*this) == comparable(other);
}

Tally typedPart(const Tally& tally)
{
    Tally typed;
    for (int row = 0; row < Tally::rowCount; ++row)
        for (int element = 0; element < Tally::rowElements; ++element)
            if (Tally::typedElement(element))
                typed.grid[row][element] = tally.grid[row][element];
    typed.lengths = tally.lengths;
    typed.captions = tally.captions;
    for (const TallyText& text : tallyTexts)
        typed.*text.member = tally.*text.member;
    typed.extendedLayout = tally.extendedLayout;
    return typed;
}

// The keys are those the history has always kept in its detail column.
QJsonObject tallyJson(const Tally& tally)
{
    QJsonObject json;
    QJsonArray rows;
    for (const auto& row : tally.grid)
        rows.append(textArray(row));
    json.insert(QStringLiteral("grid"), rows);
    insertTexts(json, tally, blockKeys);
    insertTexts(json, tally, groupKeys);
    insertTexts(json, tally, priceKeys);
    QJsonArray captions, values;
    for (const CaptionedValue& captioned : tally.captions) {
        captions.append(captioned.caption);
        values.append(captioned.value);
    }
    json.insert(QStringLiteral("captions"), captions);
    json.insert(QStringLiteral("captionValues"), values);
    for (const TallyText& text : tallyTexts)
        json.insert(QLatin1String(text.key), tally.*text.member);
    json.insert(QStringLiteral("extendedLayout"), tally.extendedLayout);
    return json;
}

std::optional<Tally> tallyFromJson(const QJsonObject& json)
{
    Tally tally;
    const QJsonArray rows = json.value(QStringLiteral("grid")).toArray();
    if (rows.size() != Tally::rowCount)
        return std::nullopt;
    for (int row = 0; row < Tally::rowCount; ++row)
        if (!readTexts(rows[row], tally.grid[row]))
            return std::nullopt;
    if (!readAllTexts(json, tally, blockKeys) || !readAllTexts(json, tally, groupKeys)
        || !readAllTexts(json, tally, priceKeys))
        return std::nullopt;
    std::array<QString, 4> captions, values;
    if (!readTexts(json.value(QStringLiteral("captions")), captions)
        || !readTexts(json.value(QStringLiteral("captionValues")), values))
        return std::nullopt;
    for (int i = 0; i < 4; ++i)
        tally.captions[i] = { captions[i], values[i] };
    for (const TallyText& text : tallyTexts) {
        const QJsonValue value = json.value(QLatin1String(text.key));
        if (!value.isString() && !value.isUndefined())
            return std::nullopt;
        tally.*text.member = value.toString();
    }
    const QJsonValue layout = json.value(QStringLiteral("extendedLayout"));
    if (!layout.isBool())
        return std::nullopt;
    tally.extendedLayout = layout.toBool();
    return tally;
}
