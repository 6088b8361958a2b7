// History's exports of the loads shown: CSV written here at once, Excel
// through the spreadsheet on another thread.

#include "history/load_table_model.h"
#include "history_window/csv_text.h"
#include "history_window/history.h"
#include "history_window/loads_export.h"
#include "records/table_workbook.h"
#include "records/workbook.h"
#include "records/workbook_pass.h"
#include "support/export_files.h"
#include "support/failure_text.h"
#include "support/message_box.h"

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>

// Every load the filter selects with every field recorded, then the totals.
QVector<QStringList> History::exportedRows()
{
    QVector<QStringList> rows;
    for (const ListedLoad& load : m_model->allLoads())
        rows << exportRow(load);
    if (m_totals)
        rows += exportTotalsRows(*m_totals, m_model->filter().kind);
    else
        rows << exportTotalsFailureRow(m_totalsFailure);
    return rows;
}

void History::showMessage(const QString& text)
{
    Messages::information(this, QStringLiteral("Quorvane"), text);
}

namespace {

QString exportName(const LoadFilter& filter, const QString& suffix)
{
    return QStringLiteral("历史记录 %1 至 %2.%3")
        .arg(filter.from.toString(Qt::ISODate), filter.to.toString(Qt::ISODate), suffix);
}

} // namespace

void History::onCsvClicked()
{
    const QString path = m_askSavePath(QStringLiteral("导出CSV"),
        exportName(currentFilter(), QStringLiteral("csv")), QStringLiteral("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    QVector<QStringList> rows { exportHeadings() };
    rows += exportedRows();
    // Not all of them read: the status line says why; no part is written.
    if (m_model->failed() || (!m_totals && !m_totalsOutOfRange))
        return;
    // The program's own numbers stay numbers; every typed text stays text.
    const Done written = writeWholeFile(path, csvBytes(rows, exportNumberColumns()));
    if (!written) {
        showMessage(QStringLiteral("没有导出：") + fileFailureMessage(written.error()));
        return;
    }
    m_status->setText(QStringLiteral("已导出到“%1”。").arg(path));
    emit exported(path);
}

void History::onExcelClicked()
{
    const QString path = m_askSavePath(QStringLiteral("导出Excel"),
        exportName(currentFilter(), QStringLiteral("xls")),
        QStringLiteral("Excel 97 工作簿 (*.xls)"));
    if (path.isEmpty())
        return;
    const QStringList headings = exportHeadings();
    const QVector<QStringList> rows = exportedRows();
    if (m_model->failed() || (!m_totals && !m_totalsOutOfRange))
        return;
    Spreadsheet& spreadsheet = m_spreadsheet;
    setExportRunning(true);
    const TableSheet table { {}, headings, rows, {} };
    m_excelExport->start(
        QStringLiteral("history export"), path,
        [&spreadsheet, path, table](
            WorkbookPass&) { storeTableWorkbook(spreadsheet, path, table); },
        [this, path](const PassOutcome& outcome) { onExcelFinished(path, outcome); });
}

void History::onExcelFinished(const QString& path, const PassOutcome& outcome)
{
    setExportRunning(false);
    if (outcome.failure) {
        showMessage(QStringLiteral("没有导出：") + failureMessage(*outcome.failure));
        return;
    }
    m_status->setText(QStringLiteral("已导出到“%1”。").arg(path));
    emit exported(path);
}

bool History::exportRunning() const
{
    return m_exporting;
}

void History::setExportRunning(bool running)
{
    m_exporting = running;
    m_csv->setEnabled(!running);
    m_excel->setEnabled(!running);
    if (running)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
