#pragma once

#include "platform/twips.h"

namespace velt {

// The main window laid out around the player, all values in twips (outer window size).
struct ViewerLayout
{
    int windowWidth = 0;
    int windowHeight = 0;
    int rowBase = 0;   // top of Command1, Command7, Command6, Command4, Command9, Command11
    int secondRow = 0; // top of Command2, Command8, Command5, Command3, Command10
    int thirdRow = 0;  // top of Label1..Label5 and Command12..Command15
};

ViewerLayout FitToPlayer(int playerWidthTwips, int playerHeightTwips);

// The player size (twips) limited so that the window FitToPlayer lays out around it fits an
// available screen area of the given outer size (twips). A player that fits keeps its size, and
// the limit never takes it below the standard 5250 x 4935.
QSize playerWithinScreen(QSize playerTwips, QSize availableTwips);

// Where a window frame (outer geometry, pixels) goes so that it lies inside the available area:
// moved as little as possible; a frame larger than the area keeps its top-left corner inside.
QPoint keepOnScreen(QRect frame, QRect area);

} // namespace velt
