#pragma once

#include <cstddef>
#include <cstring>

namespace corvane {

// The length of the longest start of text (size bytes) that holds at most
// capacity bytes and splits no UTF-8 sequence.
inline std::size_t boundedLength(const char* text, std::size_t size, std::size_t capacity) noexcept
{
    if (size <= capacity)
        return size;
    std::size_t length = capacity;
    // Back off over continuation bytes to the start of the cut character.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    return length;
}

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
    const std::size_t length = boundedLength(source, ::strnlen(source, N), N - 1);
    std::memcpy(target, source, length);
    target[length] = '\0';
}

} // namespace corvane
