// History's size on the screen it opens on and its columns' widths: the
// window fits an office screen of 1366 x 768 with its frame, and the
// columns share the table's width.

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
    const QStringList samples { QStringLiteral("2026-12-31 23:59"), QStringLiteral("入库"),
        QStringLiteral("2026-12-31-999"), QStringLiteral("落叶松木"),
        QStringLiteral("某某县木材有限公司"), QStringLiteral("某某县木材有限公司"),
        QStringLiteral("闽A12345"), QStringLiteral("99999"), QStringLiteral("99999.9999"),
        QStringLiteral("9999999.99"), QStringLiteral("第一检尺站") };
    const QStringList names = LoadTableModel::headings();
    m_naturalWidths.clear();
    for (int column = 0; column < samples.size(); ++column) {
        const int width = std::max(cells.horizontalAdvance(samples[column]),
            headings.horizontalAdvance(names[column]) + 16);
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
