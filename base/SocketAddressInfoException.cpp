#include "base/SocketAddressInfoException.h"

#include <netdb.h>

namespace corvane {

SocketAddressInfoException::SocketAddressInfoException(const char* name, const char* file, int line,
                                                       const char* function, int code,
                                                       const char* text) noexcept
    : SocketAddressException(name, file, line, function, code, text ? text : gai_strerror(code))
{}

} // namespace corvane
