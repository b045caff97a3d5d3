#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace corvane {

// A wait/signal primitive bound to its owner's mutex (the looping thread's
// state mutex, the message queue's mutex).
//
// Contract: every operation is called with the bound mutex held by the calling
// thread; wait() and timedWait() release it while they sleep and hold it again
// when they return. A signal given while nobody waits is lost. One signal
// releases one waiter: when several wake, the first to take the mutex consumes
// it and the others wait again. Signals given in a row are counted (up to the
// number of waiters), so two quick signals release two waiters. As with any
// condition, a released waiter rechecks its own predicate.
//
// Ownership: the mutex belongs to the owner and must outlive the condition.
// Throws: nothing.
class Condition
{
public:
    explicit Condition(std::mutex& mutex) : m_mutex(mutex) {}
    Condition(const Condition&) = delete;
    Condition& operator=(const Condition&) = delete;

    // Waits without time limit until signalled.
    void wait();

    // Waits at most `milliseconds` (0 or less: a single look without sleeping
    // longer). True when signalled, false when the time ran out. The elapsed
    // time is measured on a 32-bit millisecond tick counter in unsigned
    // arithmetic, so the counter's wrap does no harm.
    bool timedWait(int32_t milliseconds);

    // Releases one waiter, if any waits.
    void signal();

    // Releases every thread waiting at this moment, and only those: a thread
    // that starts waiting afterwards is not released by it (used where all
    // waiters must learn of a change, such as a queue being closed).
    void signalAll();

    // The number of threads waiting and not yet released.
    int32_t waiters() const { return m_waiters; }

    // A millisecond tick counter that wraps every 2^32 ms.
    static uint32_t tickCount();

private:
    std::mutex& m_mutex;
    std::condition_variable m_event;
    int32_t m_waiters = 0;
    int32_t m_signals = 0;     // signals given but not yet consumed, at most m_waiters
    uint64_t m_generation = 0; // advanced by signalAll
};

} // namespace corvane
