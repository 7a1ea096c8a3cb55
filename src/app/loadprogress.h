#pragma once

namespace velt {

// The texts of the progress window's label as the start-up collection goes from stage to stage:
// the window opens on the first, the collection sets the others.
extern const char *const kLabelSearchingIE;
extern const char *const kLabelSearchingNetscape;
extern const char *const kLabelSearchingBrowsers;
extern const char *const kLabelOrganizing;

} // namespace velt
