#pragma once

#include "base/IFormatable.h"

#include <cstdarg>
#include <cstdio>

namespace corvane {

// A text target of fixed capacity N bytes (terminator included) that cuts
// instead of overflowing. The station uses 64 (identifiers), 128 (query
// conditions), 256 (time formats), 1024 and 2048 (SQL statements).
//
// getLength() counts the characters written; once a write has been cut it
// equals N although the buffer holds only its first N-1 characters, so that a
// later append() sees no room and reports the cut again.
//
// Ownership: the text lives inside the object; no allocation ever happens.
// Threads: one thread at a time. Throws: never.
template <int N>
class FormatableBuffer final : public IFormatable
{
    static_assert(N >= 2, "a buffer needs room for one character and the terminator");

public:
    static constexpr int capacity = N;

    FormatableBuffer() noexcept { m_buffer[0] = '\0'; }

    FormatableBuffer(const FormatableBuffer&) = default;
    FormatableBuffer& operator=(const FormatableBuffer&) = default;

    void vformat(const char* fmt, va_list args) noexcept override
    {
        m_length = 0;
        m_buffer[0] = '\0';
        const int written = std::vsnprintf(m_buffer, N, fmt, args);
        if (written < 0) {
            // An encoding error leaves the buffer's content unspecified:
            // keep it empty rather than expose a half-written text.
            m_buffer[0] = '\0';
            return;
        }
        m_length = written >= N ? N : written;
    }

    // Adds formatted text after the current text. Returns false when nothing
    // could be written (room of one byte or less) or when the text was cut;
    // a cut fills the buffer and sets the length to N.
    bool append(const char* fmt, ...) noexcept __attribute__((format(printf, 2, 3)))
    {
        va_list args;
        va_start(args, fmt);
        const bool whole = vappend(fmt, args);
        va_end(args);
        return whole;
    }

    bool vappend(const char* fmt, va_list args) noexcept
    {
        const int room = N - m_length;
        if (room <= 1)
            return false;
        const int written = std::vsnprintf(m_buffer + m_length, room, fmt, args);
        if (written < 0) {
            // Encoding error: drop whatever was half-written, keep the old text.
            m_buffer[m_length] = '\0';
            return false;
        }
        if (written >= room) {
            m_length = N;
            return false;
        }
        m_length += written;
        return true;
    }

    const char* getText() const noexcept override { return m_buffer; }
    int getLength() const noexcept { return m_length; }

private:
    int m_length = 0;
    char m_buffer[N];
};

} // namespace corvane
