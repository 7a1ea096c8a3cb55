#pragma once

#include <QString>

namespace velt {

// Keeps Qt's and the media back end's debug and warning chatter off standard error, which
// carries the program's own messages. Critical and fatal messages still pass. VELT_DEBUG=1 in
// the environment lets everything through, as Qt would print it.
void installMessageFilter();

// One line of the program's own on standard error (a file it refused to read, and why).
void printProblem(const QString &line);

} // namespace velt
