#pragma once

// What the history window asks of a store, as values: the filter of the
// loads shown, their totals, the report per species, day or month, and the
// columns of the loads table.

#include "history/load_record.h"

#include <QDate>
#include <QString>
#include <QVector>
#include <array>
#include <optional>

// How much of a stored text is recorded and read back: what a field holds
// (QLineEdit's own maximum), so nothing the tally window recorded is ever
// cut. A longer text can only come from a database edited by hand.
constexpr int storedTextLength = 32767;
// The longest text a field of the tally holds, a station's name, and the
// largest detail: what a yard server takes (history/schema/server/6.sql
// holds a server to the same), so a clerk's text is never refused there.
constexpr int fieldTextLength = 80;
constexpr int stationNameLength = 80;
constexpr int detailBytes = 128 * 1024;
// The names offered to a field or listed in a filter box: at most this
// many, of at most this length. A longer name is left out, not cut.
constexpr int listedNames = 1000;
constexpr int listedNameLength = 100;
// A load's detail (every other text of its tally, as JSON) is read up to
// this length; a longer one reads as a damaged load.
constexpr int detailLength = 4 * 1024 * 1024;

struct LoadFilter {
    QDate from, to; // inclusive; a null date leaves that end open
    int kind = 0; // a LoadKind, or 0 for every kind
    QString species; // empty: every species
    QString text; // found in buyer, supplier, truck or contact; empty: any
    QString station; // empty: every station

    // From the first of this month to its last day.
    static LoadFilter thisMonth(const QDate& today);
};

struct LoadTotals {
    qint64 loads = 0;
    TenThousandths pieces;
    TenThousandths volume;
    Fen amount;
    bool operator==(const LoadTotals& other) const
    {
        return loads == other.loads && pieces == other.pieces && volume == other.volume
            && amount == other.amount;
    }
};

// The totals of the loads a filter selects, kind by kind: a load billed,
// stocked in and stocked out is one truck, and a sum over the kinds would
// count it three times.
struct KindTotals {
    std::array<LoadTotals, 3> kinds; // in LoadKind order
    LoadTotals& of(LoadKind kind) { return kinds[std::size_t(kind) - 1]; }
    const LoadTotals& of(LoadKind kind) const { return kinds[std::size_t(kind) - 1]; }
    bool operator==(const KindTotals& other) const { return kinds == other.kinds; }
};
inline constexpr std::array<LoadKind, 3> loadKinds { LoadKind::StockIn, LoadKind::StockOut,
    LoadKind::Bill };

// The columns of the loads table, described in loadColumnTable
// (load_columns.h). Named in the order the history window lists them.
enum class LoadColumn {
    RecordedAt,
    Kind,
    BillNumber,
    Species,
    Buyer,
    Supplier,
    Truck,
    Pieces,
    Volume,
    Amount,
    Station,
    Contact,
    Scaler,
    Id,
    Day,
    Detail,
    StationNumber,
};

struct ReportRow {
    QString key; // the species, the day "YYYY-MM-DD" or the month "YYYY-MM"
    TenThousandths piecesIn, volumeIn;
    Fen amountIn;
    TenThousandths piecesOut, volumeOut;
    Fen amountOut;
    // Nothing when the difference leaves the 64-bit range.
    std::optional<TenThousandths> netVolume() const { return volumeIn.minus(volumeOut); }
};
enum class ReportGrouping { BySpecies, ByDay, ByMonth };
