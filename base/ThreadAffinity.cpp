#include "base/ThreadAffinity.h"

#include <cstdio>
#include <cstdlib>

namespace corvane {

void ThreadAffinity::failOffThread(const char* function, const char* file, int line) noexcept
{
    std::fprintf(stderr, "%s called off its owner thread (%s:%d)\n", function, file, line);
    std::fflush(stderr);
    std::abort();
}

} // namespace corvane
