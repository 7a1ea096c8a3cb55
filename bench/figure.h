#pragma once

// The benchmarks' common output: besides their own lines, each prints its figures as
//   FIGURE<TAB>name<TAB>value<TAB>unit<TAB>meaning
// and scripts/run-benchmarks.sh gathers those lines of every benchmark into one table.

#include <cstdio>
#include <fstream>
#include <string>

namespace bench {

// name: benchmark.figure, no spaces; meaning: one line, no tabs, with the target if there is one.
inline void printFigure(const char *name, double value, const char *unit, const char *meaning,
                        int decimals = 1)
{
    std::printf("FIGURE\t%s\t%.*f\t%s\t%s\n", name, decimals, value, unit, meaning);
    std::fflush(stdout);
}

// A field of /proc/self/status in MB (VmHWM: peak resident memory, VmRSS: resident now); 0 where
// there is no such file.
inline double statusMegabytes(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stod(line.substr(prefix.size())) / 1024.0;
    }
    return 0;
}

// Starts the peak (VmHWM) afresh from the memory resident now; false where Linux does not allow it.
inline bool resetPeakMemory()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return bool(clear);
}

} // namespace bench
