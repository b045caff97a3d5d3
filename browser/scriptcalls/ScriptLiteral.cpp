#include "browser/scriptcalls/ScriptLiteral.h"

namespace corvane {

namespace {

void appendUnicodeEscape(std::string& target, unsigned code)
{
    static constexpr char digits[] = "0123456789abcdef";
    target += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) {
        target += digits[(code >> shift) & 0xF];
    }
}

void appendEscaped(std::string& target, std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '\\':
            target += "\\\\";
            continue;
        case '\'':
            target += "\\'";
            continue;
        case '\n':
            target += "\\n";
            continue;
        case '\r':
            target += "\\r";
            continue;
        default:
            break;
        }
        if (c < 0x20 || c == 0x7F) {
            appendUnicodeEscape(target, c);
            continue;
        }
        // U+2028 and U+2029 are E2 80 A8 and E2 80 A9 in UTF-8; the script parser
        // treats them as line breaks, which end a string literal.
        if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
             static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            appendUnicodeEscape(target, 0x2000u + static_cast<unsigned char>(text[i + 2]) - 0x80u);
            i += 2;
            continue;
        }
        target += static_cast<char>(c);
    }
}

} // namespace

std::string ScriptLiteral::escape(std::string_view text)
{
    std::string result;
    result.reserve(text.size() + text.size() / 8);
    appendEscaped(result, text);
    return result;
}

void ScriptLiteral::appendQuoted(std::string& target, std::string_view text)
{
    target += '\'';
    appendEscaped(target, text);
    target += '\'';
}

} // namespace corvane
