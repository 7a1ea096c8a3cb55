#pragma once

namespace velt {

// Parses the command line and runs the chosen mode; returns the exit status.
int runVelt(int argc, char **argv);

} // namespace velt
