#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A button without caption text that shows one picture, and another while
// it is held down.
class PictureButton : public QAbstractButton {
    Q_OBJECT

public:
    PictureButton(const QPixmap& normal, const QPixmap& pressed, QWidget* parent = nullptr);

    QSize sizeHint() const override { return m_normal.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_normal;
    QPixmap m_pressed;
};
