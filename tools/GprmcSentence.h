#pragma once

#include <string>
#include <string_view>

namespace corvane {

// One recommended-minimum position fix, as a recorder's GPS receiver reports it.
// Plain value; any thread may use its own copy.
struct GprmcFix
{
    int year = 2000; // four digits; written as two
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    double second = 0.0;    // written with two decimals
    bool valid = true;      // status A, else V
    double latitude = 0.0;  // degrees, south negative
    double longitude = 0.0; // degrees, west negative
    double speedKnots = 0.0;
    double courseDegrees = -1.0; // negative: the course field stays empty
};

// Writes "$GPRMC" sentences with a correct checksum, the form a recorder forwards
// inside a position report. Stateless; never throws except std::bad_alloc.
class GprmcSentence
{
public:
    // "$GPRMC,hhmmss.ss,A,ddmm.mmmm,N,dddmm.mmmm,W,speed,course,ddmmyy,,*HH"
    static std::string format(const GprmcFix& fix);

    // XOR of every byte between '$' and '*' (the caller passes exactly those bytes).
    static unsigned checksum(std::string_view body);
};

} // namespace corvane
