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
template <typename Figure> class Sum {
public:
    void add(Figure value) { m_sum = m_sum ? m_sum->plus(value) : std::nullopt; }
    QString text(bool shortForm = false) const { return sumText(m_sum, shortForm); }

private:
    std::optional<Figure> m_sum = Figure();
};

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
        row[Pieces] = entry.pieces.shortText();
        row[Volume] = entry.volume.text();
    }
    row[Summary] = summaryText(entry);
    row[Effect] = entry.effect.text();
    row[Balance] = entry.balance.text();
    return row;
}

QStringList balanceRow(const QDate& day, const QString& label, Fen balance)
{
    QStringList row(Columns);
    row[Day] = dayText(day);
    row[Summary] = label;
    row[Balance] = balance.text();
    return row;
}

// The period's sums: the 本期合计 row and the four amounts below the table.
void addPeriodSums(const PartnerStatement& statement, StatementRows& out)
{
    Sum<TenThousandths> pieces, volume;
    Sum<Fen> effect, sold, supplied, received, paid;
    for (const AccountEntry& entry : statement.entries) {
        effect.add(entry.effect);
        if (entry.kind == AccountEntryKind::Payment) {
            (entry.payment.direction == PaymentDirection::Paid ? paid : received).add(entry.amount);
            continue;
        }
        pieces.add(entry.pieces);
        volume.add(entry.volume);
        (entry.kind == AccountEntryKind::StockOut ? sold : supplied).add(entry.amount);
    }
    QStringList total(Columns);
    total[Pieces] = pieces.text(true);
    total[Volume] = volume.text();
    total[Summary] = QStringLiteral("本期合计");
    total[Effect] = effect.text();
    out.rows << total;
    out.sums = { { QStringLiteral("本期出库金额"), sold.text() },
        { QStringLiteral("本期入库金额"), supplied.text() },
        { QStringLiteral("本期收款"), received.text() },
        { QStringLiteral("本期付款"), paid.text() } };
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
    out.rows << balanceRow(statement.period.from, QStringLiteral("期初余额"), statement.opening);
    for (const AccountEntry& entry : statement.entries)
        out.rows << entryRow(entry);
    addPeriodSums(statement, out);
    out.rows << balanceRow(statement.period.to, QStringLiteral("期末余额"), statement.closing);
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
