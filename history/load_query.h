#pragma once

// What the history window asks of a store: the loads a filter selects, their
// totals, the report per species, day or month, and the values typed before.
// Plain SQL that the SQLite and the PostgreSQL store both understand, with
// bound values only.

#include "history/load_record.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVector>
#include <optional>

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
    qint64 piecesE4 = 0;
    qint64 volumeE4 = 0;
    qint64 amountFen = 0;
    bool operator==(const LoadTotals& other) const
    {
        return loads == other.loads && piecesE4 == other.piecesE4 && volumeE4 == other.volumeE4
            && amountFen == other.amountFen;
    }
};

// The WHERE clause of a filter ("" for none) and its values in order.
struct FilterClause {
    QString sql;
    QVariantList values;
};
FilterClause filterClause(const LoadFilter& filter);

// The columns of the loads table a query names; the first eleven in the
// order the history window shows them.
enum class LoadColumn { RecordedAt, Kind, BillNumber, Species, Buyer, Supplier, Truck, Pieces, Volume, Amount, Station, Contact, Scaler };
QString loadColumnSql(LoadColumn column);

// The loads table's rows for the history window, sorted and then by id.
// Scrollable, as a table model seeks back and forth in it.
QSqlQuery selectLoads(const QSqlDatabase& db, const LoadFilter& filter, LoadColumn sortBy, Qt::SortOrder order);

// A query that fails gives an empty result and sets `ok` false, and `error`
// to the driver's error; the caller says so.
LoadTotals loadTotals(const QSqlDatabase& db, const LoadFilter& filter, bool* ok = nullptr, QSqlError* error = nullptr);

struct ReportRow {
    QString key; // the species, the day "YYYY-MM-DD" or the month "YYYY-MM"
    qint64 piecesInE4 = 0, volumeInE4 = 0, amountInFen = 0;
    qint64 piecesOutE4 = 0, volumeOutE4 = 0, amountOutFen = 0;
    qint64 netVolumeE4() const { return volumeInE4 - volumeOutE4; }
};
enum class ReportGrouping { BySpecies, ByDay, ByMonth };
// Stock in and stock out of the filter's period (and station), grouped.
QVector<ReportRow> stockReport(const QSqlDatabase& db, const LoadFilter& filter, ReportGrouping grouping,
    bool* ok = nullptr, QSqlError* error = nullptr);

// The species recorded, in order, for the filter's species box.
QStringList recordedSpecies(const QSqlDatabase& db);
QStringList recordedStations(const QSqlDatabase& db);

// The distinct non-empty values of one text column among the most recent
// loads, newest first: what the clerk typed before.
QStringList recentValues(const QSqlDatabase& db, LoadColumn column, int loads = 5000);

// One load read whole, through any store's connection: no load when there
// is none of that id; `error` set when the query failed, `damaged` when its
// stored texts do not read.
struct LoadRead {
    std::optional<LoadRecord> load;
    QSqlError error;
    bool damaged = false;
};
LoadRead readLoad(const QSqlDatabase& db, qint64 id);
// The load a station recorded as its number `stationNumber`.
LoadRead readLoadByOrigin(const QSqlDatabase& db, const QString& station, qint64 stationNumber);
