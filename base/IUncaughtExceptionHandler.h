#pragma once

namespace corvane {

class Exception;
class Thread;

// What happens to an exception that ended a thread's body. The thread entry
// calls uncaughtException() on the ending thread, after the body has ended;
// when it returns, the thread finishes normally.
//
// Threads: one handler serves every thread and is called concurrently from
// any of them, so implementations keep no unguarded state.
// Throws: implementations must not throw.
class IUncaughtExceptionHandler
{
public:
    virtual ~IUncaughtExceptionHandler() = default;
    virtual void uncaughtException(Thread& thread, Exception& e) = 0;

protected:
    // The default reaction, for implementations that know the thread's name
    // (empty when it has none) and id: one line to the error trace, nothing
    // else; the exception is not rethrown and the process goes on.
    static void traceUncaught(const char* threadName, unsigned int threadId,
                              const Exception& e) noexcept;
};

} // namespace corvane
