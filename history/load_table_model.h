#pragma once

// The loads a filter selects, for the history window's table: one row per
// load, fetched from the store as the view scrolls, sorted by the store.

#include "history/load_query.h"

#include <QSqlQueryModel>

class LoadTableModel : public QSqlQueryModel {
    Q_OBJECT

public:
    // The columns, in the order shown; Id is kept hidden.
    enum Column { RecordedAt, Kind, BillNumber, Species, Buyer, Supplier, Truck, Pieces, Volume, Amount, Station, Id };

    explicit LoadTableModel(QSqlDatabase db, QObject* parent = nullptr);

    void setFilter(const LoadFilter& filter);
    const LoadFilter& filter() const { return m_filter; }
    // Reads the rows again, after a load was recorded.
    void refresh();
    // True when the last read failed.
    bool failed() const { return m_failed; }

    qint64 loadId(int row) const;
    // Every row the filter selects, fetched, as shown: for export.
    QVector<QStringList> allRowsAsShown();
    static QStringList headings();

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    void readFailed(const QString& driverText);

private:
    QString shownText(int row, int column) const;

    QSqlDatabase m_db;
    LoadFilter m_filter;
    LoadColumn m_sortBy = LoadColumn::RecordedAt;
    Qt::SortOrder m_order = Qt::DescendingOrder;
    bool m_failed = false;
};
