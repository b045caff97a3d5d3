#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Turns narrow (UTF-8) text into the body of a single-quoted script string.
//
// Backslashes are doubled first, then every apostrophe gets a backslash, so
// the inserted escapes are never doubled themselves. Every character that
// would end or corrupt a single-quoted literal is escaped as well: CR and LF
// as \r and \n, the script line terminators U+2028 and U+2029 as \u2028 and
// \u2029, and every other control character (C0 and DEL, NUL included) as
// \u00XX. Everything else, invalid UTF-8 included, is copied unchanged.
//
// Pure functions: callable from any thread; they throw only std::bad_alloc.
class ScriptLiteral
{
public:
    // The escaped body, without the enclosing apostrophes.
    static std::string escape(std::string_view text);

    // Appends 'escaped text' (apostrophes included) to target.
    static void appendQuoted(std::string& target, std::string_view text);
};

} // namespace corvane
