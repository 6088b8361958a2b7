#pragma once

// One load as the history keeps it: the tally the window showed when it was
// posted or its bill exported, plus what recording adds: its kind, time,
// bill number, station and the exact totals the history sums.

#include "tally/tally.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

enum class LoadKind { StockIn = 1, StockOut = 2, Bill = 3 };

// "入库", "出库", "账单"
QString loadKindText(LoadKind kind);

struct LoadRecord {
    qint64 id = 0; // given by the store
    QString station; // the scaling station that recorded it; empty on one machine
    qint64 stationNumber = 0; // its number at that station
    QDateTime recordedAt;
    LoadKind kind = LoadKind::StockIn;
    QString billNumber; // bills only: "YYYY-MM-DD-NNN"
    Tally tally;

    bool operator==(const LoadRecord& other) const;

    // The totals the history sums, exact: pieces and m³ in ten-thousandths,
    // yuan in fen. A text that is no number counts as 0.
    qint64 piecesE4() const;
    qint64 volumeE4() const;
    qint64 amountFen() const;

    // The texts not kept in columns of their own (species, the caption
    // values and the scaler are), as JSON, and back over those columns.
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
