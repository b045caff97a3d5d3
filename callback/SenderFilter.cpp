#include "callback/SenderFilter.h"

#include <charconv>

namespace corvane {

namespace {

bool isSeparator(char c)
{
    return c == ',' || c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A decimal number of 1 to 3 digits, no sign, no blanks.
bool parseSmall(std::string_view text, unsigned& value, unsigned limit)
{
    if (text.empty() || text.size() > 3)
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && value <= limit;
}

} // namespace

bool SenderFilter::parseAddress(std::string_view text, std::uint32_t& address) noexcept
{
    std::uint32_t value = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos)
            return false;
        unsigned octet = 0;
        if (!parseSmall(text.substr(0, dot), octet, 255))
            return false;
        value = value << 8 | octet;
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    address = value;
    return true;
}

bool SenderFilter::parseEntry(std::string_view entry, Range& range) noexcept
{
    unsigned prefix = 32;
    const std::size_t slash = entry.find('/');
    if (slash != std::string_view::npos) {
        if (!parseSmall(entry.substr(slash + 1), prefix, 32))
            return false;
        entry = entry.substr(0, slash);
    }
    std::uint32_t address = 0;
    if (!parseAddress(entry, address))
        return false;
    // A shift by 32 is undefined: prefix 0 is the whole space.
    range.mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
    range.network = address & range.mask;
    return true;
}

bool SenderFilter::parse(std::string_view text, std::string* error)
{
    std::vector<Range> ranges;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (isSeparator(text[pos])) {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < text.size() && !isSeparator(text[end]))
            ++end;
        const std::string_view entry = text.substr(pos, end - pos);
        Range range{};
        if (!parseEntry(entry, range)) {
            if (error != nullptr)
                error->assign(entry);
            return false;
        }
        ranges.push_back(range);
        pos = end;
    }
    m_ranges = std::move(ranges);
    return true;
}

bool SenderFilter::allows(std::uint32_t address) const noexcept
{
    if (m_ranges.empty())
        return true;
    for (const Range& range : m_ranges) {
        if ((address & range.mask) == range.network)
            return true;
    }
    return false;
}

bool SenderFilter::allows(const char* dotted) const noexcept
{
    if (m_ranges.empty())
        return true;
    std::uint32_t address = 0;
    return dotted != nullptr && parseAddress(dotted, address) && allows(address);
}

} // namespace corvane
