#include "tally_window/journal_record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr int journalFormat = 1;

struct TextKey {
    const char* name;
    QString TallyState::*member;
};

constexpr TextKey textKeys[] = {
    { "Text17", &TallyState::text17 },
    { "Text22", &TallyState::text22 },
    { "Text20", &TallyState::text20 },
    { "Text24", &TallyState::text24 },
    { "Text25", &TallyState::text25 },
    { "Combo1", &TallyState::combo1 },
    { "Combo2", &TallyState::combo2 },
    { "Combo3", &TallyState::combo3 },
    { "Combo4", &TallyState::combo4 },
    { "Combo5", &TallyState::combo5 },
};

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

QJsonObject stateObject(const TallyState& state)
{
    QJsonObject object;
    QJsonArray grid;
    for (const auto& row : state.cells)
        grid.append(textArray(row));
    object.insert(QStringLiteral("grid"), grid);
    object.insert(QStringLiteral("lengths"), textArray(state.lengths));
    for (const TextKey& key : textKeys)
        object.insert(QLatin1String(key.name), state.*key.member);
    object.insert(QStringLiteral("layout"),
        state.extendedLayout ? QStringLiteral("extended") : QStringLiteral("standard"));
    return object;
}

std::optional<TallyState> readState(const QJsonValue& value)
{
    const QJsonObject object = value.toObject();
    TallyState state;
    const QJsonArray grid = object.value(QStringLiteral("grid")).toArray();
    if (!value.isObject() || grid.size() != TallyFields::rowCount)
        return std::nullopt;
    for (int row = 0; row < TallyFields::rowCount; ++row)
        if (!readTexts(grid[row], state.cells[row]))
            return std::nullopt;
    if (!readTexts(object.value(QStringLiteral("lengths")), state.lengths))
        return std::nullopt;
    for (const TextKey& key : textKeys) {
        const QJsonValue text = object.value(QLatin1String(key.name));
        if (!text.isString())
            return std::nullopt;
        state.*key.member = text.toString();
    }
    const QString layout = object.value(QStringLiteral("layout")).toString();
    if (layout != QLatin1String("standard") && layout != QLatin1String("extended"))
        return std::nullopt;
    state.extendedLayout = layout == QLatin1String("extended");
    return state;
}

} // namespace

QByteArray journalJson(const JournalRecord& record)
{
    QJsonObject object;
    object.insert(QStringLiteral("format"), journalFormat);
    object.insert(QStringLiteral("clean"), record.clean);
    object.insert(QStringLiteral("tally"), stateObject(record.tally));
    if (record.beforeClear)
        object.insert(QStringLiteral("beforeClear"), stateObject(*record.beforeClear));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<JournalRecord> parseJournalJson(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue format = object.value(QStringLiteral("format"));
    const QJsonValue clean = object.value(QStringLiteral("clean"));
    if (format.toInt(-1) != journalFormat || !format.isDouble() || !clean.isBool())
        return std::nullopt;
    JournalRecord record;
    record.clean = clean.toBool();
    const auto tally = readState(object.value(QStringLiteral("tally")));
    if (!tally)
        return std::nullopt;
    record.tally = *tally;
    if (object.contains(QStringLiteral("beforeClear"))) {
        record.beforeClear = readState(object.value(QStringLiteral("beforeClear")));
        if (!record.beforeClear)
            return std::nullopt;
    }
    return record;
}
