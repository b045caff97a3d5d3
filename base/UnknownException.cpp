#include "base/UnknownException.h"

namespace corvane {

UnknownException::UnknownException() noexcept
    : Exception("UnknownException", "unknown_file", 0, "unknown_function", 0, "unknown_message")
{}

void UnknownException::toString(IFormatable& target) const
{
    target.format("%s", getName());
}

} // namespace corvane
