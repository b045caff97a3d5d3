#pragma once

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

namespace corvane::bench {

// The figures every benchmark prints: wall time on the steady clock and this
// process's resident memory. Any thread may call them. Throws: never.

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// This process's resident set in KiB, or -1 where /proc is not readable.
inline long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

} // namespace corvane::bench
