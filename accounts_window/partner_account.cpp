#include "accounts_window/partner_account.h"

#include "accounts_window/account_commands.h"
#include "accounts_window/money_text.h"
#include "accounts_window/statement_document.h"
#include "accounts_window/yard_name.h"
#include "field_text/fixed_point.h"
#include "history/history_store.h"
#include "history/load_record.h"
#include "records/workbook.h"
#include "records/workbook_pass.h"
#include "support/event_log.h"
#include "support/export_files.h"
#include "support/failure_text.h"
#include "support/push_button.h"
#include "support/window_keys.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QStringList headings { QStringLiteral("日期"), QStringLiteral("摘要"), QStringLiteral("编号"),
    QStringLiteral("车号"), QStringLiteral("树种"), QStringLiteral("件数"),
    QStringLiteral("材积(m³)"), QStringLiteral("金额"), QStringLiteral("方式"),
    QStringLiteral("备注"), QStringLiteral("余额") };
enum Column { Day, Summary, Number, Truck, Species, Pieces, Volume, Amount, Way, Note, Balance };

QString summaryText(const AccountEntry& entry)
{
    switch (entry.kind) {
    case AccountEntryKind::StockIn:
        return QStringLiteral("入库");
    case AccountEntryKind::StockOut:
        return QStringLiteral("出库");
    case AccountEntryKind::Payment:
        break;
    }
    const QString direction = paymentDirectionText(entry.payment.direction);
    return entry.payment.isReversal() ? direction + QStringLiteral("冲销") : direction;
}

QTableWidgetItem* cell(const QString& text, bool number = false)
{
    auto* item = new QTableWidgetItem(text);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QString periodText(const AccountPeriod& period)
{
    return QStringLiteral("%1 至 %2")
        .arg(period.from.toString(Qt::ISODate), period.to.toString(Qt::ISODate));
}

} // namespace

PartnerAccount::PartnerAccount(
    AccountsContext& context, QString partner, AccountPeriod period, QWidget* parent)
    : QDialog(parent)
    , m_context(context)
    , m_partner(std::move(partner))
    , m_period(period)
{
    setObjectName(QStringLiteral("PartnerAccount"));
    setWindowTitle(QStringLiteral("往来明细 - %1").arg(plainName(m_partner)));
    m_table = new QTableWidget(0, headings.size());
    m_table->setObjectName(QStringLiteral("EntriesTable"));
    m_table->setHorizontalHeaderLabels(headings);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &PartnerAccount::updateButtons);
    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("AccountSummary"));
    m_summary->setWordWrap(true);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("AccountStatus"));
    m_status->setWordWrap(true);
    m_excel = new BackgroundPass(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("期间 %1").arg(periodText(m_period))));
    layout->addWidget(m_table, 1);
    layout->addWidget(m_summary);
    layout->addWidget(m_status);
    layout->addLayout(buildButtons());
    addCloseKeys(this);
    resize(1000, 560);
    refresh();
}

PartnerAccount::~PartnerAccount()
{
    // The office's copy finishes before the window it reports to goes.
    m_excel->waitForFinished();
}

