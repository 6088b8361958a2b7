#pragma once

#include <QLabel>

// A transparent label that keeps mouse presses to itself (so they never
// reach the window's move handler) and reports a click. One with the
// pointing hand is a link: underlined while the mouse is over it.
class ClickLabel : public QLabel {
    Q_OBJECT

public:
    explicit ClickLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void underline(bool on);
};
