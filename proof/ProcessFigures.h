#pragma once

#include <sys/types.h>

namespace corvane {

// What one process holds at a moment, read from /proc: resident memory,
// threads, open descriptors, and the resident memory of all its descendants
// (the web engine's helper processes). A process that has gone reads as zeros.
// Plain value; read() from any thread; never throws.
struct ProcessFigures
{
    long residentKiB = 0;
    long threads = 0;
    long descriptors = 0;
    long descendants = 0;
    long descendantsResidentKiB = 0;

    static ProcessFigures read(pid_t pid);
};

} // namespace corvane
