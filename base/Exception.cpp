#include "base/Exception.h"

namespace corvane {

namespace {
const char* orEmpty(const char* text)
{
    return text ? text : "";
}
} // namespace

Exception::Exception(const char* name, const char* file, int line, const char* function, int code,
                     const char* message) noexcept
    : m_name(orEmpty(name)), m_file(orEmpty(file)), m_line(line), m_function(orEmpty(function)),
      m_code(code), m_message(orEmpty(message))
{}

void Exception::toString(IFormatable& target) const
{
    target.format("%s: %s\tat %s(%s:%d)", m_name, getMessage(), m_function, m_file, m_line);
}

} // namespace corvane
