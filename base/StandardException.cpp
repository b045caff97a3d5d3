#include "base/StandardException.h"

#include "base/ErrorText.h"

namespace corvane {

StandardException::StandardException(const std::exception& e) noexcept
    : Exception("UnknownException", "unknown_file", 0, "unknown_function", 0, nullptr)
{
    copyText(e.what(), m_text, sizeof m_text);
}

void StandardException::toString(IFormatable& target) const
{
    target.format("%s: %s", getName(), getMessage());
}

} // namespace corvane
