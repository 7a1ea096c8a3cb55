#include "picture/picturelayout.h"

namespace velt {

namespace {

constexpr int kWidthMargin = 345;
constexpr int kWidthMarginWithBar = 600;
constexpr int kHeightMargin = 1260;
constexpr int kWideWindowWidth = 10345;
constexpr int kBothBarsWindowWidth = 10600;
constexpr int kTallWindowHeight = 11260;

} // namespace

PictureLayout layoutPicture(QSize pictureTwips)
{
    const int w = pictureTwips.width();
    const int h = pictureTwips.height();
    const bool wide = w > kPictureViewport;
    const bool tall = h > kPictureViewport;

    PictureLayout layout;
    layout.hScrollVisible = wide;
    layout.vScrollVisible = tall;
    layout.hScrollMax = wide ? w - kPictureViewport : 0;
    layout.vScrollMax = tall ? h - kPictureViewport : 0;
    layout.picture1 = QRect(kPicture1Initial.topLeft(),
                            QSize(wide ? kPictureViewport : w, tall ? kPictureViewport : h));

    int windowWidth = 0;
    if (wide)
        windowWidth = tall ? kBothBarsWindowWidth : kWideWindowWidth;
    else
        windowWidth = w + (tall ? kWidthMarginWithBar : kWidthMargin);
    if (windowWidth <= kPictureMinWindowWidth)
        windowWidth = kPictureMinWindowWidth;
    const int windowHeight = tall ? kTallWindowHeight : h + kHeightMargin;
    layout.window = QSize(windowWidth, windowHeight);

    const QRect &p = layout.picture1;
    layout.hScroll = QRect(p.left(), p.top() + p.height(), p.width(), kScrollBarThickness);
    layout.vScroll = QRect(p.left() + p.width(), p.top(), kScrollBarThickness, p.height());
    layout.buttonTop = p.top() + p.height() + kPictureButtonGap;
    return layout;
}

} // namespace velt
