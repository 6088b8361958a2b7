#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window of `size` opens beside `anchor` (both outer frames): to its
// right when it fits on `screen`, else to its left, top edges level; moved
// just enough to stay wholly on the screen where neither side has room.
QPoint besideWindow(const QRect& anchor, const QSize& size, const QRect& screen);
