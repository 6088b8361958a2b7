// History's exports of the loads shown: CSV written here at once, Excel
// through the spreadsheet on another thread.

#include "history/load_table_model.h"
#include "history_window/csv_text.h"
#include "history_window/export_files.h"
#include "history_window/history.h"
#include "records/workbook.h"
#include "records/workbook_messages.h"
#include "support/message_box.h"

#include <QApplication>
#include <QDateEdit>
#include <QFutureWatcher>
#include <QLabel>
#include <QPushButton>
#include <QtConcurrent>

QStringList History::shownHeadings() const
{
    QStringList headings = LoadTableModel::headings();
    if (!m_stationsShown)
        headings.removeAt(LoadTableModel::Station);
    return headings;
}

QStringList History::totalsRow() const
{
    QStringList row(shownHeadings().size());
    row[LoadTableModel::RecordedAt] = QStringLiteral("合计");
    if (!m_totalsFailure.isEmpty()) {
        row[LoadTableModel::Kind] = m_totalsFailure;
        return row;
    }
    row[LoadTableModel::Kind] = QStringLiteral("共 %1 车").arg(m_totals.loads);
    row[LoadTableModel::Pieces] = piecesText(m_totals.piecesE4);
    row[LoadTableModel::Volume] = fixedPointText(m_totals.volumeE4, 4);
    row[LoadTableModel::Amount] = fixedPointText(m_totals.amountFen, 2);
    return row;
}

// Every row the filter selects, as the table shows it, then the totals.
QVector<QStringList> History::shownRows()
{
    QVector<QStringList> rows = m_model->allRowsAsShown();
    if (!m_stationsShown)
        for (QStringList& row : rows)
            row.removeAt(LoadTableModel::Station);
    rows << totalsRow();
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
    QVector<QStringList> rows { shownHeadings() };
    rows += shownRows();
    // Not all of them read: the status line says why; no part is written.
    if (m_model->failed())
        return;
    // The program's own numbers stay numbers; every typed text stays text.
    const QSet<int> numbers { LoadTableModel::Pieces, LoadTableModel::Volume,
        LoadTableModel::Amount };
    const QString failure = writeWholeFile(path, csvBytes(rows, numbers));
    if (!failure.isEmpty()) {
        showMessage(QStringLiteral("没有导出：") + failure);
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
    const QStringList headings = shownHeadings();
    const QVector<QStringList> rows = shownRows();
    if (m_model->failed())
        return;
    Spreadsheet& spreadsheet = m_spreadsheet;
    setExportRunning(true);
    m_excelExport->setProperty("path", path);
    m_excelExport->setFuture(QtConcurrent::run([&spreadsheet, path, headings, rows] {
        try {
            writeLoadsWorkbook(spreadsheet, path, headings, rows);
            return QString();
        } catch (const WorkbookError& error) {
            return failureMessage(error);
        }
    }));
}

void History::onExcelFinished()
{
    setExportRunning(false);
    const QString failure = m_excelExport->result();
    const QString path = m_excelExport->property("path").toString();
    if (!failure.isEmpty()) {
        showMessage(QStringLiteral("没有导出：") + failure);
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
