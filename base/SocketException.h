#pragma once

#include "base/Exception.h"

namespace corvane {

// A failed socket call. The message is the given text, or when none is given
// the system's description of the code (an errno value); either way it is
// kept inside the object, cut at 255 characters, so copies stay valid after
// the original is gone.
//
// Throws: never. Threads: as Exception.
class SocketException : public Exception
{
public:
    static constexpr int kMessageCapacity = 256;

    SocketException(const char* name, const char* file, int line, const char* function, int code,
                    const char* text = nullptr) noexcept;

    const char* getMessage() const noexcept override { return m_text; }

private:
    char m_text[kMessageCapacity];
};

} // namespace corvane
