#pragma once

#include <QLineEdit>

// A text box of the tally sheet: centred text, and optionally the whole text
// selected whenever it receives the focus, by keyboard or by mouse, so that
// typing replaces what was there.
class TallyField : public QLineEdit {
    Q_OBJECT

public:
    explicit TallyField(QWidget* parent = nullptr);

    void setSelectsOnFocus(bool on) { m_selectsOnFocus = on; }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_selectsOnFocus = false;
    bool m_selectAfterClick = false;
};
