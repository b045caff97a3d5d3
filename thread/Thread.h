#pragma once

#include "thread/IRunnable.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace corvane {

class IUncaughtExceptionHandler;

// A named body run on its own operating-system thread. While it runs, the
// thread is registered under its operating-system id (see currentThread())
// and carries the first 15 bytes of its name as its operating-system name.
// Whatever escapes the body is handed to the process's uncaught-exception
// handler: an Exception as it is, a standard-library exception as a
// StandardException, any other thrown value as an UnknownException; the
// thread then finishes normally and join() returns.
//
// Lifecycle: idle until start(); running until the body ends; idle again and
// startable again after that. Owners join() before destroying a started
// thread (the destructor does not wait).
// Ownership: the name is not copied and must outlive the thread (a string
// literal in practice); a body given to the constructor is not owned.
// Threads: start() and join() are called by the owner; getName(), getId() and
// isRunning() from any thread.
// Throws: start() raises SystemException.
class Thread : public IRunnable
{
public:
    // A thread whose body is its own run() (which does nothing here).
    explicit Thread(const char* name = nullptr, int32_t attribute1 = 1, int32_t attribute2 = 2);
    // A thread that runs `body`.
    Thread(IRunnable& body, const char* name, int32_t attribute1 = 1, int32_t attribute2 = 2);
    ~Thread() override;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void run() override {}

    // Starts the operating-system thread. Raises SystemException with the
    // creation error when it cannot be created, and with EBUSY when this
    // thread is still running.
    void start();

    // Waits without time limit until the body has ended; returns at once when
    // the thread was never started or has already ended.
    void join();

    bool isRunning() const;

    // The name, or the empty text for a thread without one.
    const char* getName() const { return m_name; }
    // The operating-system thread id, written by the thread when it starts.
    uint32_t getId() const { return m_id.load(); }
    int32_t getAttribute1() const { return m_attribute1; }
    int32_t getAttribute2() const { return m_attribute2; }

    // The Thread registered for the calling operating-system thread, else the
    // process's NullThread.
    static Thread& currentThread();

    // The handler that receives whatever escapes a body. The station keeps
    // the default (which writes one line to the silent error trace); tests
    // install their own. Pass nullptr to restore the default.
    static IUncaughtExceptionHandler& uncaughtExceptionHandler();
    static void setUncaughtExceptionHandler(IUncaughtExceptionHandler* handler);

private:
    static void entry(Thread* self);
    void runBody();
    void setDone();

    std::atomic<bool> m_hasHandle{false};
    // The done event: set while the thread is not running.
    mutable std::mutex m_doneMutex;
    std::condition_variable m_doneEvent;
    bool m_done = true;
    std::atomic<uint32_t> m_id{0};
    const int32_t m_attribute1;
    const int32_t m_attribute2;
    IRunnable& m_runnable;
    const char* const m_name;
};

} // namespace corvane
