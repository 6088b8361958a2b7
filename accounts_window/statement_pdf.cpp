// The statement's PDF: the pages are planned first, so that every page can
// say how many there are, then drawn.

#include "accounts_window/statement_document.h"
#include "support/report_pdf.h"

#include "assets/artwork.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPdfWriter>
#include <iterator>
#include <numeric>

namespace {

constexpr qreal tablePoints = 9;
// Parts of the width, per column; they add up to 1000.
constexpr int columnShares[] = { 105, 105, 90, 70, 60, 90, 180, 150, 150 };
constexpr int columnCount = int(std::size(columnShares));
// Figures that are shrunk to fit their cell, never cut.
constexpr bool figureColumn[] = { false, false, false, false, true, true, false, true, true };

QFont pdfFont(qreal points, bool bold = false)
{
    QFont font = songFont(points);
    font.setBold(bold);
    return font;
}

// Rows of the table on one page.
struct PagePlan {
    int first = 0;
    int count = 0;
};

class StatementPdf {
public:
    StatementPdf(QPdfWriter& writer, const StatementRows& rows);
    void draw();

private:
    QVector<PagePlan> planPages() const;
    int drawHeader();
    enum class RowStyle { Heading, Marked, Plain };
    int drawRow(int y, const QStringList& row, RowStyle style);
    void drawCell(const QRect& cell, const QString& text, int column, RowStyle style);
    int drawTail(int y);
    void drawPageNumber(int page, int pages);
    int lineHeight(qreal points) const;

