#pragma once

#include <array>
#include <cstdint>

namespace corvane {

// The settings behind the page's status colours and alarm attention, kept in
// setup.db beside the setup's own:
// - "page/LiveSeconds": a vehicle that reported within this many seconds is
//   shown live (60);
// - "page/AlarmKinds": the event types whose alarms flash and sound, one bit
//   per type code (bit 13, Emergency, alone at first);
// - "page/AlarmMuted": 1 while the operator has muted the alarm sound (0).
//
// Threads: any. Throws: never.
inline constexpr const char* liveSecondsKey = "page/LiveSeconds";
inline constexpr int defaultLiveSeconds = 60;
inline constexpr const char* alarmKindsKey = "page/AlarmKinds";
inline constexpr int defaultAlarmKinds = 1 << 13;
inline constexpr const char* alarmMutedKey = "page/AlarmMuted";

// The event types as the page names them, by type code; the setup dialog
// offers one check box each.
inline constexpr std::array<const char*, 14> alarmKindNames = {"Sensor",
                                                               "Motion",
                                                               "Video Loss",
                                                               "Text-In",
                                                               "S.M.A.R.T. Bad",
                                                               "S.M.A.R.T. Temperature",
                                                               "Record Bad",
                                                               "Disk Bad",
                                                               "Disk Full",
                                                               "Archive Disk Bad",
                                                               "Archive Disk Full",
                                                               "G-Sensor",
                                                               "Fan Failure",
                                                               "Emergency (Panic)"};

// The mask with only the bits of the known event types.
constexpr std::uint32_t knownAlarmKinds(std::uint32_t mask) noexcept
{
    return mask & ((1u << alarmKindNames.size()) - 1u);
}

} // namespace corvane
