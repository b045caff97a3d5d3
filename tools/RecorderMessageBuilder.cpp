#include "tools/RecorderMessageBuilder.h"

namespace corvane {

std::string RecorderMessageBuilder::encodeText(std::string_view text)
{
    if (text.empty())
        return " ";
    std::string out(text);
    for (char& c : out) {
        if (c == ',')
            c = '\x1f';
    }
    return out;
}

int32_t RecorderMessageBuilder::packDate(int year, int month, int day)
{
    return year * 65536 + month * 256 + day;
}

int32_t RecorderMessageBuilder::packTime(int hour, int minute, int second)
{
    return hour * 65536 + minute * 256 + second;
}

std::string RecorderMessageBuilder::fixedPart(const RecorderHeader& header, int32_t type)
{
    // Fields: name, type, channel, (unused), device title, flags, date, time,
    // aux text, aux number, aux text, vehicle id.
    std::string out = encodeText(header.name);
    out += ',' + std::to_string(type);
    out += ',' + std::to_string(header.channel);
    out += ",0";
    out += ',' + encodeText(header.deviceTitle);
    out += ',' + std::to_string(header.flags);
    out += ',' + std::to_string(packDate(header.year, header.month, header.day));
    out += ',' + std::to_string(packTime(header.hour, header.minute, header.second));
    out += ",0,0,0,";
    out += header.id;
    return out;
}

std::string RecorderMessageBuilder::event(const RecorderHeader& header, int32_t code)
{
    return fixedPart(header, code);
}

std::string RecorderMessageBuilder::gpsReport(const RecorderHeader& header,
                                              std::string_view sentence)
{
    std::string out = fixedPart(header, gpsReportType);
    out += ',';
    out += sentence;
    return out;
}

std::string RecorderMessageBuilder::details(const RecorderHeader& header,
                                            const std::map<std::string, std::string>& pairs)
{
    std::string out = fixedPart(header, detailsType);
    out += ",0," + std::to_string(pairs.size());
    for (const auto& [key, value] : pairs) {
        out += ',' + key;
        out += ',' + encodeText(value);
    }
    return out;
}

} // namespace corvane
