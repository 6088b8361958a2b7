#include "history_window/history.h"

#include "field_text/fixed_point.h"
#include "history/load_columns.h"
#include "history/load_table_model.h"
#include "history_window/export_dialog.h"
#include "history_window/report_tab.h"
#include "records/workbook_pass.h"
#include "support/event_log.h"
#include "support/window_keys.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QPushButton* button(const QString& name, const QString& text)
{
    auto* created = new QPushButton(text);
    created->setObjectName(name);
    return created;
}

} // namespace

QString totalsText(const LoadTotals& totals)
{
    return QStringLiteral("共 %1 车，件数 %2，材积 %3 m³，金额 %4 元")
        .arg(totals.loads)
        .arg(totals.pieces.shortText(), totals.volume.text(), totals.amount.text());
}

QString kindTotalsText(const KindTotals& totals, int kindFilter)
{
    if (kindFilter >= int(LoadKind::StockIn) && kindFilter <= int(LoadKind::Bill))
        return totalsText(totals.of(LoadKind(kindFilter)));
    QStringList lines;
    for (LoadKind kind : loadKinds)
        lines << loadKindText(kind) + QStringLiteral("：") + totalsText(totals.of(kind));
    return lines.join(u'\n');
}

History::History(
    HistoryReader& reader, Spreadsheet& spreadsheet, std::function<QDate()> today, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_reader(reader)
    , m_spreadsheet(spreadsheet)
    , m_today(today ? std::move(today) : [] { return QDate::currentDate(); })
{
    setObjectName(QStringLiteral("History"));
    setWindowTitle(QStringLiteral("历史记录"));
    m_askSavePath = [this](const QString& caption, const QString& name, const QString& filter) {
        return askExportPath(this, m_settingsFile, caption, name, filter);
    };
    m_model = new LoadTableModel(m_reader, this);
    connect(m_model, &LoadTableModel::readFailed, this,
        [this](const Failure& error) { showReadFailure(QStringLiteral("记录读不出来"), error); });
    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->addTab(buildLoadsTab(), QStringLiteral("记录"));
    m_report = new ReportTab(m_reader, m_today());
    m_report->setSavePathAsker(m_askSavePath);
    m_tabs->addTab(m_report, QStringLiteral("报表"));
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_status);
    sizeToScreen();
    addCloseKeys(this);

    m_excelExport = new BackgroundPass(this);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        if (m_reportStale)
            refreshReportWhenShown();
    });
    connect(m_report, &ReportTab::readResult, this, [this](const std::optional<Failure>& failure) {
        if (failure)
            showReadFailure(QStringLiteral("报表读不出来"), *failure);
        else
            clearReadFailure();
    });
    connect(m_report, &ReportTab::saved, this, [this](const QString& path) {
        m_status->setText(QStringLiteral("报表已保存到“%1”。").arg(path));
        emit exported(path);
        emit reportSaved(path);
    });
    connect(m_report, &ReportTab::saveFailed, this, [this](const QString& failure) {
        showMessage(QStringLiteral("报表没有保存：") + failure);
    });

    fillSpeciesFilter();
    onFilterChanged();
}

void History::setNotice(const QString& text)
{
    m_status->setText(text);
}

History::~History()
{
    // The export works on copies of the rows, but with the spreadsheet.
    m_excelExport->waitForFinished();
}

QWidget* History::buildLoadsTab()
{
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("loadsTab"));
    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("loadsTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    // Sorting is the store's: a click on a heading queries again, sorted.
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(shownIndex(LoadColumn::RecordedAt), Qt::DescendingOrder);
    header->setStretchLastSection(false);
    connect(
        header, &QHeaderView::sortIndicatorChanged, this, [this](int column, Qt::SortOrder order) {
            m_model->sort(column, order);
            updateButtons();
        });
    m_totalsLabel = new QLabel;
    m_totalsLabel->setObjectName(QStringLiteral("totalsLabel"));
    m_totalsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(buildFilters());
    layout->addWidget(m_table, 1);
    layout->addWidget(m_totalsLabel);
    layout->addLayout(buildButtons());

    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (const auto load = selectedLoad(index.row()))
            emit openLoadRequested(*load);
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        &History::updateButtons);
    connect(m_model, &QAbstractItemModel::modelReset, this, &History::updateButtons);
    setColumnWidths();
    m_table->setColumnHidden(shownIndex(LoadColumn::Station), !m_stationsShown);
    m_table->viewport()->installEventFilter(this);
    return tab;
}

