#include "viewer/viewerlayout.h"

namespace velt {

ViewerLayout FitToPlayer(int playerWidthTwips, int playerHeightTwips)
{
    ViewerLayout layout;
    layout.rowBase = 5160;
    layout.windowWidth = playerWidthTwips > 5295 ? playerWidthTwips + 330 : 5625;
    if (playerHeightTwips > 4935) {
        layout.windowHeight = playerHeightTwips + 2220;
        layout.rowBase = playerHeightTwips - 4935 + 5160;
    } else {
        layout.windowHeight = 7155;
    }
    layout.secondRow = layout.rowBase + 600;
    layout.thirdRow = layout.rowBase + 1200;
    return layout;
}

} // namespace velt
