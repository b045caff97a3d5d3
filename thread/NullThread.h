#pragma once

#include "thread/Thread.h"

namespace corvane {

// Stands for every thread that this library did not start (the main thread
// among them): Thread::currentThread() returns it there. Named "Null"; its
// body does nothing and it is never started.
//
// Lifecycle: one instance for the whole process, made on first use.
// Threads: shared read-only by every thread.
class NullThread : public Thread
{
public:
    static NullThread& instance();
    void run() override {}

private:
    NullThread() : Thread("Null", 1, 2) {}
};

} // namespace corvane
