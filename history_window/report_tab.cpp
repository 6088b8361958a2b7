#include "history_window/report_tab.h"

#include "field_text/fixed_point.h"
#include "history/load_record.h"
#include "support/column_share.h"
#include "support/export_files.h"
#include "support/failure_text.h"
#include "support/period_edits.h"
#include "support/report_pdf.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {

// The sum of one column over the rows, or nothing beyond the range.
template <typename Figure>
std::optional<Figure> columnSum(const QVector<ReportRow>& rows, Figure ReportRow::*column)
{
    std::optional<Figure> sum = Figure();
    for (const ReportRow& row : rows)
        sum = sum ? sum->plus(row.*column) : std::nullopt;
    return sum;
}

} // namespace

QStringList reportHeadings(ReportGrouping grouping)
{
    const QString key = grouping == ReportGrouping::BySpecies ? QStringLiteral("树种")
        : grouping == ReportGrouping::ByDay                   ? QStringLiteral("日期")
                                                              : QStringLiteral("月份");
    return { key, QStringLiteral("入库件数"), QStringLiteral("入库材积(m³)"),
        QStringLiteral("入库金额(元)"), QStringLiteral("出库件数"), QStringLiteral("出库材积(m³)"),
        QStringLiteral("出库金额(元)"), QStringLiteral("净材积(m³)") };
}

ReportTab::ReportTab(HistoryReader& reader, const QDate& today, QWidget* parent)
    : QWidget(parent)
    , m_reader(reader)
{
    setObjectName(QStringLiteral("reportTab"));
    buildControls(today);
}

void ReportTab::buildControls(const QDate& today)
{
    const LoadFilter month = LoadFilter::thisMonth(today);
    m_from = periodDateEdit(QStringLiteral("reportFrom"), month.from);
    m_to = periodDateEdit(QStringLiteral("reportTo"), month.to);
    m_grouping = new QComboBox;
    m_grouping->setObjectName(QStringLiteral("reportGrouping"));
    m_grouping->addItem(QStringLiteral("按树种"), int(ReportGrouping::BySpecies));
    m_grouping->addItem(QStringLiteral("按日"), int(ReportGrouping::ByDay));
    m_grouping->addItem(QStringLiteral("按月"), int(ReportGrouping::ByMonth));
    m_print = new QPushButton(QStringLiteral("打印为PDF"));
    m_print->setObjectName(QStringLiteral("pdfButton"));

    auto* bar = new QHBoxLayout;
    addPeriod(bar, m_from, m_to);
    bar->addWidget(
        periodPresets(QStringLiteral("reportPresets"), m_from, m_to, [today] { return today; }));
    bar->addSpacing(12);
    bar->addWidget(new QLabel(QStringLiteral("分组")));
    bar->addWidget(m_grouping);
    bar->addStretch();
    bar->addWidget(m_print);

    m_table = new QTableWidget;
    m_table->setObjectName(QStringLiteral("reportTable"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->viewport()->installEventFilter(this);
    m_chartView = new QChartView(new QChart);
    m_chartView->setObjectName(QStringLiteral("reportChart"));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumHeight(240);
    m_chartView->chart()->setTitle(QStringLiteral("入库与出库材积（m³）"));
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(m_table);
    splitter->addWidget(m_chartView);
    splitter->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);

    connect(m_from, &QDateEdit::dateChanged, this, &ReportTab::refresh);
    connect(m_to, &QDateEdit::dateChanged, this, &ReportTab::refresh);
    connect(m_grouping, &QComboBox::currentIndexChanged, this, &ReportTab::refresh);
    connect(m_print, &QPushButton::clicked, this, &ReportTab::onPrintClicked);
}

void ReportTab::setStation(const QString& station)
{
    m_station = station;
}

QString ReportTab::title() const
{
    return QStringLiteral("木材出入库报表（%1）%2 至 %3")
        .arg(m_grouping->currentText(), m_from->date().toString(Qt::ISODate),
            m_to->date().toString(Qt::ISODate));
}

void ReportTab::refresh()
{
    LoadFilter period;
    period.from = m_from->date();
    period.to = m_to->date();
    period.station = m_station;
    const Result<QVector<ReportRow>> report
        = m_reader.stockReport(period, ReportGrouping(m_grouping->currentData().toInt()));
    m_rows = report.valueOr({});
    fillTable();
    fillChart();
    emit readResult(report ? std::nullopt : std::optional<Failure>(report.error()));
}

QStringList ReportTab::rowTexts(const ReportRow& row) const
{
    return { row.key, row.piecesIn.shortText(), row.volumeIn.text(), row.amountIn.text(),
        row.piecesOut.shortText(), row.volumeOut.text(), row.amountOut.text(),
        sumText(row.netVolume()) };
}

// The rows' sums, column by column; one that leaves the range says so.
QStringList ReportTab::totalTexts() const
{
    const auto volumeIn = columnSum(m_rows, &ReportRow::volumeIn);
    const auto volumeOut = columnSum(m_rows, &ReportRow::volumeOut);
    const std::optional<TenThousandths> net
        = volumeIn && volumeOut ? volumeIn->minus(*volumeOut) : std::nullopt;
    return { QStringLiteral("合计"), sumText(columnSum(m_rows, &ReportRow::piecesIn), true),
        sumText(volumeIn), sumText(columnSum(m_rows, &ReportRow::amountIn)),
        sumText(columnSum(m_rows, &ReportRow::piecesOut), true), sumText(volumeOut),
        sumText(columnSum(m_rows, &ReportRow::amountOut)), sumText(net) };
}

void ReportTab::fillTable()
{
    const QStringList headings = reportHeadings(ReportGrouping(m_grouping->currentData().toInt()));
    m_table->clear();
    m_table->setColumnCount(int(headings.size()));
    m_table->setHorizontalHeaderLabels(headings);
    m_table->setRowCount(int(m_rows.size()) + 1);
    QVector<QStringList> lines;
    for (const ReportRow& row : m_rows)
        lines << rowTexts(row);
    lines << totalTexts();
    for (int r = 0; r < lines.size(); ++r) {
        const QStringList& texts = lines[r];
        for (int c = 0; c < texts.size(); ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setTextAlignment(
                c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
            if (r == lines.size() - 1) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            m_table->setItem(r, c, item);
        }
    }
    m_table->resizeColumnsToContents();
    // Room between a figure and the next column's.
    m_naturalWidths.clear();
    for (int c = 0; c < m_table->columnCount(); ++c)
        m_naturalWidths << m_table->columnWidth(c) + 16;
    shareColumnWidths(m_table, m_naturalWidths);
}

bool ReportTab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_table->viewport() && event->type() == QEvent::Resize)
        shareColumnWidths(m_table, m_naturalWidths);
    return QWidget::eventFilter(watched, event);
}

