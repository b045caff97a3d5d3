#pragma once

#include <string>
#include <sys/types.h>

namespace corvane {

// What one process holds at a moment, read from /proc: resident memory,
// threads, open descriptors, and the resident memory of all its descendants
// (the web engine's helper processes), and the processor time each side has
// used so far. A process that has gone reads as zeros.
// Plain value; read() from any thread; never throws.
struct ProcessFigures
{
    long residentKiB = 0;
    long threads = 0;
    long descriptors = 0;
    long descendants = 0;
    long descendantsResidentKiB = 0;
    // User plus system time in clock ticks (sysconf(_SC_CLK_TCK) a second).
    long long cpuTicks = 0;
    long long descendantsCpuTicks = 0;

    static ProcessFigures read(pid_t pid);
    // User plus system time of the process's threads of this name (the
    // first 15 bytes of a Thread's name), in clock ticks; 0 when none.
    static long long threadCpuTicks(pid_t pid, const std::string& name);
};

} // namespace corvane
