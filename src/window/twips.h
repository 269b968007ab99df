#pragma once

#include <QRect>

// The window's layout is given in twips, 1/1440 inch: 15 of them make one device-independent
// pixel at 96 dots per inch, and Qt scales device-independent pixels for HiDPI screens.
constexpr int twipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    return (twips + twipsPerPixel / 2) / twipsPerPixel;
}

constexpr QRect twipsToPixels(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}
