#pragma once

namespace velt {

// Keeps Qt's and the media back end's debug and warning chatter off standard error, which
// carries the program's own messages. Critical and fatal messages still pass. VELT_DEBUG=1 in
// the environment lets everything through, as Qt would print it.
void installMessageFilter();

} // namespace velt
