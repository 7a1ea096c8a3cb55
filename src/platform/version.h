#pragma once

#include <QString>

namespace velt {

inline constexpr int kVersionMajor = VELT_VERSION_MAJOR;
inline constexpr int kVersionMinor = VELT_VERSION_MINOR;
inline constexpr int kVersionRevision = VELT_VERSION_PATCH;

// "Version 1.3.0"
inline QString versionText()
{
    return QStringLiteral("Version %1.%2.%3")
            .arg(kVersionMajor)
            .arg(kVersionMinor)
            .arg(kVersionRevision);
}

inline const char *const kProgramTitle = "VELT";

} // namespace velt
