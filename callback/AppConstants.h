#pragma once

#include "base/ISingleton.h"

#include <array>
#include <string>

namespace corvane {

// The station's fixed vocabulary: alarm event codes and their names, the
// message type numbers of a callback record, the field positions of a GPS
// sentence and the date and time patterns used to write time stamps.
//
// Lifetime: created on the first call of instance() and never destroyed, so
// it stays usable while other single instances are torn down at exit.
// Threads: instance() and every reader may be called from any thread; the
// content never changes after creation. Throws: only std::bad_alloc, once,
// from the first instance().
class AppConstants : public ISingleton
{
public:
    // Message types of a callback record; every type below 100 is an alarm
    // event whose value is the event code.
    static constexpr int gpsMessageType = 100;
    static constexpr int optionalInfoMessageType = 101;

    // Field positions in a split GPS sentence (see GPSInfo).
    static constexpr int gpsFixTimeField = 1;
    static constexpr int gpsLatitudeField = 3;
    static constexpr int gpsLatitudeHemisphereField = 4;
    static constexpr int gpsLongitudeField = 5;
    static constexpr int gpsLongitudeHemisphereField = 6;
    static constexpr int gpsSpeedField = 7;
    static constexpr int gpsCourseField = 8;

    // The selected patterns: year-month-day and 24-hour time with seconds.
    static constexpr int dateFormatIndex = 0;
    static constexpr int timeFormatIndex = 1;

    static constexpr int eventCodeCount = 14;
    // Events the station raises itself (zones and speed), from this code on:
    // 1000 "Zone enter", 1001 "Zone exit", 1002 "Overspeed".
    static constexpr int firstStationEventCode = 1000;
    static constexpr int stationEventCodeCount = 3;

    static const AppConstants& instance();

    // The name of event codes 0 to 13 and of the station's own (1000 to
    // 1002); empty text for any other code.
    const std::u16string& getEventName(int code) const;

    // The strftime pattern of a date choice (0 to 8), of a time choice (0 or
    // 1) and of a month choice (0 to 8). An index outside the table gives the
    // pattern of choice 0.
    const std::string& dateFormat(int index) const;
    const std::string& timeFormat(int index) const;
    const std::string& monthFormat(int index) const;

private:
    AppConstants();

    std::array<std::u16string, eventCodeCount> m_eventNames;
    std::array<std::u16string, stationEventCodeCount> m_stationEventNames;
    std::u16string m_noName;
    std::array<std::string, 9> m_dateFormats;
    std::array<std::string, 2> m_timeFormats;
    std::array<std::string, 9> m_monthFormats;
};

} // namespace corvane
