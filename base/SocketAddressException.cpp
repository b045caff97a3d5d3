#include "base/SocketAddressException.h"

#include "base/ErrorText.h"

namespace corvane {

SocketAddressException::SocketAddressException(const char* name, const char* file, int line,
                                               const char* function, int code,
                                               const char* text) noexcept
    : Exception(name, file, line, function, code, nullptr)
{
    copyTextOrSystemError(text, code, m_text, sizeof m_text);
}

} // namespace corvane
