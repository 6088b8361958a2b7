#pragma once

// The loads a filter selects, for the history window's table: one row per
// load, read through the store's reading interface a page at a time as the
// view scrolls, sorted by the store.

#include "history/history_reader.h"

#include <QAbstractTableModel>
#include <memory>
#include <optional>

class LoadTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The columns shown, as loadColumnTable has them.
    static constexpr int shownColumns = shownColumnCount;

    // `reader` must outlive the model.
    explicit LoadTableModel(HistoryReader& reader, QObject* parent = nullptr);
    ~LoadTableModel() override;

    void setFilter(const LoadFilter& filter);
    const LoadFilter& filter() const { return m_filter; }
    // Reads the rows again, after a load was recorded.
    void refresh();
    // True when the last read failed, with its failure.
    bool failed() const { return m_failure.has_value(); }
    const std::optional<Failure>& failure() const { return m_failure; }

    qint64 loadId(int row) const;
    // Every load the filter selects, fetched, with the columns the table
    // does not show: for export.
    const QVector<ListedLoad>& allLoads();
    static QStringList headings();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // Rows read at a time.
    static constexpr int pageRows = 256;
    // The most of a text a cell shows; exports take it whole.
    static constexpr int shownTextLength = 256;

signals:
    void readFailed(const Failure& error);

private:
    QString shownText(int row, int column) const;
    QVector<ListedLoad> nextPage();

    HistoryReader& m_reader;
    LoadFilter m_filter;
    LoadColumn m_sortBy = LoadColumn::RecordedAt;
    Qt::SortOrder m_order = Qt::DescendingOrder;
    std::unique_ptr<LoadCursor> m_cursor; // null once every row is read
    QVector<ListedLoad> m_rows;
    std::optional<Failure> m_failure;
};
