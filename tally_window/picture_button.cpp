#include "tally_window/picture_button.h"

#include <QPainter>

PictureButton::PictureButton(const QPixmap& normal, const QPixmap& pressed, QWidget* parent)
    : QAbstractButton(parent)
    , m_normal(normal)
    , m_pressed(pressed)
{
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

void PictureButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(rect(), isDown() ? m_pressed : m_normal);
    if (hasFocus()) {
        p.setPen(QPen(Qt::white, 1, Qt::DotLine));
        p.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}
