#pragma once

#include <cstddef>
#include <cstring>

namespace corvane {

// Copies text into a fixed-capacity character field, cutting what does not
// fit and always terminating. The cut never splits a UTF-8 sequence: a
// character that would only partly fit is left out whole, so a stored name
// is always valid text. A null source stores the empty text.
template <std::size_t N>
void copyBounded(char (&target)[N], const char* source) noexcept
{
    static_assert(N >= 1);
    if (source == nullptr) {
        target[0] = '\0';
        return;
    }
    std::size_t length = ::strnlen(source, N);
    if (length >= N) {
        length = N - 1;
        // Back off over continuation bytes to the start of the cut character.
        while (length > 0 && (static_cast<unsigned char>(source[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(target, source, length);
    target[length] = '\0';
}

} // namespace corvane
