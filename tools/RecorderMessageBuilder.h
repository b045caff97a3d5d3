#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace corvane {

// The part every recorder datagram starts with: who sends, from which device, when.
struct RecorderHeader
{
    std::string name;        // UTF-8; may contain commas; empty is sent as one space
    std::string deviceTitle; // UTF-8; may contain commas
    std::string id;          // 36-character UUID text of the vehicle
    int32_t channel = 0;     // the station stores it plus one
    uint32_t flags = 0;
    int year = 2000, month = 1, day = 1; // recorder's clock
    int hour = 0, minute = 0, second = 0;
};

// Builds the comma-separated datagram texts a recorder sends: alarm events (type
// below 100), position reports (type 100) and vehicle details (type 101).
//
// Empty fields cannot be written (a run of commas counts as one separator), so empty
// texts go out as a single space (the station reads it back as empty for the name
// and detail values only), and commas inside names, titles and detail values
// travel as the unit separator 0x1F. Filler fields carry a non-empty placeholder.
// Stateless; never throws except std::bad_alloc.
class RecorderMessageBuilder
{
public:
    static constexpr int32_t gpsReportType = 100;
    static constexpr int32_t detailsType = 101;

    // Alarm event with the given code (0..13 are the named ones).
    static std::string event(const RecorderHeader& header, int32_t code);

    // Position report; the sentence is sent with its '*' and checksum.
    static std::string gpsReport(const RecorderHeader& header, std::string_view sentence);

    // Vehicle details: pairs in the map's order. Keys must not contain commas.
    static std::string details(const RecorderHeader& header,
                               const std::map<std::string, std::string>& pairs);

    // A text field: commas become 0x1F, empty text becomes " ".
    static std::string encodeText(std::string_view text);

    // Packed date and time as the station reads them: y*65536 + m*256 + d.
    static int32_t packDate(int year, int month, int day);
    static int32_t packTime(int hour, int minute, int second);

private:
    static std::string fixedPart(const RecorderHeader& header, int32_t type);
};

} // namespace corvane
