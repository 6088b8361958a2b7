#pragma once

// The window's pictures, painted at start so that no picture file has to be
// shipped or found: the tally sheet background, the picture buttons and the
// window icon.

#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QVector>

// The Song (SimSun) face of every window's text, or its Debian substitute.
QFont songFont(qreal points);

// Grey panel with the title banner and the two orange caption tabs.
QPixmap backgroundPicture();

// The framed panels of the background, in its pixels: the grid with its
// totals, the price summary, the right-hand column.
QVector<QRectF> backgroundFrames();

// A button face of `size` pixels showing `words`; `pressed` gives the
// sunken face shown while the button is held down.
QPixmap buttonPicture(const QString& words, QSize size, bool pressed);

// A log end with its growth rings.
QIcon programIcon();
// The same, painted at `side` pixels square.
QPixmap programIconPicture(int side);
