#pragma once

#include <string>

namespace corvane {

// Where the main window's script calls go: the page, or a recorder in tests.
//
// Threads: called on the main window's thread. A sink may keep a call for
// later (the window keeps what is made while the page is not there, within
// a bound) or drop it. Must not throw but std::bad_alloc.
class ScriptSink
{
public:
    virtual ~ScriptSink() = default;

    // Runs one complete call text (UTF-8) in the page, keeps it, or drops it.
    virtual void executeScript(const std::string& script) = 0;
};

} // namespace corvane
