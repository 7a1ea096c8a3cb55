#pragma once

namespace velt {

// One control as designed: name, caption, tooltip and twips geometry (left, top, width, height).
struct DesignedControl
{
    const char *name;
    const char *caption;
    const char *tooltip;
    int left, top, width, height;
};

} // namespace velt
