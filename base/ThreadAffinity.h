#pragma once

#include <source_location>
#include <thread>

namespace corvane {

// The thread an object belongs to, checked at the object's entry points in
// debug builds: assertOwner() ends the process with the caller's name when it
// runs on any other thread, so that a call made from a receive or writer
// thread is caught where it is made rather than as a rare race later. In
// release builds (NDEBUG) assertOwner() compiles to nothing; isOwner() works
// in both.
//
// Ownership: a plain value; the owner is the thread that constructed it (or
// last called rebind). Threads: isOwner and assertOwner from any thread;
// rebind only while no other thread uses the object. Throws: never.
class ThreadAffinity
{
public:
    ThreadAffinity() noexcept : m_owner(std::this_thread::get_id()) {}

    bool isOwner() const noexcept { return std::this_thread::get_id() == m_owner; }
    // The calling thread becomes the owner.
    void rebind() noexcept { m_owner = std::this_thread::get_id(); }

    void assertOwner(std::source_location caller = std::source_location::current()) const noexcept
    {
#ifndef NDEBUG
        if (!isOwner())
            failOffThread(caller);
#else
        (void)caller;
#endif
    }

private:
    [[noreturn]] static void failOffThread(const std::source_location& caller) noexcept;

    std::thread::id m_owner;
};

} // namespace corvane
