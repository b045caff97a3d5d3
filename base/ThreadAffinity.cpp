#include "base/ThreadAffinity.h"

#include <cstdio>
#include <cstdlib>

namespace corvane {

void ThreadAffinity::failOffThread(const std::source_location& caller) noexcept
{
    std::fprintf(stderr, "%s called off its owner thread (%s:%u)\n", caller.function_name(),
                 caller.file_name(), static_cast<unsigned>(caller.line()));
    std::fflush(stderr);
    std::abort();
}

} // namespace corvane
