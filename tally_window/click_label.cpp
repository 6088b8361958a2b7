#include "tally_window/click_label.h"

#include <QMouseEvent>

ClickLabel::ClickLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
}

void ClickLabel::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void ClickLabel::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    if (cursor().shape() == Qt::PointingHandCursor)
        underline(true);
}

void ClickLabel::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    underline(false);
}

void ClickLabel::underline(bool on)
{
    QFont shown = font();
    if (shown.underline() == on)
        return;
    shown.setUnderline(on);
    setFont(shown);
}
