#include "history/load_columns.h"

#include <QDateTime>
#include <QStringList>

namespace {

// Every text column is NOT NULL: an empty field is stored as ''. No text is
// stored longer than a field holds.
QString notNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text.left(storedTextLength);
}

// The caption fields by their column.
int captionOf(LoadColumn column)
{
    switch (column) {
    case LoadColumn::Buyer:
        return Tally::Buyer;
    case LoadColumn::Truck:
        return Tally::Truck;
    case LoadColumn::Supplier:
        return Tally::Supplier;
    case LoadColumn::Contact:
        return Tally::Contact;
    default:
        return -1;
    }
}

} // namespace

const LoadColumnSpec& loadColumnSpec(LoadColumn column)
{
    for (const LoadColumnSpec& spec : loadColumnTable)
        if (spec.column == column)
            return spec;
    Q_UNREACHABLE();
}

QString loadColumnSql(LoadColumn column)
{
    return QLatin1String(loadColumnSpec(column).sql);
}

const QVector<LoadColumn>& shownLoadColumns()
{
    static const QVector<LoadColumn> columns = [] {
        QVector<LoadColumn> shown;
        for (const LoadColumnSpec& spec : loadColumnTable)
            if (spec.shown())
                shown << spec.column;
        return shown;
    }();
    return columns;
}

int shownIndex(LoadColumn column)
{
    return int(shownLoadColumns().indexOf(column));
}

const QVector<LoadColumn>& listedLoadColumns()
{
    static const QVector<LoadColumn> columns = [] {
        QVector<LoadColumn> listed = shownLoadColumns();
        for (const LoadColumnSpec& spec : loadColumnTable)
            if (spec.listed() && !spec.shown())
                listed << spec.column;
        return listed;
    }();
    return columns;
}

int listedIndex(LoadColumn column)
{
    return int(listedLoadColumns().indexOf(column));
}

QVector<LoadColumn> searchedLoadColumns()
{
    QVector<LoadColumn> searched;
    for (const LoadColumnSpec& spec : loadColumnTable)
        if (spec.searched)
            searched << spec.column;
    return searched;
}

QVector<LoadColumn> offeredLoadColumns()
{
    QVector<LoadColumn> offered;
    for (const LoadColumnSpec& spec : loadColumnTable)
        if (spec.offered)
            offered << spec.column;
    return offered;
}

QString columnText(LoadColumn column, const QVariant& value)
{
    switch (loadColumnSpec(column).text) {
    case ColumnText::Time:
        return QDateTime::fromString(value.toString(), Qt::ISODate)
            .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    case ColumnText::Kind:
        return loadKindText(LoadKind(value.toInt()));
    case ColumnText::Pieces:
        return TenThousandths::fromUnits(value.toLongLong()).shortText();
    case ColumnText::Volume:
        return TenThousandths::fromUnits(value.toLongLong()).text();
    case ColumnText::Amount:
        return Fen::fromUnits(value.toLongLong()).text();
    default:
        return value.toString();
    }
}

const QVector<LoadColumn>& storedColumns()
{
    // The id is the store's to give.
    static const QVector<LoadColumn> columns = [] {
        QVector<LoadColumn> stored;
        for (const LoadColumnSpec& spec : loadColumnTable)
            if (spec.column != LoadColumn::Id)
                stored << spec.column;
        return stored;
    }();
    return columns;
}

QString columnListSql(const QVector<LoadColumn>& columns)
{
    QStringList names;
    for (LoadColumn column : columns)
        names << loadColumnSql(column);
    return names.join(QStringLiteral(", "));
}

QString boundedColumnListSql(const QVector<LoadColumn>& columns)
{
    QStringList read;
    for (LoadColumn column : columns) {
        const QString name = loadColumnSql(column);
        if (loadColumnSpec(column).number())
            read << name;
        else if (column == LoadColumn::Detail)
            read << QStringLiteral("SUBSTR(%1, 1, %2)").arg(name).arg(detailLength + 1);
        else
            read << QStringLiteral("SUBSTR(%1, 1, %2)").arg(name).arg(storedTextLength);
    }
    return read.join(QStringLiteral(", "));
}

QVariant storedValue(const LoadRecord& load, LoadColumn column)
{
    if (const int caption = captionOf(column); caption >= 0)
        return notNull(load.tally.captions[caption].value);
    switch (column) {
    case LoadColumn::RecordedAt:
        return load.recordedAt.toString(Qt::ISODate);
    case LoadColumn::Day:
        return load.recordedAt.date().toString(Qt::ISODate);
    case LoadColumn::Kind:
        return int(load.kind);
    case LoadColumn::BillNumber:
        return notNull(load.billNumber);
    case LoadColumn::Species:
        return notNull(load.tally.species);
    case LoadColumn::Scaler:
        return notNull(load.tally.scaler);
    case LoadColumn::Pieces:
        return load.piecesE4();
    case LoadColumn::Volume:
        return load.volumeE4();
    case LoadColumn::Amount:
        return load.amountFen();
    case LoadColumn::Detail:
        return QString::fromUtf8(load.detailJson());
    case LoadColumn::Station:
        return notNull(load.station);
    case LoadColumn::StationNumber:
        return load.stationNumber;
    case LoadColumn::Id:
        return load.id;
    default:
        return {};
    }
}

bool readStoredValue(LoadRecord& load, LoadColumn column, const QVariant& value)
{
    if (const int caption = captionOf(column); caption >= 0) {
        load.tally.captions[caption].value = value.toString();
        return true;
    }
    switch (column) {
    case LoadColumn::RecordedAt:
        load.recordedAt = QDateTime::fromString(value.toString(), Qt::ISODate);
        return load.recordedAt.isValid();
    case LoadColumn::Kind:
        load.kind = LoadKind(value.toInt());
        return true;
    case LoadColumn::BillNumber:
        load.billNumber = value.toString();
        return true;
    case LoadColumn::Species:
        load.tally.species = value.toString();
        return true;
    case LoadColumn::Scaler:
        load.tally.scaler = value.toString();
        return true;
    case LoadColumn::Detail:
        return load.readDetailJson(value.toString().toUtf8());
    case LoadColumn::Station:
        load.station = value.toString();
        return true;
    case LoadColumn::StationNumber:
        load.stationNumber = value.toLongLong();
        return true;
    case LoadColumn::Id:
        load.id = value.toLongLong();
        return true;
    default:
        // The day and the sums follow from the texts.
        return true;
    }
}
