#pragma once

#include "base/SocketAddressException.h"

namespace corvane {

// A host name that the resolver could not turn into an address. The code is
// the resolver's own result (an EAI_* value of getaddrinfo, not an errno), so
// without a given text the message is the resolver's description of it.
//
// Throws: never. Threads: as Exception.
class SocketAddressInfoException : public SocketAddressException
{
public:
    SocketAddressInfoException(const char* name, const char* file, int line, const char* function,
                               int code, const char* text = nullptr) noexcept;
};

} // namespace corvane
