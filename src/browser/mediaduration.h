#pragma once

#include <QString>

#include <optional>

// How long a movie or sound plays, as its container says, for the report. The file is read
// through libavformat with a cap on the bytes it may read, so a damaged or hostile file costs
// a bounded read and never a hang.

namespace velt {

// Seconds; empty when the container does not say or cannot be read within the cap.
std::optional<double> mediaDurationSeconds(const QString &path);

} // namespace velt
