#pragma once

// One load as the history keeps it: the tally the window showed when it was
// posted or its bill exported, plus what recording adds: its kind, time,
// bill number, station and the exact totals the history sums.

#include "field_text/fixed_point.h"
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
    // yuan in fen, read as figures of the tally. A text that is no number
    // (溢出 too) counts as 0.
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
