#pragma once

#include <QRect>
#include <QSize>

namespace velt {

// Window and control geometry is designed in twips: 1/1440 inch, 15 twips a pixel at 96 dpi.
inline constexpr int kTwipsPerPixel = 15;

// Twips to whole pixels, rounded half away from zero.
constexpr int twipsToPixels(int twips)
{
    return (twips >= 0 ? twips + kTwipsPerPixel / 2 : twips - kTwipsPerPixel / 2) / kTwipsPerPixel;
}
constexpr QRect twipsToPixels(QRect twips)
{
    return QRect(twipsToPixels(twips.left()), twipsToPixels(twips.top()),
                 twipsToPixels(twips.width()), twipsToPixels(twips.height()));
}
constexpr QSize twipsToPixels(QSize twips)
{
    return QSize(twipsToPixels(twips.width()), twipsToPixels(twips.height()));
}

// Designed window sizes are outer sizes; Qt sizes the client area. The designed frame: outer
// size minus client area (8 x 27 pixels).
inline constexpr QSize kWindowFrameTwips{120, 405};

} // namespace velt
