#include "callback/Utf8Text.h"

#include <cstdint>

namespace corvane {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one character at bytes[pos] and advances pos past it. An ill-formed
// sequence yields the replacement character and advances past its maximal
// subpart only, so the byte that broke it starts the next character.
char32_t decodeOne(std::string_view bytes, std::size_t& pos)
{
    const auto lead = static_cast<std::uint8_t>(bytes[pos++]);
    if (lead < 0x80) {
        return lead;
    }
    int trailing;
    char32_t value;
    std::uint8_t low = 0x80; // range of the first continuation byte
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2;
        value = lead & 0x0Fu;
        if (lead == 0xE0) {
            low = 0xA0; // no overlong forms
        } else if (lead == 0xED) {
            high = 0x9F; // no surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3;
        value = lead & 0x07u;
        if (lead == 0xF0) {
            low = 0x90; // no overlong forms
        } else if (lead == 0xF4) {
            high = 0x8F; // nothing above U+10FFFF
        }
    } else {
        return kReplacement; // continuation byte, C0, C1 or F5..FF
    }
    for (int i = 0; i < trailing; ++i) {
        if (pos >= bytes.size()) {
            return kReplacement;
        }
        const auto byte = static_cast<std::uint8_t>(bytes[pos]);
        if (byte < low || byte > high) {
            return kReplacement;
        }
        value = (value << 6) | (byte & 0x3Fu);
        ++pos;
        low = 0x80;
        high = 0xBF;
    }
    return value;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace

std::string Utf8Text::decode(std::string_view bytes, std::size_t maxUtf16Units)
{
    std::string out;
    out.reserve(bytes.size() < 4 * maxUtf16Units ? bytes.size() : 4 * maxUtf16Units);
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const char32_t c = decodeOne(bytes, pos);
        const std::size_t width = c >= 0x10000 ? 2 : 1;
        if (units + width > maxUtf16Units) {
            break;
        }
        units += width;
        appendUtf8(out, c);
    }
    return out;
}

} // namespace corvane
