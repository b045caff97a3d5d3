#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// Decoding of the UTF-8 texts that recorders send (names, device titles) into
// the station's narrow text, which on this platform is UTF-8 as well. The
// round trip through UTF-16 reduces to: keep every well-formed character,
// replace every ill-formed sequence (stray continuation bytes, overlong forms,
// encoded surrogates, values above U+10FFFF, truncated sequences) by U+FFFD,
// one replacement per maximal ill-formed subpart, and stop before the
// character that would take the text past a limit counted in UTF-16 code
// units. A supplementary character (two units) is never split.
//
// Threads: any. Throws: std::bad_alloc only.
class Utf8Text
{
public:
    static std::string decode(std::string_view bytes, std::size_t maxUtf16Units);
};

} // namespace corvane
