#include "history/load_record.h"

#include "history/load_query.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QString loadKindText(LoadKind kind)
{
    switch (kind) {
    case LoadKind::StockIn:
        return QStringLiteral("入库");
    case LoadKind::StockOut:
        return QStringLiteral("出库");
    case LoadKind::Bill:
        return QStringLiteral("账单");
    }
    return {};
}

bool LoadRecord::operator==(const LoadRecord& other) const
{
    return id == other.id && station == other.station && stationNumber == other.stationNumber
        && recordedAt == other.recordedAt && kind == other.kind && billNumber == other.billNumber
        && tally == other.tally;
}

qint64 LoadRecord::piecesE4() const
{
    return TenThousandths::parseFigure(tally.groupPieces[3]).value_or(TenThousandths()).units();
}

qint64 LoadRecord::volumeE4() const
{
    return TenThousandths::parseFigure(tally.groupVolumes[3]).value_or(TenThousandths()).units();
}

qint64 LoadRecord::amountFen() const
{
    return Fen::parseFigure(tally.groupAmounts[3]).value_or(Fen()).units();
}

namespace {

// Kept in columns of their own, and in the waiting file beside the detail.
const char* const columnKeys[] = { "species", "captionValues", "scaler" };

// The same JSON with every text at most as long as a field holds.
QJsonValue boundedTexts(const QJsonValue& value)
{
    if (value.isString() && value.toString().size() > storedTextLength)
        return value.toString().left(storedTextLength);
    if (value.isArray()) {
        QJsonArray bounded;
        for (const QJsonValue& element : value.toArray())
            bounded.append(boundedTexts(element));
        return bounded;
    }
    if (value.isObject()) {
        QJsonObject bounded = value.toObject();
        for (auto member = bounded.begin(); member != bounded.end(); ++member)
            *member = boundedTexts(*member);
        return bounded;
    }
    return value;
}

} // namespace

QByteArray LoadRecord::detailJson() const
{
    QJsonObject detail = boundedTexts(tallyJson(tally)).toObject();
    for (const char* key : columnKeys)
        detail.remove(QLatin1String(key));
    return QJsonDocument(detail).toJson(QJsonDocument::Compact);
}

bool LoadRecord::readDetailJson(const QByteArray& json)
{
    QJsonObject whole = boundedTexts(QJsonDocument::fromJson(json).object()).toObject();
    const QJsonObject columns = tallyJson(tally);
    for (const char* key : columnKeys)
        whole.insert(QLatin1String(key), columns.value(QLatin1String(key)));
    const std::optional<Tally> read = tallyFromJson(whole);
    if (!read)
        return false;
    tally = *read;
    return true;
}

QJsonObject LoadRecord::toJson() const
{
    QJsonObject json;
    json[QStringLiteral("station")] = station;
    json[QStringLiteral("stationNumber")] = QString::number(stationNumber);
    json[QStringLiteral("recordedAt")] = recordedAt.toString(Qt::ISODate);
    json[QStringLiteral("kind")] = int(kind);
    json[QStringLiteral("billNumber")] = billNumber;
    const QJsonObject texts = tallyJson(tally);
    for (const char* key : columnKeys)
        json[QLatin1String(key)] = texts.value(QLatin1String(key));
    json[QStringLiteral("detail")] = QString::fromUtf8(detailJson());
    return json;
}

bool LoadRecord::readJson(const QJsonObject& json)
{
    const QJsonArray values = json.value(QStringLiteral("captionValues")).toArray();
    const int kindNumber = json.value(QStringLiteral("kind")).toInt();
    if (values.size() != 4 || kindNumber < 1 || kindNumber > 3)
        return false;
    tally.species = json.value(QStringLiteral("species")).toString();
    for (int i = 0; i < 4; ++i)
        tally.captions[i].value = values.at(i).toString();
    tally.scaler = json.value(QStringLiteral("scaler")).toString();
    if (!readDetailJson(json.value(QStringLiteral("detail")).toString().toUtf8()))
        return false;
    station = json.value(QStringLiteral("station")).toString();
    stationNumber = json.value(QStringLiteral("stationNumber")).toString().toLongLong();
    recordedAt
        = QDateTime::fromString(json.value(QStringLiteral("recordedAt")).toString(), Qt::ISODate);
    kind = LoadKind(kindNumber);
    billNumber = json.value(QStringLiteral("billNumber")).toString();
    return recordedAt.isValid();
}