    QPdfWriter& m_writer;
    QPainter m_painter;
    const StatementRows& m_rows;
    int m_rowHeight = 0;
    int m_headerHeight = 0;
    int m_footerHeight = 0;
    int m_tailLine = 0;
    int m_tailHeight = 0;
};

StatementPdf::StatementPdf(QPdfWriter& writer, const StatementRows& rows)
    : m_writer(writer)
    , m_painter(&writer)
    , m_rows(rows)
{
    m_rowHeight = lineHeight(tablePoints) * 3 / 2;
    m_headerHeight = lineHeight(16) * 2 + lineHeight(10) * 2 + m_rowHeight / 2
        + (rows.namesLine.isEmpty() ? 0 : lineHeight(8));
    m_footerHeight = lineHeight(9) * 2;
    m_tailLine = lineHeight(10) * 3 / 2;
    // Two lines of sums and the sign note.
    m_tailHeight = m_rowHeight / 2 + m_tailLine * 3;
}

int StatementPdf::lineHeight(qreal points) const
{
    return QFontMetrics(pdfFont(points), &m_writer).height();
}

// As many rows on each page as fit under its headings; the last page keeps
// room for the sums and the note, handing rows on to a page of their own
// when it has none.
QVector<PagePlan> StatementPdf::planPages() const
{
    const int total = int(m_rows.rows.size());
    const int room = m_writer.height() - m_footerHeight - m_rowHeight;
    QVector<PagePlan> pages;
    int next = 0;
    while (next < total || pages.isEmpty()) {
        const int top = pages.isEmpty() ? m_headerHeight : 0;
        const int fits = std::max(1, (room - top) / m_rowHeight);
        pages.append({ next, std::min(fits, total - next) });
        next += pages.last().count;
    }
    PagePlan& last = pages.last();
    const int top = pages.size() == 1 ? m_headerHeight : 0;
    const int free = room - top - last.count * m_rowHeight;
    if (free < m_tailHeight) {
        const int handOn
            = std::min(last.count - 1, (m_tailHeight - free + m_rowHeight - 1) / m_rowHeight);
        last.count -= handOn;
        pages.append({ last.first + last.count, handOn });
    }
    return pages;
}

void StatementPdf::draw()
{
    const QVector<PagePlan> pages = planPages();
    for (int page = 0; page < pages.size(); ++page) {
        if (page > 0)
            m_writer.newPage();
        int y = page == 0 ? drawHeader() : 0;
        y = drawRow(y, m_rows.headings, RowStyle::Heading);
        const PagePlan& plan = pages[page];
        for (int row = plan.first; row < plan.first + plan.count; ++row) {
            // The balances and the period's totals stand out from the entries.
            const bool marked = row == 0 || row >= m_rows.rows.size() - 2;
            y = drawRow(y, m_rows.rows[row], marked ? RowStyle::Marked : RowStyle::Plain);
        }
        if (page == pages.size() - 1)
            drawTail(y);
        drawPageNumber(page + 1, int(pages.size()));
    }
}

int StatementPdf::drawHeader()
{
    const int width = m_writer.width();
    int y = 0;
    auto line = [&](const QString& text, qreal points, bool bold, int flags, int height) {
        m_painter.setFont(pdfFont(points, bold));
        const QString shown = m_painter.fontMetrics().elidedText(text, Qt::ElideRight, width);
        m_painter.drawText(QRect(0, y, width, height), flags | Qt::AlignVCenter, shown);
    };
    line(m_rows.title, 16, true, Qt::AlignHCenter, lineHeight(16) * 2);
    y += lineHeight(16) * 2;
    line(m_rows.partnerLine, 10, false, Qt::AlignLeft, lineHeight(10));
    y += lineHeight(10);
    if (!m_rows.namesLine.isEmpty()) {
        line(m_rows.namesLine, 8, false, Qt::AlignLeft, lineHeight(8));
        y += lineHeight(8);
    }
    line(m_rows.periodLine, 10, false, Qt::AlignLeft, lineHeight(10));
    line(m_rows.printedLine, 10, false, Qt::AlignRight, lineHeight(10));
    return y + lineHeight(10) + m_rowHeight / 2;
}

int StatementPdf::drawRow(int y, const QStringList& row, RowStyle style)
{
    const int width = m_writer.width();
    int x = 0;
    for (int column = 0; column < columnCount; ++column) {
        const int right
            = width * std::accumulate(columnShares, columnShares + column + 1, 0) / 1000;
        const QRect cell(x, y, right - x, m_rowHeight);
        m_painter.drawRect(cell);
        drawCell(cell, row.value(column), column, style);
        x = right;
    }
    return y + m_rowHeight;
}

// A figure is set smaller until it fits, so every digit prints; a text
// that does not fit at six points is cut short with an ellipsis.
void StatementPdf::drawCell(const QRect& cell, const QString& text, int column, RowStyle style)
{
    const QRect room = cell.adjusted(m_rowHeight / 5, 0, -m_rowHeight / 5, 0);
    const bool bold = style != RowStyle::Plain;
    const bool figure = figureColumn[column] && style != RowStyle::Heading;
    const qreal smallest = figure ? 3 : 6;
    qreal points = tablePoints;
    QFont font = pdfFont(points, bold);
    while (
        points > smallest && QFontMetrics(font, &m_writer).horizontalAdvance(text) > room.width()) {
        points -= 0.5;
        font = pdfFont(points, bold);
    }
    m_painter.setFont(font);
    const QString shown = figure
        ? text
        : QFontMetrics(font, &m_writer).elidedText(text, Qt::ElideRight, room.width());
    const int align = figure ? Qt::AlignRight : Qt::AlignHCenter;
    m_painter.drawText(room, align | Qt::AlignVCenter | Qt::TextDontClip, shown);
}

// The sums two to a line, so that even the widest figures fit the page.
int StatementPdf::drawTail(int y)
{
    QStringList lines;
    for (qsizetype sum = 0; sum < m_rows.sums.size(); sum += 2)
        lines << QStringList { m_rows.sums[sum].join(u' '), m_rows.sums.value(sum + 1).join(u' ') }
                     .join(QStringLiteral("　"));
    lines << m_rows.signNote;
    m_painter.setFont(pdfFont(10));
    y += m_rowHeight / 2;
    for (const QString& line : lines) {
        m_painter.drawText(
            QRect(0, y, m_writer.width(), m_tailLine), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += m_tailLine;
    }
    return y;
}

void StatementPdf::drawPageNumber(int page, int pages)
{
    m_painter.setFont(pdfFont(9));
    const QRect foot(0, m_writer.height() - m_footerHeight, m_writer.width(), m_footerHeight);
    m_painter.drawText(foot, Qt::AlignHCenter | Qt::AlignBottom,
        QStringLiteral("第 %1 页 共 %2 页").arg(page).arg(pages));
}

} // namespace

QByteArray statementPdfBytes(const StatementPage& page)
{
    const StatementRows rows = statementRows(page);
    return a4PdfBytes(QStringLiteral("%1 - %2").arg(rows.title, page.statement.partner),
        [&rows](QPdfWriter& writer) { StatementPdf(writer, rows).draw(); });
}
