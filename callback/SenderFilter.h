#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Which IPv4 senders the callback server takes datagrams from. The text form
// is a list of addresses ("192.0.2.7") and ranges ("198.51.100.0/24"),
// separated by commas, blanks or semicolons. An empty list allows everyone,
// as a station with no list always has.
//
// A range's host bits need not be zero: "10.1.2.3/8" is read as 10.0.0.0/8,
// as an operator who typed the station's own address with its prefix means.
//
// Ownership: a plain value. Threads: const operations may run on any number
// of threads at once. Throws: only std::bad_alloc.
class SenderFilter
{
public:
    // The setting (setup.db) that holds the list; absent or empty: everyone.
    static constexpr const char* settingKey = "callback/AllowedSenders";

    // Allows everyone.
    SenderFilter() = default;

    // Reads a list; false, with `error` naming the first entry that is no
    // address or range and this filter unchanged, when the text is refused.
    bool parse(std::string_view text, std::string* error = nullptr);

    // Whether a datagram from this sender (host byte order) is taken.
    bool allows(std::uint32_t address) const noexcept;
    // The same for dotted text; text that is no IPv4 address is refused
    // unless the filter allows everyone.
    bool allows(const char* dotted) const noexcept;

    bool allowsEveryone() const noexcept { return m_ranges.empty(); }

    // One dotted IPv4 address in host byte order; false for anything else
    // (no names, no short forms such as "10.1").
    static bool parseAddress(std::string_view text, std::uint32_t& address) noexcept;

private:
    struct Range
    {
        std::uint32_t network;
        std::uint32_t mask;
    };
    static bool parseEntry(std::string_view entry, Range& range) noexcept;

    std::vector<Range> m_ranges;
};

} // namespace corvane
