#include "app/CallbackDecider.h"

#include "app/StationController.h"
#include "base/Trace.h"

#include <exception>
#include <new>

namespace corvane {

CallbackDecider::CallbackDecider(StationController& controller, DropCounts& counts,
                                 std::size_t limit)
    : Thread("CallbackDecider"), m_controller(controller), m_handoff(
                                                               counts, [this] { wake(); }, limit)
{}

CallbackDecider::~CallbackDecider()
{
    stop();
}

void CallbackDecider::start()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
    }
    Thread::start();
}

void CallbackDecider::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_woken.notify_one();
    join();
    // A thread that never started (or ended early) leaves its callbacks
    // here; with it gone they are decided on the caller's thread.
    m_handoff.take(m_batch);
    decide(m_batch);
}

void CallbackDecider::wake()
{
    {
        std::lock_guard lock(m_mutex);
        m_wakeUp = true;
    }
    m_woken.notify_one();
}

void CallbackDecider::run()
{
    for (;;) {
        bool stopping = false;
        {
            std::unique_lock lock(m_mutex);
            m_woken.wait(lock, [this] { return m_wakeUp || m_stopping; });
            m_wakeUp = false;
            stopping = m_stopping;
        }
        // The take also owes the next append a wake-up; whatever came in
        // between is in this batch or wakes the wait again. Once stopping,
        // the receive thread has stopped: this take finds what it handed
        // over last.
        m_handoff.take(m_batch);
        decide(m_batch);
        if (stopping)
            return;
    }
}

void CallbackDecider::decide(std::vector<CallbackInfo>& batch)
{
    for (CallbackInfo& record : batch) {
        // One record the controller cannot finish must not stop the ones
        // behind it: the thread would end and nothing more would be stored.
        try {
            m_controller.handleCallback(record);
        } catch (const std::exception& e) {
            traceMessage("Exception - callback not decided: %s", e.what());
        }
    }
    batch.clear();
}

} // namespace corvane
