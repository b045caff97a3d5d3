#pragma once

#include <cstdarg>

namespace corvane {

// A text target: something whose whole text can be replaced by printf-style
// formatted text. Implementations decide where the text lives and how it is
// bounded (fixed buffers cut, SQL builders quote).
//
// Ownership: the text returned by getText() belongs to the target and stays
// valid until the next format() or the target's destruction.
// Threads: a target belongs to the thread that made it.
// Throws: FormatableBuffer never throws; other implementations say so.
class IFormatable
{
public:
    virtual ~IFormatable() = default;

    // Replaces the current text by the formatted text.
    void format(const char* fmt, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list args;
        va_start(args, fmt);
        vformat(fmt, args);
        va_end(args);
    }

    // The va_list form of format(); what implementations override.
    virtual void vformat(const char* fmt, va_list args) = 0;

    // The current text, terminated.
    virtual const char* getText() const = 0;

protected:
    IFormatable() = default;
    IFormatable(const IFormatable&) = default;
    IFormatable& operator=(const IFormatable&) = default;
};

} // namespace corvane
