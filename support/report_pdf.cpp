#include "support/report_pdf.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

namespace {

// A Song face with every Chinese character of the report.
QFont reportFont(int points, bool bold = false)
{
    QFont font;
    font.setFamilies({ QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("Noto Sans CJK SC") });
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

// The largest size, 10 point down to 7, at which every heading but the
// key's fits a cell `room` wide.
int headingSize(const QStringList& headings, int room, const QPaintDevice* page)
{
    int points = 10;
    for (; points > 7; --points) {
        const QFontMetrics metrics(reportFont(points, true), page);
        int widest = 0;
        for (qsizetype column = 1; column < headings.size(); ++column)
            widest = std::max(widest, metrics.horizontalAdvance(headings[column]));
        if (widest <= room)
            break;
    }
    return points;
}

// Draws the table from `top` across the page, on as many pages as it
// takes, the headings again on each; returns its bottom on the last.
int drawTable(QPdfWriter& writer, QPainter& painter, const ReportPage& page, int top)
{
    const int width = writer.width();
    painter.setFont(reportFont(10));
    const int rowHeight = painter.fontMetrics().height() * 3 / 2;
    const int columns = int(page.headings.size());
    // The key column is half as wide again: days and species names are long.
    const int keyWidth = columns > 1 ? width * 3 / (2 * columns + 1) : width;
    const int otherWidth = columns > 1 ? (width - keyWidth) / (columns - 1) : 0;
    const int headingPoints = headingSize(page.headings, otherWidth - rowHeight / 2, &writer);
    QVector<QStringList> lines { page.headings };
    lines += page.rows;
    int y = top;
    for (int line = 0; line < lines.size(); ++line) {
        if (y + rowHeight > writer.height()) {
            writer.newPage();
            y = 0;
            lines.insert(line, page.headings);
        }
        const bool heading = lines[line] == page.headings;
        painter.setFont(
            reportFont(heading ? headingPoints : 10, heading || line == lines.size() - 1));
        int x = 0;
        for (int column = 0; column < columns; ++column) {
            const int cellWidth = column == 0 ? keyWidth : otherWidth;
            const QRect cell(x, y, cellWidth, rowHeight);
            painter.drawRect(cell);
            const int align
                = column == 0 || heading ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter;
            painter.drawText(cell.adjusted(rowHeight / 4, 0, -rowHeight / 4, 0), align,
                lines[line].value(column));
            x += cellWidth;
        }
        y += rowHeight;
    }
    return y;
}

} // namespace

QByteArray a4PdfBytes(const QString& title, const std::function<void(QPdfWriter&)>& draw)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(QPageLayout(
            QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15)));
        writer.setResolution(300);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Quorvane"));
        draw(writer);
    }
    return bytes;
}

QByteArray reportPdfBytes(const ReportPage& page)
{
    return a4PdfBytes(page.title, [&page](QPdfWriter& writer) {
        QPainter painter(&writer);
        const int width = writer.width();
        painter.setFont(reportFont(16, true));
        const int titleHeight = painter.fontMetrics().height() * 2;
        painter.drawText(QRect(0, 0, width, titleHeight), Qt::AlignCenter, page.title);
        int y = drawTable(writer, painter, page, titleHeight);
        if (!page.chart.isNull()) {
            y += writer.resolution() / 4;
            const QSize fullWidth = page.chart.size().scaled(width, 1 << 30, Qt::KeepAspectRatio);
            // A page with no room for half the chart gives it one of its own.
            if (writer.height() - y < fullWidth.height() / 2) {
                writer.newPage();
                y = 0;
            }
            const QSize size
                = page.chart.size().scaled(width, writer.height() - y, Qt::KeepAspectRatio);
            painter.drawImage(QRect(QPoint((width - size.width()) / 2, y), size), page.chart);
        }
    });
}
