#pragma once

// One load as the history keeps it: everything the tally window showed when
// it was posted or its bill exported, as texts, plus the few figures the
// history sums, as exact fixed-point integers.

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <array>

enum class LoadKind { StockIn = 1, StockOut = 2, Bill = 3 };

// "入库", "出库", "账单"
QString loadKindText(LoadKind kind);

// A caption box with its value field, e.g. 购货单位 / the buyer's name.
struct CaptionedValue {
    QString caption;
    QString value;
    bool operator==(const CaptionedValue& other) const
    {
        return caption == other.caption && value == other.value;
    }
};

struct LoadRecord {
    enum Caption { Buyer, Truck, Supplier, Contact }; // Combo4, Combo2, Combo5, Combo1

    qint64 id = 0; // given by the store
    QString station; // the scaling station that recorded it; empty on one machine
    qint64 stationNumber = 0; // its number at that station
    QDateTime recordedAt;
    LoadKind kind = LoadKind::StockIn;
    QString billNumber; // bills only: "YYYY-MM-DD-NNN"
    QString species;
    std::array<CaptionedValue, 4> captions;
    QString scaler;
    bool extendedLayout = false;
    std::array<QString, 4> lengths;
    std::array<std::array<QString, 12>, 14> grid;
    std::array<QString, 8> blockPieces, blockVolumes; // Text29, Text30
    std::array<QString, 4> groupPieces, groupVolumes, groupAmounts; // element 3: total
    std::array<QString, 3> unitPrices;

    bool operator==(const LoadRecord& other) const;

    // The totals the history sums, exact: pieces and m³ in ten-thousandths,
    // yuan in fen. A text that is no number counts as 0.
    qint64 piecesE4() const;
    qint64 volumeE4() const;
    qint64 amountFen() const;

    // The texts not kept in columns of their own, as JSON, and back.
    QByteArray detailJson() const;
    bool readDetailJson(const QByteArray& json);
    // Every text and figure, for a load that waits to be stored.
    QJsonObject toJson() const;
    bool readJson(const QJsonObject& json);
};

// A decimal text as an integer of 10^-decimals units, rounded half away from
// zero; 0 for a text that is no number.
qint64 fixedPoint(const QString& text, int decimals);
// An integer of 10^-decimals units as text, e.g. (22590, 4) -> "2.2590".
QString fixedPointText(qint64 value, int decimals);
// Pieces may be fractional when a count was typed so; whole ones show no point.
QString piecesText(qint64 piecesE4);
