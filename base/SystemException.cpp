#include "base/SystemException.h"

#include "base/ErrorText.h"

#include <cerrno>

namespace corvane {

SystemException::SystemException(const char* name, const char* file, int line,
                                 const char* function) noexcept
    : SystemException(name, file, line, function, errno)
{}

SystemException::SystemException(const char* name, const char* file, int line, const char* function,
                                 int code) noexcept
    : Exception(name, file, line, function, code, nullptr)
{
    systemErrorText(code, m_text, sizeof m_text);
}

} // namespace corvane
