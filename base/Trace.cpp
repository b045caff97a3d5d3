#include "base/Trace.h"

namespace corvane {

void traceMessage(const char*, ...) noexcept {}
void traceException(const Exception&) noexcept {}
void traceError(const char*, ...) noexcept {}

} // namespace corvane
