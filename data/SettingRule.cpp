#include "data/SettingRule.h"

#include <cctype>
#include <climits>
#include <cstdio>

namespace corvane {

std::string SettingRule::rangeMessage() const
{
    char text[96];
    std::snprintf(text, sizeof text, rangeFormat, minimum, maximum);
    return text;
}

std::optional<int> SettingRule::read(std::string_view stored) const noexcept
{
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!stored.empty() && blank(stored.front()))
        stored.remove_prefix(1);
    while (!stored.empty() && blank(stored.back()))
        stored.remove_suffix(1);
    bool negative = false;
    if (!stored.empty() && (stored.front() == '+' || stored.front() == '-')) {
        negative = stored.front() == '-';
        stored.remove_prefix(1);
    }
    if (stored.empty())
        return std::nullopt;
    long long value = 0;
    for (const char c : stored) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 10 + (c - '0');
        // Far beyond any range already: no need to read on, nor to overflow.
        if (value > INT_MAX)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (!accepts(static_cast<int>(value)))
        return std::nullopt;
    return static_cast<int>(value);
}

} // namespace corvane
