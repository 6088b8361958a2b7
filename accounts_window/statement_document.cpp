#include "accounts_window/statement_document.h"

#include "field_text/fixed_point.h"
#include "history/load_record.h"
#include "records/table_workbook.h"

namespace {

enum StatementColumn {
    Day,
    Number,
    Truck,
    Species,
    Pieces,
    Volume,
    Summary,
    Effect,
    Balance,
    Columns
};

// A sum that leaves the 64-bit range has no value.
class Sum {
public:
    void add(qint64 value)
    {
        m_inRange = m_inRange && !__builtin_add_overflow(m_value, value, &m_value);
    }
    QString text(QString (*format)(qint64)) const
    {
        return m_inRange ? format(m_value) : QStringLiteral("超出范围");
    }

private:
    qint64 m_value = 0;
    bool m_inRange = true;
};

// The figures of a statement, as a sum prints them.
QString piecesFigure(qint64 piecesE4)
{
    return TenThousandths::fromUnits(piecesE4).shortText();
}

QString volumeFigure(qint64 volumeE4)
{
    return TenThousandths::fromUnits(volumeE4).text();
}

QString amountFigure(qint64 fen)
{
    return Fen::fromUnits(fen).text();
}

QString dayText(const QDate& day)
{
    return day.isValid() ? day.toString(Qt::ISODate) : QString();
}

// 入库, 出库, or the payment's direction and way, a reversal marked 冲销.
QString summaryText(const AccountEntry& entry)
{
    switch (entry.kind) {
    case AccountEntryKind::StockIn:
        return loadKindText(LoadKind::StockIn);
    case AccountEntryKind::StockOut:
        return loadKindText(LoadKind::StockOut);
    case AccountEntryKind::Payment:
        break;
    }
    const Payment& payment = entry.payment;
    QString text = paymentDirectionText(payment.direction);
    if (!payment.way.trimmed().isEmpty())
        text += u' ' + payment.way.trimmed();
    // The payment it cancels, by the number the statement shows it under.
    if (payment.isReversal())
        text += QStringLiteral(" 冲销 ")
            + accountLoadNumber(payment.reversesStation, payment.reversesNumber);
    return text;
}

} // namespace

QString statementNumberText(const AccountEntry& entry)
{
    if (entry.kind != AccountEntryKind::Payment)
        return entry.billNumber.isEmpty() ? entry.number : entry.billNumber;
    const Payment& payment = entry.payment;
    const QString kind
        = payment.isReversal() ? QStringLiteral("冲销") : paymentDirectionText(payment.direction);
    return kind + u' ' + accountLoadNumber(payment.station, payment.stationNumber);
}

namespace {

QStringList entryRow(const AccountEntry& entry)
{
    QStringList row(Columns);
    row[Day] = dayText(entry.day);
    row[Number] = statementNumberText(entry);
    if (entry.kind != AccountEntryKind::Payment) {
        row[Truck] = entry.truck;
        row[Species] = entry.species;
        row[Pieces] = piecesFigure(entry.piecesE4);
        row[Volume] = volumeFigure(entry.volumeE4);
    }
    row[Summary] = summaryText(entry);
    row[Effect] = amountFigure(entry.effectFen);
    row[Balance] = amountFigure(entry.balanceFen);
    return row;
}

QStringList balanceRow(const QDate& day, const QString& label, qint64 balanceFen)
{
    QStringList row(Columns);
    row[Day] = dayText(day);
    row[Summary] = label;
    row[Balance] = amountFigure(balanceFen);
    return row;
}

// The period's sums: the 本期合计 row and the four amounts below the table.
void addPeriodSums(const PartnerStatement& statement, StatementRows& out)
{
    Sum pieces, volume, effect, sold, supplied, received, paid;
    for (const AccountEntry& entry : statement.entries) {
        effect.add(entry.effectFen);
        if (entry.kind == AccountEntryKind::Payment) {
            (entry.payment.direction == PaymentDirection::Paid ? paid : received)
                .add(entry.amountFen);
            continue;
        }
        pieces.add(entry.piecesE4);
        volume.add(entry.volumeE4);
        (entry.kind == AccountEntryKind::StockOut ? sold : supplied).add(entry.amountFen);
    }
    QStringList total(Columns);
    total[Pieces] = pieces.text(piecesFigure);
    total[Volume] = volume.text(volumeFigure);
    total[Summary] = QStringLiteral("本期合计");
    total[Effect] = effect.text(amountFigure);
    out.rows << total;
    out.sums = { { QStringLiteral("本期出库金额"), sold.text(amountFigure) },
        { QStringLiteral("本期入库金额"), supplied.text(amountFigure) },
        { QStringLiteral("本期收款"), received.text(amountFigure) },
        { QStringLiteral("本期付款"), paid.text(amountFigure) } };
}

} // namespace

QString statementPeriodText(const AccountPeriod& period)
{
    const QString from = dayText(period.from);
    const QString to = dayText(period.to);
    if (from.isEmpty() && to.isEmpty())
        return QStringLiteral("全部");
    if (to.isEmpty())
        return QStringLiteral("%1 起").arg(from);
    if (from.isEmpty())
        return QStringLiteral("至 %1").arg(to);
    return QStringLiteral("%1 至 %2").arg(from, to);
}

StatementRows statementRows(const StatementPage& page)
{
    const PartnerStatement& statement = page.statement;
    StatementRows out;
    const QString yard = page.yard.trimmed();
    out.title = yard.isEmpty() ? QStringLiteral("对账单") : yard + QStringLiteral(" 对账单");
    out.partnerLine = QStringLiteral("对方：") + statement.partner;
    QStringList joined = statement.names;
    joined.removeAll(statement.partner);
    if (!joined.isEmpty())
        out.namesLine = QStringLiteral("含：") + joined.join(QStringLiteral("、"));
    out.periodLine = QStringLiteral("期间：") + statementPeriodText(statement.period);
    out.printedLine = QStringLiteral("打印日期：") + dayText(page.printedOn);
    out.headings = { QStringLiteral("日期"), QStringLiteral("编号"), QStringLiteral("车号"),
        QStringLiteral("树种"), QStringLiteral("件数"), QStringLiteral("材积(m³)"),
        QStringLiteral("摘要"), QStringLiteral("金额(元)"), QStringLiteral("余额(元)") };
    out.rows << balanceRow(statement.period.from, QStringLiteral("期初余额"), statement.openingFen);
    for (const AccountEntry& entry : statement.entries)
        out.rows << entryRow(entry);
    addPeriodSums(statement, out);
    out.rows << balanceRow(statement.period.to, QStringLiteral("期末余额"), statement.closingFen);
    out.signNote = QStringLiteral("金额为该笔对余额的影响；余额为正：对方欠本场；为负：本场欠对方");
    return out;
}

TableSheet statementTable(const StatementPage& page)
{
    const StatementRows rows = statementRows(page);
    TableSheet table;
    for (const QString& line :
        { rows.title, rows.partnerLine, rows.namesLine, rows.periodLine, rows.printedLine })
        if (!line.isEmpty())
            table.titleLines << line;
    table.headings = rows.headings;
    table.rows = rows.rows;
    table.footRows = rows.sums;
    table.footRows << QStringList { rows.signNote };
    return table;
}

void writeStatementWorkbook(Spreadsheet& app, const QString& path, const StatementPage& page)
{
    writeTableWorkbook(app, QStringLiteral("statement export"), path, statementTable(page));
}
