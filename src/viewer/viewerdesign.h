#pragma once

#include "platform/designedcontrol.h"
#include "viewer/viewerlayout.h"

namespace velt {

// The main window's fifteen buttons in tab order (Command1 first), and its five labels.
inline constexpr int kViewerButtonCount = 15;
inline constexpr int kViewerLabelCount = 5;
extern const DesignedControl kViewerButtons[kViewerButtonCount];
extern const DesignedControl kViewerLabels[kViewerLabelCount];

// Where a control of the designed rows goes when the window is fitted to the player: the first
// row at the row base, the second 600 below, the third (labels, paging, list and copy) 1200 below.
int fittedTop(int designTop, const ViewerLayout &layout);

} // namespace velt
