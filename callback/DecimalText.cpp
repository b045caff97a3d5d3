#include "callback/DecimalText.h"

#include <charconv>
#include <cmath>

namespace corvane {

namespace {

// The blanks of the C locale's isspace.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::size_t skipBlanks(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

} // namespace

std::int32_t DecimalText::toInt(std::string_view text) noexcept
{
    std::size_t pos = skipBlanks(text);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // Unsigned arithmetic wraps by definition; only the low 32 bits matter.
    std::uint32_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10u + static_cast<std::uint32_t>(text[pos] - '0');
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<std::int32_t>(value);
}

double DecimalText::toDouble(std::string_view text) noexcept
{
    std::size_t pos = skipBlanks(text);
    // from_chars takes a minus sign but not a plus sign.
    if (pos + 1 < text.size() && text[pos] == '+' && text[pos + 1] != '-') {
        ++pos;
    }
    double value = 0.0;
    const char* first = text.data() + pos;
    const char* last = text.data() + text.size();
    auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value)) {
        return 0.0;
    }
    return value;
}

} // namespace corvane
