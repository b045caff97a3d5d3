#include "data/SettingRule.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>

namespace corvane {

namespace {

bool isBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string SettingRule::rangeMessage() const
{
    char text[96];
    std::snprintf(text, sizeof text, rangeFormat, minimum, maximum);
    return text;
}

std::optional<int> SettingRule::read(std::string_view stored) const noexcept
{
    stored = trimmed(stored);
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

std::vector<std::string> tileFilePaths(std::string_view stored)
{
    std::vector<std::string> paths;
    while (!stored.empty()) {
        const std::size_t end = std::min(stored.find('\n'), stored.size());
        const std::string_view line = trimmed(stored.substr(0, end));
        if (!line.empty())
            paths.emplace_back(line);
        stored.remove_prefix(std::min(end + 1, stored.size()));
    }
    return paths;
}

} // namespace corvane