void ReportTab::fillChart()
{
    QChart* chart = m_chartView->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    auto* in = new QBarSet(QStringLiteral("入库"));
    auto* out = new QBarSet(QStringLiteral("出库"));
    QStringList keys;
    double highest = 0;
    for (const ReportRow& row : m_rows) {
        keys << row.key;
        *in << row.volumeIn.units() / 10000.0;
        *out << row.volumeOut.units() / 10000.0;
        highest = std::max(
            { highest, row.volumeIn.units() / 10000.0, row.volumeOut.units() / 10000.0 });
    }
    auto* series = new QBarSeries;
    series->append(in);
    series->append(out);
    chart->addSeries(series);
    auto* categories = new QBarCategoryAxis;
    categories->append(keys);
    chart->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);
    auto* values = new QValueAxis;
    values->setRange(0, highest > 0 ? highest * 1.05 : 1);
    values->setTickCount(6);
    values->applyNiceNumbers();
    // As many decimals as the step needs: 0, 10, 20 rather than 30.0000.
    const double step = (values->max() - values->min()) / std::max(1, values->tickCount() - 1);
    const int decimals = step >= 1 ? 0 : step >= 0.1 ? 1 : 2;
    values->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
    values->setTitleText(QStringLiteral("m³"));
    // Readable on paper too, where the chart is printed at a fixed size.
    QFont labels = chart->font();
    labels.setPointSize(10);
    for (QAbstractAxis* axis :
        { static_cast<QAbstractAxis*>(categories), static_cast<QAbstractAxis*>(values) }) {
        axis->setLabelsFont(labels);
        axis->setTitleFont(labels);
    }
    chart->legend()->setFont(labels);
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(values);
    chart->legend()->setAlignment(Qt::AlignTop);
}

void ReportTab::onPrintClicked()
{
    const QString name
        = QStringLiteral("出入库报表 %1 至 %2.pdf")
              .arg(m_from->date().toString(Qt::ISODate), m_to->date().toString(Qt::ISODate));
    const QString path
        = m_askSavePath(QStringLiteral("打印为PDF"), name, QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    ReportPage page;
    page.title = title();
    page.headings = reportHeadings(ReportGrouping(m_grouping->currentData().toInt()));
    for (int r = 0; r < m_table->rowCount(); ++r) {
        QStringList texts;
        for (int c = 0; c < m_table->columnCount(); ++c)
            texts << m_table->item(r, c)->text();
        page.rows << texts;
    }
    // Laid out at a fixed size that the page's width takes whole, so its
    // 10 pt text prints at 9 pt or more whatever the window's size; drawn at
    // three times that, so it stays sharp on paper.
    QChart* chart = m_chartView->chart();
    const QSizeF onScreen = chart->size();
    chart->resize(QSizeF(720, 420));
    const QRectF shown = chart->sceneBoundingRect();
    page.chart = QImage(shown.size().toSize() * 3, QImage::Format_ARGB32);
    page.chart.fill(Qt::white);
    {
        QPainter painter(&page.chart);
        painter.setRenderHint(QPainter::Antialiasing);
        chart->scene()->render(&painter, QRectF(page.chart.rect()), shown);
    }
    chart->resize(onScreen);
    const Done written = writeWholeFile(path, reportPdfBytes(page));
    if (written)
        emit saved(path);
    else
        emit saveFailed(fileFailureMessage(written.error()));
}
