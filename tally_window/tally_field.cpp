#include "tally_window/tally_field.h"

#include <QFocusEvent>
#include <QMouseEvent>

TallyField::TallyField(QWidget* parent)
    : QLineEdit(parent)
{
    setAlignment(Qt::AlignCenter);
    setTextMargins(0, 0, 0, 0);
}

void TallyField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (!m_selectsOnFocus)
        return;
    selectAll();
    // The click that brought the focus would put the caret where it landed.
    m_selectAfterClick = event->reason() == Qt::MouseFocusReason;
}

void TallyField::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (m_selectAfterClick) {
        m_selectAfterClick = false;
        if (!hasSelectedText())
            selectAll();
    }
}
