#include "bill_preview/preview_pages.h"

#include <QLabel>
#include <QPainter>
#include <QPdfDocument>
#include <QScrollArea>
#include <QScrollBar>

namespace {

constexpr int pageGap = 8; // between pages, and around them in the window

} // namespace

PreviewPages::PreviewPages(QPdfDocument& document, QScrollArea& view)
    : QWidget(&view)
    , m_document(document)
    , m_view(view)
{
    setObjectName(QStringLiteral("Pages"));
    // Another document's pictures never stand for this one's pages.
    connect(&m_document, &QPdfDocument::statusChanged, this, [this] {
        for (QLabel* label : std::as_const(m_pages))
            label->clear();
    });
    connect(
        m_view.verticalScrollBar(), &QScrollBar::valueChanged, this, &PreviewPages::renderInSight);
    connect(m_view.horizontalScrollBar(), &QScrollBar::valueChanged, this,
        &PreviewPages::renderInSight);
}

double PreviewPages::fittedScale() const
{
    const QSize room = m_view.viewport()->size() - QSize(pageGap, pageGap);
    double widest = 1;
    for (int index = 0; index < m_document.pageCount(); ++index)
        widest = std::max(widest, m_document.pagePointSize(index).width());
    if (m_document.pageCount() > 1)
        return std::max(0.1, room.width() / widest);
    const QSizeF points = m_document.pagePointSize(0);
    return std::max(0.1, std::min(room.width() / points.width(), room.height() / points.height()));
}

void PreviewPages::layOut(double zoom)
{
    const int pages = std::max(0, m_document.pageCount());
    // Many pages scroll: the bar stays, so fitting the width does not move it.
    m_view.setVerticalScrollBarPolicy(pages > 1 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    const QScrollBar* bar = m_view.verticalScrollBar();
    const double along = bar->maximum() > 0 ? double(bar->value()) / bar->maximum() : 0;
    while (m_pages.size() > pages)
        delete m_pages.takeLast();
    while (m_pages.size() < pages) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("Page(%1)").arg(m_pages.size()));
        m_pages.append(label);
    }
    const double scale = (pages > 0 ? fittedScale() : 1) * (zoom > 0 ? zoom : 1.0);
    QVector<QSize> sizes;
    int width = 0;
    for (int index = 0; index < pages; ++index) {
        sizes.append((m_document.pagePointSize(index) * scale).toSize());
        width = std::max(width, sizes.last().width());
    }
    int y = 0;
    for (int index = 0; index < pages; ++index) {
        QLabel* label = m_pages[index];
        if (label->size() != sizes[index])
            label->clear();
        label->setGeometry(
            (width - sizes[index].width()) / 2, y, sizes[index].width(), sizes[index].height());
        label->show();
        y += sizes[index].height() + pageGap;
    }
    resize(width, std::max(0, y - pageGap));
    m_view.verticalScrollBar()->setValue(int(along * bar->maximum()));
    renderInSight();
}

QPixmap PreviewPages::page(int index) const
{
    return index >= 0 && index < m_pages.size() ? m_pages[index]->pixmap() : QPixmap();
}

// Rendered at the size shown, so a page is sharp at every zoom.
void PreviewPages::renderInSight()
{
    const QSize viewport = m_view.viewport()->size();
    const QRect sight = QRect(mapFrom(m_view.viewport(), QPoint(0, 0)), viewport)
                            .adjusted(0, -viewport.height(), 0, viewport.height());
    for (int index = 0; index < m_pages.size(); ++index) {
        QLabel* label = m_pages[index];
        if (!label->geometry().intersects(sight))
            label->clear();
        else if (label->pixmap().isNull())
            label->setPixmap(rendered(index, label->size()));
    }
}

QPixmap PreviewPages::rendered(int index, QSize size) const
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size * ratio;
    // The PDF leaves the paper transparent: the page is laid on white.
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawImage(0, 0, m_document.render(index, pixels));
    painter.end();
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(image);
}
