#include "tools/GprmcSentence.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace corvane {

namespace {

// Degrees as the sentence writes them: whole degrees then minutes with four
// decimals. Minutes are rounded first so that 59.99996' never prints as 60.0000'.
std::string degreesMinutes(double value, int degreeDigits)
{
    double magnitude = std::fabs(value);
    long tenThousandths = std::lround(magnitude * 60.0 * 10000.0);
    long degrees = tenThousandths / (60L * 10000L);
    long minuteUnits = tenThousandths % (60L * 10000L);
    char text[32];
    std::snprintf(text, sizeof text, "%0*ld%02ld.%04ld", degreeDigits, degrees, minuteUnits / 10000,
                  minuteUnits % 10000);
    return text;
}

} // namespace

unsigned GprmcSentence::checksum(std::string_view body)
{
    unsigned sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    return sum;
}

std::string GprmcSentence::format(const GprmcFix& fix)
{
    // Hundredths of a second, rounded once, so that 59.999 s cannot print as "60.00".
    long hundredths = std::clamp(std::lround(fix.second * 100.0), 0L, 5999L);
    char time[48];
    std::snprintf(time, sizeof time, "%02d%02d%02ld.%02ld", fix.hour, fix.minute, hundredths / 100,
                  hundredths % 100);
    char speed[24];
    std::snprintf(speed, sizeof speed, "%.1f", fix.speedKnots < 0 ? 0.0 : fix.speedKnots);
    char course[24] = "";
    if (fix.courseDegrees >= 0)
        std::snprintf(course, sizeof course, "%.1f", std::fmod(fix.courseDegrees, 360.0));
    char date[16];
    std::snprintf(date, sizeof date, "%02d%02d%02d", fix.day, fix.month, fix.year % 100);

    std::string body = "GPRMC,";
    body += time;
    body += fix.valid ? ",A," : ",V,";
    body += degreesMinutes(fix.latitude, 2);
    body += fix.latitude < 0 ? ",S," : ",N,";
    body += degreesMinutes(fix.longitude, 3);
    body += fix.longitude < 0 ? ",W," : ",E,";
    body += speed;
    body += ',';
    body += course;
    body += ',';
    body += date;
    body += ",,"; // magnetic variation and its direction: not known to the recorder

    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X", checksum(body));
    return "$" + body + tail;
}

} // namespace corvane
