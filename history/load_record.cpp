#include "history/load_record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>

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

qint64 fixedPoint(const QString& text, int decimals)
{
    static const QRegularExpression plain(QStringLiteral(R"(^\s*([+-]?)(\d*)(?:\.(\d*))?\s*$)"));
    const QRegularExpressionMatch match = plain.match(text);
    qint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    if (match.hasMatch() && !(match.captured(2).isEmpty() && match.captured(3).isEmpty())) {
        const QString whole = match.captured(2);
        QString fraction = match.captured(3);
        if (whole.size() > 14)
            return 0;
        const bool roundUp = fraction.size() > decimals && fraction.at(decimals) >= u'5';
        fraction = fraction.left(decimals).leftJustified(decimals, u'0');
        qint64 value = whole.toLongLong() * scale + (decimals ? fraction.toLongLong() : 0);
        if (roundUp)
            ++value;
        return match.captured(1) == u'-' ? -value : value;
    }
    // Exponent forms such as "1.2E+07"; their digits are few anyway.
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number) || std::fabs(number) > 1e14)
        return 0;
    return qint64(std::llround(number * double(scale)));
}

QString fixedPointText(qint64 value, int decimals)
{
    qint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const qint64 magnitude = value < 0 ? -value : value;
    QString text = QString::number(magnitude / scale);
    if (decimals)
        text += u'.' + QString::number(magnitude % scale).rightJustified(decimals, u'0');
    return value < 0 ? u'-' + text : text;
}

QString piecesText(qint64 piecesE4)
{
    if (piecesE4 % 10000 == 0)
        return QString::number(piecesE4 / 10000);
    QString text = fixedPointText(piecesE4, 4);
    while (text.endsWith(u'0'))
        text.chop(1);
    return text;
}

bool LoadRecord::operator==(const LoadRecord& other) const
{
    return id == other.id && station == other.station && stationNumber == other.stationNumber
        && recordedAt == other.recordedAt && kind == other.kind && billNumber == other.billNumber
        && species == other.species && captions == other.captions && scaler == other.scaler
        && extendedLayout == other.extendedLayout && lengths == other.lengths && grid == other.grid
        && blockPieces == other.blockPieces && blockVolumes == other.blockVolumes
        && groupPieces == other.groupPieces && groupVolumes == other.groupVolumes
        && groupAmounts == other.groupAmounts && unitPrices == other.unitPrices;
}

qint64 LoadRecord::piecesE4() const
{
    return fixedPoint(groupPieces[3], 4);
}

qint64 LoadRecord::volumeE4() const
{
    return fixedPoint(groupVolumes[3], 4);
}

qint64 LoadRecord::amountFen() const
{
    return fixedPoint(groupAmounts[3], 2);
}

namespace {

template <std::size_t N>
QJsonArray textsToJson(const std::array<QString, N>& texts)
{
    QJsonArray array;
    for (const QString& text : texts)
        array.append(text);
    return array;
}

template <std::size_t N>
bool textsFromJson(const QJsonValue& value, std::array<QString, N>& texts)
{
    const QJsonArray array = value.toArray();
    if (array.size() != qsizetype(N))
        return false;
    for (std::size_t i = 0; i < N; ++i)
        texts[i] = array.at(qsizetype(i)).toString();
    return true;
}

} // namespace

QByteArray LoadRecord::detailJson() const
{
    QJsonObject detail;
    QJsonArray captionTexts;
    for (const CaptionedValue& captioned : captions)
        captionTexts.append(captioned.caption);
    detail[QStringLiteral("captions")] = captionTexts;
    detail[QStringLiteral("extendedLayout")] = extendedLayout;
    detail[QStringLiteral("lengths")] = textsToJson(lengths);
    QJsonArray rows;
    for (const auto& row : grid)
        rows.append(textsToJson(row));
    detail[QStringLiteral("grid")] = rows;
    detail[QStringLiteral("blockPieces")] = textsToJson(blockPieces);
    detail[QStringLiteral("blockVolumes")] = textsToJson(blockVolumes);
    detail[QStringLiteral("groupPieces")] = textsToJson(groupPieces);
    detail[QStringLiteral("groupVolumes")] = textsToJson(groupVolumes);
    detail[QStringLiteral("groupAmounts")] = textsToJson(groupAmounts);
    detail[QStringLiteral("unitPrices")] = textsToJson(unitPrices);
    return QJsonDocument(detail).toJson(QJsonDocument::Compact);
}

// The caption values, species, scaler and the like come from columns.
bool LoadRecord::readDetailJson(const QByteArray& json)
{
    const QJsonObject detail = QJsonDocument::fromJson(json).object();
    const QJsonArray captionTexts = detail.value(QStringLiteral("captions")).toArray();
    if (captionTexts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i)
        captions[i].caption = captionTexts.at(i).toString();
    extendedLayout = detail.value(QStringLiteral("extendedLayout")).toBool();
    const QJsonArray rows = detail.value(QStringLiteral("grid")).toArray();
    if (rows.size() != 14)
        return false;
    for (int row = 0; row < 14; ++row)
        if (!textsFromJson(rows.at(row), grid[row]))
            return false;
    return textsFromJson(detail.value(QStringLiteral("lengths")), lengths)
        && textsFromJson(detail.value(QStringLiteral("blockPieces")), blockPieces)
        && textsFromJson(detail.value(QStringLiteral("blockVolumes")), blockVolumes)
        && textsFromJson(detail.value(QStringLiteral("groupPieces")), groupPieces)
        && textsFromJson(detail.value(QStringLiteral("groupVolumes")), groupVolumes)
        && textsFromJson(detail.value(QStringLiteral("groupAmounts")), groupAmounts)
        && textsFromJson(detail.value(QStringLiteral("unitPrices")), unitPrices);
}

QJsonObject LoadRecord::toJson() const
{
    QJsonObject json;
    json[QStringLiteral("station")] = station;
    json[QStringLiteral("stationNumber")] = QString::number(stationNumber);
    json[QStringLiteral("recordedAt")] = recordedAt.toString(Qt::ISODate);
    json[QStringLiteral("kind")] = int(kind);
    json[QStringLiteral("billNumber")] = billNumber;
    json[QStringLiteral("species")] = species;
    QJsonArray values;
    for (const CaptionedValue& captioned : captions)
        values.append(captioned.value);
    json[QStringLiteral("captionValues")] = values;
    json[QStringLiteral("scaler")] = scaler;
    json[QStringLiteral("detail")] = QString::fromUtf8(detailJson());
    return json;
}

bool LoadRecord::readJson(const QJsonObject& json)
{
    const QJsonArray values = json.value(QStringLiteral("captionValues")).toArray();
    const int kindNumber = json.value(QStringLiteral("kind")).toInt();
    if (values.size() != 4 || kindNumber < 1 || kindNumber > 3
        || !readDetailJson(json.value(QStringLiteral("detail")).toString().toUtf8()))
        return false;
    station = json.value(QStringLiteral("station")).toString();
    stationNumber = json.value(QStringLiteral("stationNumber")).toString().toLongLong();
    recordedAt = QDateTime::fromString(json.value(QStringLiteral("recordedAt")).toString(), Qt::ISODate);
    kind = LoadKind(kindNumber);
    billNumber = json.value(QStringLiteral("billNumber")).toString();
    species = json.value(QStringLiteral("species")).toString();
    for (int i = 0; i < 4; ++i)
        captions[i].value = values.at(i).toString();
    scaler = json.value(QStringLiteral("scaler")).toString();
    return recordedAt.isValid();
}
