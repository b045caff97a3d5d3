#pragma once

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

    // The caller's place comes from the compiler's built-ins, which every
    // compiler of the project has (std::source_location is missing from
    // clang 14 with this standard library).
    void assertOwner(const char* function = __builtin_FUNCTION(),
                     const char* file = __builtin_FILE(),
                     int line = __builtin_LINE()) const noexcept
    {
#ifndef NDEBUG
        if (!isOwner())
            failOffThread(function, file, line);
#else
        (void)function;
        (void)file;
        (void)line;
#endif
    }

private:
    [[noreturn]] static void failOffThread(const char* function, const char* file,
                                           int line) noexcept;

    std::thread::id m_owner;
};

} // namespace corvane
