#include "callback/GPSInfo.h"

namespace corvane {

GPSInfo::GPSInfo(std::string_view sentence) : m_reading(GPSReading::read(sentence))
{
    std::size_t pos = GPSReading::firstField(sentence);
    for (bool more = true; more;) {
        std::string_view field;
        more = GPSReading::nextField(sentence, pos, field);
        m_fields.emplace_back(field);
    }
}

} // namespace corvane
