#pragma once

#include <cstdio>
#include <string>

namespace corvane::test {

// The identifier text of sample vehicle `number`:
// "<prefix>-0000-4000-8000-<number in 12 digits>", in lower case as the
// station writes identifiers. A prefix of its own (8 hexadecimal digits) keeps
// one test's vehicles apart from another's.
inline std::string sampleVehicleId(long long number, const char* prefix = "0badc0de")
{
    char text[48];
    std::snprintf(text, sizeof text, "%.8s-0000-4000-8000-%012lld", prefix, number);
    return text;
}

} // namespace corvane::test