QLayout* PartnerAccount::buildButtons()
{
    QPushButton* record = namedButton(QStringLiteral("记收付款…"), QStringLiteral("RecordPayment"));
    m_reverse = namedButton(QStringLiteral("冲销所选收付款"), QStringLiteral("ReversePayment"));
    m_preview = namedButton(QStringLiteral("预览对账单"), QStringLiteral("PreviewStatement"));
    m_savePdf = namedButton(QStringLiteral("保存为PDF…"), QStringLiteral("SavePdf"));
    m_saveExcel = namedButton(QStringLiteral("保存为Excel…"), QStringLiteral("SaveExcel"));
    QPushButton* close = namedButton(QStringLiteral("关闭"), QStringLiteral("Close"));
    record->setEnabled(m_context.recorder != nullptr);
    connect(record, &QPushButton::clicked, this, &PartnerAccount::onRecordPaymentClicked);
    connect(m_reverse, &QPushButton::clicked, this, &PartnerAccount::onReverseClicked);
    connect(m_preview, &QPushButton::clicked, this, &PartnerAccount::onPreviewClicked);
    connect(m_savePdf, &QPushButton::clicked, this, &PartnerAccount::onSavePdfClicked);
    connect(m_saveExcel, &QPushButton::clicked, this, &PartnerAccount::onSaveExcelClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    m_preview->setDefault(true);

    auto* row = new QHBoxLayout;
    for (QPushButton* each : { record, m_reverse, m_preview, m_savePdf, m_saveExcel })
        row->addWidget(each);
    row->addStretch(1);
    row->addWidget(close);
    return row;
}

void PartnerAccount::say(const QString& text, bool trouble)
{
    m_status->setStyleSheet(trouble ? QStringLiteral("color: #b00000") : QString());
    m_status->setText(text);
}

void PartnerAccount::refresh()
{
    Result<PartnerStatement> read = m_context.reader->partnerStatement(m_partner, m_period);
    if (!read) {
        logEvent(QStringLiteral("account of %1 not read: %2 %3")
                     .arg(m_partner, read.error().path(), read.error().detail()));
        m_statement.reset();
        m_table->setRowCount(0);
        m_summary->clear();
        say(historyFailureMessage(read.error(), QStringLiteral("往来明细")), true);
        updateButtons();
        return;
    }
    m_statement = std::move(read).value();
    fillTable(*m_statement);
    updateButtons();
}

void PartnerAccount::fillTable(const PartnerStatement& statement)
{
    m_table->setRowCount(0);
    m_table->setRowCount(int(statement.entries.size()) + 1);
    m_table->setItem(0, Summary, cell(QStringLiteral("期初余额")));
    m_table->setItem(0, Balance, cell(statement.opening.text(), true));
    int row = 1;
    for (const AccountEntry& entry : statement.entries) {
        const bool load = entry.kind != AccountEntryKind::Payment;
        m_table->setItem(row, Day, cell(entry.day.toString(Qt::ISODate)));
        m_table->setItem(row, Summary, cell(summaryText(entry)));
        m_table->setItem(row, Number, cell(statementNumberText(entry)));
        if (load) {
            m_table->setItem(row, Truck, cell(entry.truck));
            m_table->setItem(row, Species, cell(entry.species));
            m_table->setItem(row, Pieces, cell(entry.pieces.shortText(), true));
            m_table->setItem(row, Volume, cell(entry.volume.text(), true));
        } else {
            m_table->setItem(row, Way, cell(entry.payment.way));
            m_table->setItem(row, Note, cell(entry.payment.note));
        }
        m_table->setItem(row, Amount, cell(entry.amount.text(), true));
        m_table->setItem(row, Balance, cell(entry.balance.text(), true));
        ++row;
    }
    m_table->resizeColumnsToContents();
    // The note takes the room left; the figures keep their width.
    m_table->horizontalHeader()->setSectionResizeMode(Note, QHeaderView::Stretch);
    const QString names = statement.names.size() > 1
        ? QStringLiteral("（含%1）").arg(statement.names.mid(1).join(QStringLiteral("、")))
        : QString();
    m_summary->setText(
        QStringLiteral(
            "%1%2：期初余额 %3 元，期末余额 %4 元（为正：对方欠本场；为负：本场欠对方）。")
            .arg(shownName(m_partner), names, statement.opening.text(), statement.closing.text()));
}

std::optional<Payment> PartnerAccount::selectedPayment() const
{
    const QList<QTableWidgetItem*> selected = m_table->selectedItems();
    if (!m_statement || selected.isEmpty())
        return std::nullopt;
    const int row = selected.first()->row();
    if (row < 1 || row > m_statement->entries.size())
        return std::nullopt;
    const AccountEntry& entry = m_statement->entries[row - 1];
    if (entry.kind != AccountEntryKind::Payment)
        return std::nullopt;
    return entry.payment;
}

bool PartnerAccount::isReversed(const Payment& payment) const
{
    for (const AccountEntry& entry : m_statement->entries)
        if (entry.kind == AccountEntryKind::Payment && entry.payment.isReversal()
            && entry.payment.reversesStation == payment.station
            && entry.payment.reversesNumber == payment.stationNumber)
            return true;
    return false;
}

void PartnerAccount::updateButtons()
{
    const std::optional<Payment> payment = selectedPayment();
    m_reverse->setEnabled(
        m_context.recorder && payment && !payment->isReversal() && !isReversed(*payment));
    const bool read = m_statement.has_value();
    const bool exporting = m_excel->isRunning();
    m_preview->setEnabled(read && m_context.showDocument);
    m_savePdf->setEnabled(read);
    m_saveExcel->setEnabled(read && m_context.spreadsheet && !exporting);
}

void PartnerAccount::onRecordPaymentClicked()
{
    if (recordPayment(m_context, { m_partner }, m_partner, this))
        refresh();
}

void PartnerAccount::onReverseClicked()
{
    const std::optional<Payment> payment = selectedPayment();
    if (payment && reversePayment(m_context, *payment, this)) {
        refresh();
        say(QStringLiteral("已冲销。"), false);
    }
}

QString PartnerAccount::documentName(const QString& suffix) const
{
    return fileNameText(
        QStringLiteral("对账单 %1 %2.%3").arg(plainName(m_partner), periodText(m_period), suffix));
}

void PartnerAccount::onPreviewClicked()
{
    if (!m_statement)
        return;
    if (m_context.statementFolder.isEmpty()) {
        say(QStringLiteral("对账单无法显示：临时文件夹无法建立。"), true);
        return;
    }
    const QString path
        = QDir(m_context.statementFolder).filePath(documentName(QStringLiteral("pdf")));
    const Done written = writeWholeFile(path,
        statementPdfBytes({ *m_statement, yardName(m_context.settingsFile), m_context.today() }));
    if (!written) {
        say(QStringLiteral("对账单无法显示：") + fileFailureMessage(written.error()), true);
        return;
    }
    if (!m_context.showDocument(path, QStringLiteral("对账单 - %1").arg(plainName(m_partner))))
        say(QStringLiteral("对账单无法显示。"), true);
}

void PartnerAccount::onSavePdfClicked()
{
    if (!m_statement)
        return;
    const QString path = m_context.askSavePath(QStringLiteral("保存对账单"),
        documentName(QStringLiteral("pdf")), QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    const Done written = writeWholeFile(path,
        statementPdfBytes({ *m_statement, yardName(m_context.settingsFile), m_context.today() }));
    if (written)
        say(QStringLiteral("已保存到“%1”。").arg(path), false);
    else
        say(QStringLiteral("没有保存：") + fileFailureMessage(written.error()), true);
}

void PartnerAccount::onSaveExcelClicked()
{
    if (!m_statement || m_excel->isRunning())
        return;
    const QString path = m_context.askSavePath(QStringLiteral("保存对账单"),
        documentName(QStringLiteral("xls")), QStringLiteral("Excel 97 工作簿 (*.xls)"));
    if (path.isEmpty())
        return;
    const StatementPage page { *m_statement, yardName(m_context.settingsFile), m_context.today() };
    Spreadsheet& spreadsheet = *m_context.spreadsheet;
    const TableSheet table = statementTable(page);
    m_excel->start(
        QStringLiteral("statement export"), path,
        [&spreadsheet, path, table](
            WorkbookPass&) { storeTableWorkbook(spreadsheet, path, table); },
        [this, path](const PassOutcome& outcome) { onExcelFinished(path, outcome); });
    say(QStringLiteral("正在保存为Excel…"), false);
    updateButtons();
}

void PartnerAccount::onExcelFinished(const QString& path, const PassOutcome& outcome)
{
    if (!outcome.failure)
        say(QStringLiteral("已保存到“%1”。").arg(path), false);
    else
        say(QStringLiteral("没有保存：") + failureMessage(*outcome.failure), true);
    updateButtons();
}
