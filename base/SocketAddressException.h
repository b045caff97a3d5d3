#pragma once

#include "base/Exception.h"

namespace corvane {

// A socket address that could not be made. Never raised by itself: the base
// of the address failures. Message as SocketException's: the given text, or
// the system's description of the code, kept inside the object and cut at
// 255 characters.
//
// Throws: never. Threads: as Exception.
class SocketAddressException : public Exception
{
public:
    static constexpr int kMessageCapacity = 256;

    SocketAddressException(const char* name, const char* file, int line, const char* function,
                           int code, const char* text = nullptr) noexcept;

    const char* getMessage() const noexcept override { return m_text; }

private:
    char m_text[kMessageCapacity];
};

} // namespace corvane
