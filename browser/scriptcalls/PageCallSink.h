#pragma once

#include "browser/scriptcalls/PageCall.h"

namespace corvane {

// Where MapPage hands each call: the main window's frame for the page, or a
// recorder in tests.
//
// Threads: whatever thread the implementation allows (the window's: its GUI
// thread). A sink may keep a call for later (the window keeps what is made
// while the page is not there, within a bound) or let it give way.
// Must not throw but std::bad_alloc.
class PageCallSink
{
public:
    virtual ~PageCallSink() = default;

    virtual void call(PageCall call) = 0;
};

} // namespace corvane
