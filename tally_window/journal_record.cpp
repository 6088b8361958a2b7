#include "tally_window/journal_record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// 1: the typed fields by name; 2: the tally's own JSON form.
constexpr int journalFormat = 2;
constexpr int firstFormat = 1;

// The first format: the typed columns of the grid, and a key per field.
constexpr int firstFormatColumns[] = { 0, 1, 3, 4, 6, 7, 9, 10 };

struct FirstFormatKey {
    const char* name;
    QString* (*text)(Tally&);
};

constexpr FirstFormatKey firstFormatKeys[] = {
    { "Text17", [](Tally& t) { return &t.captions[Tally::Buyer].value; } },
    { "Text22", [](Tally& t) { return &t.captions[Tally::Truck].value; } },
    { "Text20", [](Tally& t) { return &t.captions[Tally::Supplier].value; } },
    { "Text24", [](Tally& t) { return &t.captions[Tally::Contact].value; } },
    { "Text25", [](Tally& t) { return &t.scaler; } },
    { "Combo1", [](Tally& t) { return &t.captions[Tally::Contact].caption; } },
    { "Combo2", [](Tally& t) { return &t.captions[Tally::Truck].caption; } },
    { "Combo3", [](Tally& t) { return &t.species; } },
    { "Combo4", [](Tally& t) { return &t.captions[Tally::Buyer].caption; } },
    { "Combo5", [](Tally& t) { return &t.captions[Tally::Supplier].caption; } },
};

bool readStrings(const QJsonValue& value, int count, QStringList& texts)
{
    const QJsonArray array = value.toArray();
    if (!value.isArray() || array.size() != count)
        return false;
    for (const QJsonValue& text : array) {
        if (!text.isString())
            return false;
        texts << text.toString();
    }
    return true;
}

std::optional<Tally> readFirstFormat(const QJsonValue& value)
{
    const QJsonObject object = value.toObject();
    const QJsonArray grid = object.value(QStringLiteral("grid")).toArray();
    if (!value.isObject() || grid.size() != Tally::rowCount)
        return std::nullopt;
    Tally tally;
    for (int row = 0; row < Tally::rowCount; ++row) {
        QStringList cells;
        if (!readStrings(grid[row], std::size(firstFormatColumns), cells))
            return std::nullopt;
        for (int column = 0; column < cells.size(); ++column)
            tally.grid[row][firstFormatColumns[column]] = cells[column];
    }
    QStringList lengths;
    if (!readStrings(object.value(QStringLiteral("lengths")), Tally::blockCount, lengths))
        return std::nullopt;
    for (int block = 0; block < Tally::blockCount; ++block)
        tally.lengths[block] = lengths[block];
    for (const FirstFormatKey& key : firstFormatKeys) {
        const QJsonValue text = object.value(QLatin1String(key.name));
        if (!text.isString())
            return std::nullopt;
        *key.text(tally) = text.toString();
    }
    const QString layout = object.value(QStringLiteral("layout")).toString();
    if (layout != QLatin1String("standard") && layout != QLatin1String("extended"))
        return std::nullopt;
    tally.extendedLayout = layout == QLatin1String("extended");
    return tally;
}

std::optional<Tally> readTally(const QJsonValue& value, int format)
{
    if (format == firstFormat)
        return readFirstFormat(value);
    if (!value.isObject())
        return std::nullopt;
    return tallyFromJson(value.toObject());
}

} // namespace

QByteArray journalJson(const JournalRecord& record)
{
    QJsonObject object;
    object.insert(QStringLiteral("format"), journalFormat);
    object.insert(QStringLiteral("clean"), record.clean);
    if (record.keptAtExit)
        object.insert(QStringLiteral("keptAtExit"), true);
    object.insert(QStringLiteral("tally"), tallyJson(record.tally));
    if (record.beforeClear)
        object.insert(QStringLiteral("beforeClear"), tallyJson(*record.beforeClear));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<JournalRecord> parseJournalJson(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue formatValue = object.value(QStringLiteral("format"));
    const QJsonValue clean = object.value(QStringLiteral("clean"));
    const int format = formatValue.toInt(-1);
    if ((format != journalFormat && format != firstFormat) || !formatValue.isDouble()
        || !clean.isBool())
        return std::nullopt;
    // Absent in records written before the exit kept a tally.
    const QJsonValue kept = object.value(QStringLiteral("keptAtExit"));
    if (!kept.isUndefined() && !kept.isBool())
        return std::nullopt;
    JournalRecord record;
    record.clean = clean.toBool();
    record.keptAtExit = kept.toBool(false);
    const auto tally = readTally(object.value(QStringLiteral("tally")), format);
    if (!tally)
        return std::nullopt;
    record.tally = *tally;
    if (object.contains(QStringLiteral("beforeClear"))) {
        record.beforeClear = readTally(object.value(QStringLiteral("beforeClear")), format);
        if (!record.beforeClear)
            return std::nullopt;
    }
    return record;
}
