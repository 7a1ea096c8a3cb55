#pragma once

#include "platform/twips.h"

#include <QRect>
#include <QSize>

namespace velt {

// The picture window's geometry. Everything here is in twips.
// Largest display area in either direction; a larger picture gets a scroll bar.
inline constexpr int kPictureViewport = 10000;
inline constexpr int kPictureMinWindowWidth = 3120;
inline constexpr int kPictureButtonGap = 305;
inline constexpr int kScrollBarThickness = 255;
inline constexpr int kPictureScrollStep = 300;

// Geometry of the window's controls as it opens (left, top, width, height).
inline constexpr QRect kPicture1Initial{120, 120, 2775, 2295};
inline constexpr QRect kHScroll1Initial{120, 2400, 2775, 255};
inline constexpr QRect kVScroll1Initial{2880, 120, 255, 2295};
inline constexpr QRect kCommand1Initial{120, 2880, 975, 375};
inline constexpr QRect kCommand2Initial{1080, 2880, 855, 375};
inline constexpr QRect kCommand3Initial{1920, 2880, 975, 375};
inline constexpr QSize kPictureInitialClient{3210, 3390};

struct PictureLayout
{
    bool hScrollVisible = false;
    bool vScrollVisible = false;
    QRect picture1; // the display area
    QSize window;   // outer size
    // Plain ints: the scroll range is not limited to 16 bits, so a picture of any width the
    // loader accepts scrolls to its end.
    int hScrollMax = 0;
    int vScrollMax = 0;
    QRect hScroll;
    QRect vScroll;
    int buttonTop = 0;

    QSize client() const { return window - kWindowFrameTwips; }
};

// Lays the window out around a picture of the given size in twips.
PictureLayout layoutPicture(QSize pictureTwips);

} // namespace velt
