#pragma once

#include <cstdint>
#include <string>

namespace corvane {

class VehicleInfo;

// The texts of the page calls behind status colours, search and alarm
// attention, sent once the page has loaded and whenever a setting changes:
//
//     setLiveSeconds(60);        seconds within which a report counts as live
//     setAlarmKinds(8192);       event types that call for attention, bit n = type n
//     setAlarmMuted(0);          1 when the alarm sound is muted
//     setReportedName('<id>', '<name>');  the recorder's name of a vehicle the
//                                         operator has renamed, for the search
//
// Pure functions: callable from any thread; throw only std::bad_alloc.
class StatusCalls
{
public:
    static std::string setLiveSeconds(int seconds);
    static std::string setAlarmKinds(std::uint32_t mask);
    static std::string setAlarmMuted(bool muted);
    static std::string setReportedName(const VehicleInfo& vehicle);
};

} // namespace corvane
