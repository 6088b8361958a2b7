// History's size on the screen it opens on and its columns' widths: the
// window fits an office screen of 1366 x 768 with its frame, and the
// columns share the table's width.

#include "history/load_columns.h"
#include "history/load_table_model.h"
#include "history_window/history.h"
#include "support/column_share.h"

#include <QEvent>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>

namespace {

// The size it is laid out for on a large screen.
const QSize designed(1180, 720);
// Room left on the screen for the window's frame and title bar, and for a
// desktop panel the screen's free room may not leave out.
const QSize frame(32, 80);

} // namespace

void History::sizeToScreen()
{
    QSize size = designed;
    if (const QScreen* shown = screen())
        size = size.boundedTo(shown->availableGeometry().size() - frame);
    resize(size);
}

// Wide enough for the longest figures a yard has, and for the headings.
void History::setColumnWidths()
{
    const QFontMetrics cells = m_table->fontMetrics();
    const QFontMetrics headings = m_table->horizontalHeader()->fontMetrics();
    m_naturalWidths.clear();
    for (int column = 0; column < shownColumnCount; ++column) {
        const LoadColumnSpec& spec = loadColumnSpec(shownLoadColumns().at(column));
        const int width = std::max(cells.horizontalAdvance(spec.widest.toString()),
            headings.horizontalAdvance(spec.heading.toString()) + 16);
        m_naturalWidths << width + 20;
        m_table->setColumnWidth(column, width + 20);
    }
}

void History::shareColumnWidths()
{
    ::shareColumnWidths(m_table, m_naturalWidths);
}

bool History::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_table->viewport() && event->type() == QEvent::Resize)
        shareColumnWidths();
    return QWidget::eventFilter(watched, event);
}
