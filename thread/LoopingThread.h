#pragma once

#include "thread/Condition.h"
#include "thread/Thread.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace corvane {

// A thread that calls step() over and over until asked to stop, with onStart()
// before the first step and onFinish() once at the end. There is no pause
// between steps: a step with nothing to do waits by itself (on a selector, a
// queue with a time limit, ...).
//
// The loop can be held in a suspended state between steps (suspend/resume);
// stop() also wakes a suspended loop. The stop request is not cleared by
// start(): owners call clearStopRequest() before each start, and a request
// left standing makes the next run call onStart() and onFinish() and no step.
//
// Lifecycle: owners stop(), join(), and destroy only after that.
// Threads: step() and the hooks run on the looping thread; stop(), suspend(),
// resume() and the queries may be called from any thread.
// Throws: start() as Thread; exceptions escaping a hook or step end the loop
// without onFinish() and go to the uncaught-exception handler.
class LoopingThread : public Thread
{
public:
    enum State : int32_t
    {
        Idle = 0,
        Running = 1,
        Suspended = 2,
    };

    explicit LoopingThread(const char* name);

    // The loop of step() calls. A subclass that must own its waiting (the
    // database writer, the callback server) overrides this instead and
    // keeps its own stop signal.
    void run() override;

    // Requests the end of the loop and returns at once, without waiting: a
    // running step finishes first.
    virtual void stop();

    // Holds the loop before its next step / lets it go on.
    void suspend();
    void resume();

    bool isStopRequested() const { return m_stopRequested.load(); }
    void clearStopRequest() { m_stopRequested = false; }
    State getState() const { return m_state.load(); }

protected:
    virtual void onStart() {}
    virtual void step() {}
    virtual void onFinish() {}

private:
    // True when stop was requested while the loop was held.
    bool waitWhileSuspended();

    std::atomic<bool> m_stopRequested{false};
    std::atomic<State> m_state{Idle};
    std::mutex m_mutex; // guards state changes and the condition
    Condition m_condition{m_mutex};
};

} // namespace corvane
