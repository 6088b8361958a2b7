#include "tally_window/window_placement.h"

#include <algorithm>

QPoint besideWindow(const QRect& anchor, const QSize& size, const QRect& screen)
{
    const int right = anchor.right() + 1;
    const int left = anchor.left() - size.width();
    int x = right;
    if (right + size.width() > screen.right() + 1) {
        const int roomRight = screen.right() + 1 - right;
        const int roomLeft = anchor.left() - screen.left();
        if (left >= screen.left() || roomLeft > roomRight)
            x = left;
    }
    // A screen smaller than the window keeps its top-left corner in view.
    x = std::max(std::min(x, screen.right() + 1 - size.width()), screen.left());
    const int y
        = std::max(std::min(anchor.top(), screen.bottom() + 1 - size.height()), screen.top());
    return { x, y };
}
