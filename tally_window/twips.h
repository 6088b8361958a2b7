#pragma once

#include <QRect>
#include <QtMath>

// Design positions are in twips, 15 to a device-independent pixel.
constexpr int twipsPerPixel = 15;

inline int twipsToPixels(int twips)
{
    return qRound(twips / double(twipsPerPixel));
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(
        twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}
