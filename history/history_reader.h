#pragma once

// What the history window and the tally's name completion read of a store:
// loads a filter selects, their totals, the report, the values typed before
// and one load whole. Every read gives its value or its failure; none
// throws. The SQLite and the PostgreSQL store both implement it.

#include "history/load_columns.h"
#include "history/load_query.h"
#include "history/load_record.h"
#include "support/failure_text.h"

#include <QStringList>
#include <QVariant>
#include <QVector>
#include <array>
#include <memory>
#include <optional>

// One load as the history window lists and exports it: the stored values
// of the listed columns, in listedLoadColumns() order (texts at most
// storedTextLength long), and its id.
struct ListedLoad {
    qint64 id = 0;
    std::array<QVariant, listedColumnCount> values;
    const QVariant& value(LoadColumn column) const { return values[listedIndex(column)]; }
};

// The loads of one listing, read on as the window scrolls.
class LoadCursor {
public:
    virtual ~LoadCursor() = default;
    // Up to `count` more loads; fewer once the listing is at its end.
    virtual Result<QVector<ListedLoad>> next(int count) = 0;
};

class HistoryReader {
public:
    virtual ~HistoryReader() = default;

    // The file or the server, for messages and the log.
    virtual QString location() const = 0;
    // The loads the filter selects, sorted by the column and then by id.
    virtual Result<std::unique_ptr<LoadCursor>> listLoads(
        const LoadFilter& filter, LoadColumn sortBy, Qt::SortOrder order)
        = 0;
    // Per kind: a kind with no load has zero totals. Fails as OutOfRange
    // when a sum leaves the 64-bit range.
    virtual Result<KindTotals> totals(const LoadFilter& filter) = 0;
    // Stock in and stock out of the filter's period (and station), grouped;
    // OutOfRange as the totals.
    virtual Result<QVector<ReportRow>> stockReport(
        const LoadFilter& filter, ReportGrouping grouping)
        = 0;
    // The species and the stations recorded, in order, for the filter boxes
    // (bounded as the names offered).
    virtual Result<QStringList> recordedSpecies() = 0;
    virtual Result<QStringList> recordedStations() = 0;
    // The distinct non-empty values of one text column among the most
    // recent loads, newest first: what the clerk typed before. At most
    // listedNames of them, none longer than listedNameLength.
    virtual Result<QStringList> recentValues(LoadColumn column) = 0;
    // No load when there is none of that id; a load whose stored texts do
    // not read, or whose detail is longer than detailLength, fails as
    // DamagedLoad. Its texts are at most storedTextLength long.
    virtual Result<std::optional<LoadRecord>> loadById(qint64 id) = 0;
};
