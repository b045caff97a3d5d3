#pragma once

#include "data/Setup.h"

#include <string>

namespace corvane {

// The values the setup dialog edits: their keys, defaults and accepted
// ranges, and the texts it shows when a value is out of range.
//
// Threads: any. Throws: never but std::bad_alloc.

struct SettingRule
{
    const char* key;
    int defaultValue;
    int minimum;
    int maximum;
    // printf format of the refusal, given minimum and maximum.
    const char* rangeFormat;

    bool accepts(int value) const noexcept { return value >= minimum && value <= maximum; }
    std::string rangeMessage() const;
};

inline constexpr SettingRule portRule{Setup::portKey, Setup::defaultPort, 1500, 32000,
                                      "Port must be between %d ~ %d"};
// Minutes without a callback before a vehicle is marked as timed out.
inline constexpr SettingRule timeoutRule{Setup::timeoutDurationKey, Setup::defaultTimeoutDuration,
                                         1, 28800, "Timeout must be between %d ~ %d"};

// Days of GPS samples and events kept in app.db; 0 keeps everything.
inline constexpr SettingRule keepDaysRule{"data/KeepDays", 0, 0, 3650,
                                          "Keep days must be between %d ~ %d"};

// A number box's text as a signed integer: optional blanks and sign, then the
// leading digits; text that is not a number reads as 0 and a number beyond
// the int range as the nearest bound.
int parseBoxNumber(const std::string& text) noexcept;

} // namespace corvane
