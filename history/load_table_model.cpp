#include "history/load_table_model.h"

#include "history/load_columns.h"

LoadTableModel::LoadTableModel(HistoryReader& reader, QObject* parent)
    : QAbstractTableModel(parent)
    , m_reader(reader)
{
}

LoadTableModel::~LoadTableModel() = default;

void LoadTableModel::setFilter(const LoadFilter& filter)
{
    m_filter = filter;
    refresh();
}

void LoadTableModel::refresh()
{
    beginResetModel();
    m_rows.clear();
    m_failure.reset();
    m_cursor.reset();
    Result<std::unique_ptr<LoadCursor>> listing = m_reader.listLoads(m_filter, m_sortBy, m_order);
    if (listing) {
        m_cursor = std::move(listing).value();
        m_rows = nextPage();
    } else {
        m_failure = listing.error();
    }
    endResetModel();
    if (m_failure)
        emit readFailed(*m_failure);
}

// Reads on; a failure ends the listing where it got to.
QVector<ListedLoad> LoadTableModel::nextPage()
{
    Result<QVector<ListedLoad>> page = m_cursor->next(pageRows);
    if (!page) {
        m_failure = page.error();
        m_cursor.reset();
        return {};
    }
    if (page->size() < pageRows)
        m_cursor.reset();
    return std::move(page).value();
}

bool LoadTableModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_cursor;
}

void LoadTableModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || !m_cursor)
        return;
    const QVector<ListedLoad> page = nextPage();
    if (!page.isEmpty()) {
        beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page.size()) - 1);
        m_rows += page;
        endInsertRows();
    }
    if (m_failure)
        emit readFailed(*m_failure);
}

void LoadTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= shownColumns)
        return;
    m_sortBy = shownLoadColumns().at(column);
    m_order = order;
    refresh();
}

int LoadTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int LoadTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownColumns;
}

qint64 LoadTableModel::loadId(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].id : 0;
}

QStringList LoadTableModel::headings()
{
    QStringList headings;
    for (LoadColumn column : shownLoadColumns())
        headings << loadColumnSpec(column).heading.toString();
    return headings;
}

// A listed load carries the shown columns first, in their order.
QString LoadTableModel::shownText(int row, int column) const
{
    return columnText(shownLoadColumns().at(column), m_rows[row].values[column]);
}

QVariant LoadTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= shownColumns)
        return {};
    // A cell shows the start of a long text (its column is narrower anyway):
    // laying out a whole field's worth at each paint would stall the view.
    if (role == Qt::DisplayRole)
        return shownText(index.row(), index.column()).left(shownTextLength);
    if (role == Qt::EditRole)
        return m_rows[index.row()].values[index.column()];
    if (role == Qt::TextAlignmentRole
        && loadColumnSpec(shownLoadColumns().at(index.column())).figure())
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant LoadTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < headings().size())
        return headings().at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

const QVector<ListedLoad>& LoadTableModel::allLoads()
{
    while (canFetchMore({}))
        fetchMore({});
    return m_rows;
}
