#pragma once

// A load's columns, described once: each column's name in SQL, its heading,
// how its value reads, its share of the history window's width, and whether
// it is exported, searched or offered while typing. The window's table, the
// exports, the filters, the store's reads and the names offered all read
// this table; a new column is a row here, a step of the schema and the
// tally's field it comes from.

#include "history/load_query.h"
#include "history/load_record.h"

#include <QStringView>
#include <QVariant>
#include <QVector>
#include <array>

// How a column's stored value reads.
enum class ColumnText {
    Text,
    Time, // "yyyy-MM-dd HH:mm" in the window; its day and time of day in the exports
    Kind, // a LoadKind: "入库"
    Pieces, // ten-thousandths of a piece: "12", "1.5"
    Volume, // ten-thousandths of m³: "2.2590"
    Amount, // fen: "123.45"
    Number, // a whole number shown as it is
    Json, // the detail: never shown
};

struct LoadColumnSpec {
    LoadColumn column;
    const char* sql;
    QStringView heading; // empty: never shown nor exported
    ColumnText text;
    // The widest value a yard has: with the heading, the column's natural
    // width, which sets its share of the window's. Empty: not in the window.
    QStringView widest;
    bool exported;
    bool searched; // by the text filter above the loads
    bool offered; // its names offered while typing in the tally

    constexpr bool shown() const { return !widest.isEmpty(); }
    // Listed loads carry the columns shown or exported.
    constexpr bool listed() const { return shown() || exported; }
    // The program's own figures: right-aligned, numbers in an export.
    constexpr bool figure() const
    {
        return text == ColumnText::Pieces || text == ColumnText::Volume
            || text == ColumnText::Amount;
    }
    // Read whole; a text is read at most as long as a field holds.
    constexpr bool number() const
    {
        return figure() || text == ColumnText::Kind || text == ColumnText::Number;
    }
};

// In the order of the exports; the window shows the shown ones in this order.
inline constexpr std::array<LoadColumnSpec, 17> loadColumnTable { {
    // clang-format off
    //  column                   sql               heading        text                 widest                     exported searched offered
    { LoadColumn::RecordedAt,    "recorded_at",    u"日期",       ColumnText::Time,    u"2026-12-31 23:59",       true,  false, false },
    { LoadColumn::Kind,          "kind",           u"类别",       ColumnText::Kind,    u"入库",                   true,  false, false },
    { LoadColumn::BillNumber,    "bill_number",    u"账单编号",   ColumnText::Text,    u"2026-12-31-999",         true,  false, false },
    { LoadColumn::Species,       "species",        u"树种",       ColumnText::Text,    u"落叶松木",               true,  false, false },
    { LoadColumn::Buyer,         "buyer",          u"购货单位",   ColumnText::Text,    u"某某县木材有限公司",     true,  true,  true  },
    { LoadColumn::Supplier,      "supplier",       u"供货单位",   ColumnText::Text,    u"某某县木材有限公司",     true,  true,  true  },
    { LoadColumn::Truck,         "truck",          u"车号",       ColumnText::Text,    u"闽A12345",               true,  true,  true  },
    { LoadColumn::Contact,       "contact",        u"联系人",     ColumnText::Text,    u"",                       true,  true,  true  },
    { LoadColumn::Scaler,        "scaler",         u"检尺员",     ColumnText::Text,    u"",                       true,  false, true  },
    { LoadColumn::Pieces,        "pieces_e4",      u"件数",       ColumnText::Pieces,  u"99999",                  true,  false, false },
    { LoadColumn::Volume,        "volume_e4",      u"材积(m³)",   ColumnText::Volume,  u"99999.9999",             true,  false, false },
    { LoadColumn::Amount,        "amount_fen",     u"金额(元)",   ColumnText::Amount,  u"9999999.99",             true,  false, false },
    { LoadColumn::Station,       "station",        u"检尺站",     ColumnText::Text,    u"第一检尺站",             true,  false, false },
    { LoadColumn::Id,            "id",             u"",           ColumnText::Number,  u"",                       false, false, false },
    { LoadColumn::Day,           "day",            u"",           ColumnText::Text,    u"",                       false, false, false },
    { LoadColumn::Detail,        "detail",         u"",           ColumnText::Json,    u"",                       false, false, false },
    { LoadColumn::StationNumber, "station_number", u"",           ColumnText::Number,  u"",                       false, false, false },
    // clang-format on
} };

const LoadColumnSpec& loadColumnSpec(LoadColumn column);
// Its name in the table, e.g. "pieces_e4".
QString loadColumnSql(LoadColumn column);
// The columns the window shows, in its order: a column's index there is its
// place in this list.
const QVector<LoadColumn>& shownLoadColumns();
inline constexpr int shownColumnCount = [] {
    int count = 0;
    for (const LoadColumnSpec& spec : loadColumnTable)
        count += spec.shown() ? 1 : 0;
    return count;
}();
int shownIndex(LoadColumn column);
// The columns a listed load carries: those shown, in their order, then the
// others exported.
const QVector<LoadColumn>& listedLoadColumns();
inline constexpr int listedColumnCount = [] {
    int count = 0;
    for (const LoadColumnSpec& spec : loadColumnTable)
        count += spec.listed() ? 1 : 0;
    return count;
}();
int listedIndex(LoadColumn column);
// The columns the text filter searches, and those whose names are offered.
QVector<LoadColumn> searchedLoadColumns();
QVector<LoadColumn> offeredLoadColumns();
// A stored value as the window shows it.
QString columnText(LoadColumn column, const QVariant& value);

// Every column but the id, in the order written.
const QVector<LoadColumn>& storedColumns();
// "recorded_at, day, ..." for the columns given.
QString columnListSql(const QVector<LoadColumn>& columns);
// The same columns as a read takes them: every text at most storedTextLength
// long, the detail one past detailLength (so a longer one shows).
QString boundedColumnListSql(const QVector<LoadColumn>& columns);

QVariant storedValue(const LoadRecord& load, LoadColumn column);
// False when the stored text does not read (the time, the detail).
bool readStoredValue(LoadRecord& load, LoadColumn column, const QVariant& value);
