#include "history/load_table_model.h"

#include "history/load_record.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlRecord>

LoadTableModel::LoadTableModel(QSqlDatabase db, QObject* parent)
    : QSqlQueryModel(parent)
    , m_db(std::move(db))
{
}

void LoadTableModel::setFilter(const LoadFilter& filter)
{
    m_filter = filter;
    refresh();
}

void LoadTableModel::refresh()
{
    setQuery(selectLoads(m_db, m_filter, m_sortBy, m_order));
    m_failed = lastError().isValid();
    if (m_failed)
        emit readFailed(lastError().text());
}

void LoadTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < RecordedAt || column > Station)
        return;
    m_sortBy = LoadColumn(column);
    m_order = order;
    refresh();
}

qint64 LoadTableModel::loadId(int row) const
{
    return record(row).value(Id).toLongLong();
}

QStringList LoadTableModel::headings()
{
    return { QStringLiteral("日期"), QStringLiteral("类别"), QStringLiteral("账单编号"), QStringLiteral("树种"),
        QStringLiteral("购货单位"), QStringLiteral("供货单位"), QStringLiteral("车号"), QStringLiteral("件数"),
        QStringLiteral("材积(m³)"), QStringLiteral("金额(元)"), QStringLiteral("检尺站") };
}

QString LoadTableModel::shownText(int row, int column) const
{
    const QVariant value = record(row).value(column);
    switch (column) {
    case RecordedAt:
        return QDateTime::fromString(value.toString(), Qt::ISODate).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    case Kind:
        return loadKindText(LoadKind(value.toInt()));
    case Pieces:
        return piecesText(value.toLongLong());
    case Volume:
        return fixedPointText(value.toLongLong(), 4);
    case Amount:
        return fixedPointText(value.toLongLong(), 2);
    default:
        return value.toString();
    }
}

QVariant LoadTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return shownText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() >= Pieces && index.column() <= Amount)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return QSqlQueryModel::data(index, role);
}

QVariant LoadTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headings().size())
        return headings().at(section);
    return QSqlQueryModel::headerData(section, orientation, role);
}

QVector<QStringList> LoadTableModel::allRowsAsShown()
{
    while (canFetchMore())
        fetchMore();
    QVector<QStringList> rows;
    rows.reserve(rowCount());
    for (int row = 0; row < rowCount(); ++row) {
        QStringList texts;
        for (int column = RecordedAt; column <= Station; ++column)
            texts << shownText(row, column);
        rows << texts;
    }
    return rows;
}
