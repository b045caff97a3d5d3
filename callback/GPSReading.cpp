#include "callback/GPSReading.h"

#include "callback/AppConstants.h"
#include "callback/DecimalText.h"

#include <array>
#include <cmath>

namespace corvane {

namespace {

constexpr int fieldCount = AppConstants::gpsCourseField + 1;

bool isDigit(char c) noexcept
{
    return c >= '0' && c <= '9';
}

// Digits with at most one decimal point and at least one digit: no sign, no
// blank, no exponent, no words.
bool isUnsignedDecimal(std::string_view text) noexcept
{
    bool digit = false;
    bool point = false;
    for (const char c : text) {
        if (isDigit(c))
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

// ddmm[.m...] (degreeDigits 2) or dddmm[.m...] (3) with its hemisphere, into
// signed degrees; false for anything else.
bool readCoordinate(std::string_view value, std::string_view hemisphere, std::size_t degreeDigits,
                    char positive, char negative, double limit, double& degrees) noexcept
{
    const std::size_t point = value.find('.');
    const std::size_t whole = point == std::string_view::npos ? value.size() : point;
    if (whole != degreeDigits + 2 || !isUnsignedDecimal(value) ||
        (point != std::string_view::npos && point + 1 == value.size()))
        return false;
    if (hemisphere.size() != 1 || (hemisphere[0] != positive && hemisphere[0] != negative))
        return false;
    // Whole degrees above the last two integer digits, minutes below.
    const double x = DecimalText::toDouble(value);
    const double d = std::floor(x / 100.0);
    const double minutes = x - d * 100.0;
    const double result = d + minutes / 60.0;
    if (!std::isfinite(result) || !(minutes < 60.0) || !(result <= limit))
        return false;
    degrees = hemisphere[0] == negative ? -result : result;
    return true;
}

double readAmount(std::string_view text) noexcept
{
    if (!isUnsignedDecimal(text))
        return 0;
    const double value = DecimalText::toDouble(text);
    return std::isfinite(value) && value >= 0 ? value : 0;
}

} // namespace

std::size_t GPSReading::firstField(std::string_view sentence) noexcept
{
    const std::size_t pos = sentence.find_first_of("$GPRMC");
    return pos == std::string_view::npos ? 0 : pos + 1;
}

bool GPSReading::nextField(std::string_view sentence, std::size_t& pos,
                           std::string_view& field) noexcept
{
    std::size_t separator = sentence.find(',', pos);
    if (separator == std::string_view::npos)
        separator = sentence.find('*', pos);
    if (separator == std::string_view::npos) {
        field = pos < sentence.size() ? sentence.substr(pos) : std::string_view();
        pos = sentence.size();
        return false;
    }
    field = sentence.substr(pos, separator - pos);
    pos = separator + 1;
    return true;
}

GPSReading GPSReading::read(std::string_view sentence) noexcept
{
    std::array<std::string_view, fieldCount> fields{};
    std::size_t pos = firstField(sentence);
    for (std::size_t i = 0; i < fields.size() && nextField(sentence, pos, fields[i]); ++i) {
    }

    GPSReading reading;
    double latitude = 0;
    double longitude = 0;
    if (readCoordinate(fields[AppConstants::gpsLatitudeField],
                       fields[AppConstants::gpsLatitudeHemisphereField], 2, 'N', 'S', 90.0,
                       latitude) &&
        readCoordinate(fields[AppConstants::gpsLongitudeField],
                       fields[AppConstants::gpsLongitudeHemisphereField], 3, 'E', 'W', 180.0,
                       longitude)) {
        reading.hasPosition = true;
        reading.latitude = latitude;
        reading.longitude = longitude;
    }
    reading.speed = readAmount(fields[AppConstants::gpsSpeedField]);
    const std::string_view course = fields[AppConstants::gpsCourseField];
    reading.course = course.empty() ? -1.0 : readAmount(course);
    // hhmmss[.sss]: each pair read on its own, as far as the text reaches.
    const std::string_view time = fields[AppConstants::gpsFixTimeField];
    auto pair = [time](std::size_t at) {
        return at < time.size() ? DecimalText::toInt(time.substr(at, 2)) : 0;
    };
    reading.fixTime = Time(pair(0), pair(2), pair(4));
    return reading;
}

} // namespace corvane
