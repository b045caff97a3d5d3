#pragma once

#include <cstdint>
#include <string_view>

namespace corvane {

// Numbers inside callback texts, read the way recorders have always expected
// (leading blanks skipped, optional sign, digits up to the first other byte,
// no digits reads as 0) but without the C library's undefined corners:
// neither function reads past the view, needs a terminator, overflows or
// depends on the process locale.
//
// Threads: any. Throws: never.
class DecimalText
{
public:
    // An integer as atoi reads it. Values outside int32 wrap modulo 2^32, so
    // a 32-bit flag word written as unsigned decimal keeps all its bits.
    static std::int32_t toInt(std::string_view text) noexcept;

    // A floating-point number as atof reads it, always with '.' as the
    // decimal point. Text that gives no finite number (none at all, "inf",
    // "nan", or out of double's range) reads as 0.
    static double toDouble(std::string_view text) noexcept;
};

} // namespace corvane
