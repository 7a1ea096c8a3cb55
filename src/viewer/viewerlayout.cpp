#include "viewer/viewerlayout.h"

#include <algorithm>

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

QSize playerWithinScreen(QSize playerTwips, QSize availableTwips)
{
    // FitToPlayer's window is the player plus 330 twips wide and 2220 twips high.
    const int width = std::max(availableTwips.width() - 330, std::min(playerTwips.width(), 5250));
    const int height =
            std::max(availableTwips.height() - 2220, std::min(playerTwips.height(), 4935));
    return QSize(std::min(playerTwips.width(), width), std::min(playerTwips.height(), height));
}

QPoint keepOnScreen(QRect frame, QRect area)
{
    const int right = std::max(area.left(), area.right() + 1 - frame.width());
    const int bottom = std::max(area.top(), area.bottom() + 1 - frame.height());
    return QPoint(std::clamp(frame.left(), area.left(), right),
                  std::clamp(frame.top(), area.top(), bottom));
}

} // namespace velt
