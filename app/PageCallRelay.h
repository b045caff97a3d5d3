#pragma once

#include "browser/scriptcalls/FrameScript.h"
#include "browser/scriptcalls/PageCallSink.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>

namespace corvane {

// The road of every page call to the window's frames: the calls that reports
// make, gathered off the GUI thread, and the window's own, taken by the window
// once per display frame. The calls are merged as they come (FrameScript: each
// vehicle's moves become one marker move and its track points, its listed
// position the last one), so a window that is held for a while finds one
// gathering per vehicle, not every report; alarms and vehicle creations are
// kept as they are, in order, and are the last to give way to the limit.
//
// The wake function runs when a call arrives and no wake-up is owed since the
// last take(), so a busy fleet costs the window one wake-up per frame. It
// runs on the calling thread, outside the lock, and may call nothing of this
// object.
//
// Ownership: a value owning the gathered calls and the wake function.
// Threads: call() from any thread (the decider's, and the window's); take(), setLimit() and the
// figures from any thread, usually the window's. Throws: std::bad_alloc only; call() also what the
// wake function throws (the call is kept and the wake-up owed again).
class PageCallRelay final : public PageCallSink
{
public:
    using Wake = std::function<void()>;

    // limit: calls kept at most while nobody takes them (FrameScript's
    // order of giving way); 0: no limit.
    PageCallRelay(Wake wake, std::size_t limit);

    PageCallRelay(const PageCallRelay&) = delete;
    PageCallRelay& operator=(const PageCallRelay&) = delete;

    void call(PageCall call) override;

    // The gathered calls as one script (empty when none), and the relay
    // empty; the next call owes a wake-up again.
    std::string take();

    // A new limit from the next call on (0: none): the window lifts it while
    // the page is given its whole state, which is never cut.
    void setLimit(std::size_t limit);

    // Calls that gave way to the limit, and alarms among them, since the
    // last take().
    std::size_t givenWay() const;
    std::size_t alarmsGivenWay() const;

private:
    const Wake m_wake;
    mutable std::mutex m_mutex;
    FrameScript m_frame;     // guarded by m_mutex
    bool m_wakeOwed = false; // guarded by m_mutex
};

} // namespace corvane
