#pragma once

namespace corvane {

// A body of work that a Thread runs on its own operating-system thread.
//
// Threads: run() is called on the running thread only. Throws: whatever
// escapes run() goes to the process's uncaught-exception handler.
class IRunnable
{
public:
    virtual ~IRunnable() = default;
    virtual void run() = 0;
};

} // namespace corvane
