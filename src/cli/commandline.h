#pragma once

// The command line. parseCommandLine (optiontable.h) refuses an unknown option, a missing value
// or a stray argument before any application object exists (exit 2, one line and a hint). The
// window-less modes (--list, --check, --extract) use a QCoreApplication, or, where pictures are
// decoded, a QGuiApplication on the offscreen plugin whatever the command line or environment
// asks for, so they never load a window-system plugin; only the windows' QApplication sees Qt's
// own options, and an unknown window-system plugin is a usage error instead of Qt's abort.

namespace velt {

// Parses the command line and runs the chosen mode; returns the exit status.
int runVelt(int argc, char **argv);

} // namespace velt
