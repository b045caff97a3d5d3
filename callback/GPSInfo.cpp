#include "callback/GPSInfo.h"

#include "callback/AppConstants.h"
#include "callback/DecimalText.h"

#include <cmath>

namespace corvane {

GPSInfo::GPSInfo(std::string_view sentence)
{
    std::size_t pos = sentence.find_first_of("$GPRMC");
    pos = pos == std::string_view::npos ? 0 : pos + 1;
    for (;;) {
        std::size_t separator = sentence.find(',', pos);
        if (separator == std::string_view::npos) {
            separator = sentence.find('*', pos);
        }
        if (separator == std::string_view::npos) {
            break;
        }
        m_fields.emplace_back(sentence.substr(pos, separator - pos));
        pos = separator + 1;
    }
    m_fields.emplace_back(sentence.substr(pos));
}

std::string_view GPSInfo::field(int index) const noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_fields.size()) {
        return {};
    }
    return m_fields[static_cast<std::size_t>(index)];
}

double GPSInfo::degrees(int valueIndex, int hemisphereIndex,
                        std::string_view negative) const noexcept
{
    // ddmm.mmmm (dddmm.mmmm for longitude): whole degrees above the last two
    // integer digits, minutes below.
    const double x = DecimalText::toDouble(field(valueIndex));
    const double d = std::floor(x / 100.0);
    const double value = d + (x - d * 100.0) / 60.0;
    return field(hemisphereIndex) == negative ? -value : value;
}

double GPSInfo::latitude() const noexcept
{
    return degrees(AppConstants::gpsLatitudeField, AppConstants::gpsLatitudeHemisphereField, "S");
}

double GPSInfo::longitude() const noexcept
{
    return degrees(AppConstants::gpsLongitudeField, AppConstants::gpsLongitudeHemisphereField, "W");
}

bool GPSInfo::hasPosition() const noexcept
{
    return !field(AppConstants::gpsLatitudeField).empty() &&
           !field(AppConstants::gpsLongitudeField).empty();
}

double GPSInfo::speed() const noexcept
{
    return DecimalText::toDouble(field(AppConstants::gpsSpeedField));
}

double GPSInfo::course() const noexcept
{
    const std::string_view text = field(AppConstants::gpsCourseField);
    return text.empty() ? -1.0 : DecimalText::toDouble(text);
}

Time GPSInfo::fixTime() const noexcept
{
    // hhmmss[.sss]: each pair read on its own, as far as the text reaches.
    const std::string_view text = field(AppConstants::gpsFixTimeField);
    auto pair = [text](std::size_t pos) {
        return pos < text.size() ? DecimalText::toInt(text.substr(pos, 2)) : 0;
    };
    return Time(pair(0), pair(2), pair(4));
}

} // namespace corvane