QLayout* History::buildButtons()
{
    m_open = button(QStringLiteral("openButton"), QStringLiteral("打开到检尺单"));
    m_reprint = button(QStringLiteral("reprintButton"), QStringLiteral("重印账单"));
    m_csv = button(QStringLiteral("csvButton"), QStringLiteral("导出CSV"));
    m_excel = button(QStringLiteral("excelButton"), QStringLiteral("导出Excel"));
    m_stationSettings
        = button(QStringLiteral("stationSettingsButton"), QStringLiteral("检尺站设置"));
    QPushButton* accounts = button(QStringLiteral("accountsButton"), QStringLiteral("往来账"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_open);
    buttons->addWidget(m_reprint);
    buttons->addStretch();
    buttons->addWidget(m_csv);
    buttons->addWidget(m_excel);
    buttons->addSpacing(16);
    buttons->addWidget(accounts);
    buttons->addWidget(m_stationSettings);
    connect(m_open, &QPushButton::clicked, this, &History::onOpenClicked);
    connect(m_reprint, &QPushButton::clicked, this, &History::onReprintClicked);
    connect(m_csv, &QPushButton::clicked, this, &History::onCsvClicked);
    connect(m_excel, &QPushButton::clicked, this, &History::onExcelClicked);
    connect(m_stationSettings, &QPushButton::clicked, this, &History::stationSettingsRequested);
    connect(accounts, &QPushButton::clicked, this, &History::accountsRequested);
    return buttons;
}

void History::setSavePathAsker(SavePathAsker ask)
{
    m_askSavePath = std::move(ask);
    m_report->setSavePathAsker(m_askSavePath);
}

void History::showTotals()
{
    const LoadFilter filter = currentFilter();
    const Result<KindTotals> totals = m_reader.totals(filter);
    m_totals.reset();
    m_totalsFailure.clear();
    m_totalsOutOfRange = !totals && totals.error().cause() == FailureCause::OutOfRange;
    if (!totals && !m_totalsOutOfRange) {
        m_totalsFailure = QStringLiteral("合计读不出来");
        m_totalsLabel->setText(m_totalsFailure);
        showReadFailure(m_totalsFailure, totals.error());
        return;
    }
    // Loads whose sum leaves the range are no failure of the store.
    if (m_totalsOutOfRange) {
        logEvent(QStringLiteral("history totals out of range: %1").arg(totals.error().path()));
        m_totalsFailure = QStringLiteral("合计超出范围");
    } else {
        m_totals = *totals;
    }
    m_totalsLabel->setText(m_totals ? kindTotalsText(*m_totals, filter.kind) : m_totalsFailure);
    if (!m_model->failed())
        clearReadFailure();
}

void History::refresh()
{
    m_boxesFailure.clear();
    fillSpeciesFilter();
    if (m_stationsShown)
        fillStationFilter();
    m_model->refresh();
    showTotals();
    refreshReportWhenShown();
}

// The report is read when it is looked at, not on every change behind it.
void History::refreshReportWhenShown()
{
    m_reportStale = m_tabs->currentWidget() != m_report;
    if (!m_reportStale)
        m_report->refresh();
}

void History::updateButtons()
{
    const QModelIndex current = m_table->currentIndex();
    const bool row = current.isValid() && !m_model->failed();
    m_open->setEnabled(row);
    m_reprint->setEnabled(row
        && m_model->index(current.row(), shownIndex(LoadColumn::Kind)).data(Qt::EditRole).toInt()
            == int(LoadKind::Bill));
}

void History::showReadFailure(const QString& what, const Failure& error)
{
    m_readFailed = true;
    logEvent(QStringLiteral("history read failed: %1 %2").arg(error.path(), error.detail()));
    m_status->setStyleSheet(QStringLiteral("color: #b00000"));
    m_status->setText(historyFailureMessage(error, what));
}

// A box left without its names stays said until they are read.
void History::showBoxesFailure(const QString& what, const Failure& error)
{
    showReadFailure(what, error);
    m_boxesFailure = m_status->text();
}

void History::clearReadFailure()
{
    if (!m_boxesFailure.isEmpty()) {
        m_status->setText(m_boxesFailure);
        return;
    }
    if (!m_readFailed)
        return;
    m_readFailed = false;
    m_status->setStyleSheet({});
    m_status->clear();
}

std::optional<LoadRecord> History::selectedLoad(int row)
{
    if (row < 0)
        return std::nullopt;
    const Result<std::optional<LoadRecord>> read = m_reader.loadById(m_model->loadId(row));
    if (!read) {
        if (read.error().cause() == FailureCause::DamagedLoad) {
            logEvent(QStringLiteral("history load %1 does not read").arg(m_model->loadId(row)));
            m_status->setText(
                historyFailureMessage(read.error(), QStringLiteral("这一车读不出来")));
        } else {
            showReadFailure(QStringLiteral("这一车读不出来"), read.error());
        }
        return std::nullopt;
    }
    if (!*read)
        m_status->setText(QStringLiteral("这一车已不在历史数据库中。"));
    return *read;
}

void History::onOpenClicked()
{
    if (const auto load = selectedLoad(m_table->currentIndex().row()))
        emit openLoadRequested(*load);
}

void History::onReprintClicked()
{
    const auto load = selectedLoad(m_table->currentIndex().row());
    if (load && load->kind == LoadKind::Bill)
        emit reprintRequested(*load);
}
