#include "base/ErrorText.h"

#include <cstring>

namespace corvane {

namespace {
// strerror_r comes in two shapes: the GNU one returns the text (which may be
// a static string), the POSIX one fills the buffer and returns a status.
[[maybe_unused]] const char* pickText(const char* result, const char*) noexcept
{
    return result;
}
[[maybe_unused]] const char* pickText(int status, const char* buffer) noexcept
{
    return status == 0 ? buffer : "";
}
} // namespace

void systemErrorText(int code, char* out, std::size_t size) noexcept
{
    char scratch[256] = {};
    copyText(pickText(strerror_r(code, scratch, sizeof scratch), scratch), out, size);
}

void copyText(const char* text, char* out, std::size_t size) noexcept
{
    if (!text)
        text = "";
    const std::size_t n = strnlen(text, size - 1);
    std::memcpy(out, text, n);
    out[n] = '\0';
}

void copyTextOrSystemError(const char* text, int code, char* out, std::size_t size) noexcept
{
    if (text)
        copyText(text, out, size);
    else
        systemErrorText(code, out, size);
}

} // namespace corvane
