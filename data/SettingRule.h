#pragma once

#include "data/Setup.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// A number the station keeps in setup.db: its key, its default, the range
// the setup dialog lets an operator give it, and the refusal the dialog shows
// for a value outside. The station reads its stored settings through the
// same rules, so a value edited into the file by other means is held to the
// same range.
//
// Plain constant values. Threads: any. Throws: never but std::bad_alloc.
struct SettingRule
{
    const char* key;
    int defaultValue;
    int minimum;
    int maximum;
    // printf format of the refusal, given minimum and maximum.
    const char* rangeFormat;

    bool accepts(int value) const noexcept { return value >= minimum && value <= maximum; }
    std::string rangeMessage() const;

    // The stored text as this setting's value: blanks around an optional
    // sign and decimal digits, within the range. Nothing for anything else
    // ("abc", "12abc", "1.5", an empty text, a number out of range).
    std::optional<int> read(std::string_view stored) const noexcept;
};

inline constexpr SettingRule portRule{Setup::portKey, Setup::defaultPort, 1500, 32000,
                                      "Port must be between %d ~ %d"};
// Minutes without a callback before a vehicle is marked as timed out.
inline constexpr SettingRule timeoutRule{Setup::timeoutDurationKey, Setup::defaultTimeoutDuration,
                                         1, 28800, "Timeout must be between %d ~ %d"};

// Days of GPS samples and events kept in app.db; 0 keeps everything.
inline constexpr SettingRule keepDaysRule{"data/KeepDays", 0, 0, 3650,
                                          "Keep days must be between %d ~ %d"};
// The speed limit (km/h) outside every zone with a limit of its own; 0: none.
inline constexpr SettingRule speedLimitRule{"rules/SpeedLimitKmh", 0, 0, 500,
                                            "Speed limit must be between %d ~ %d km/h"};
// Free space (MB) below which the database writer stops writing.
inline constexpr SettingRule minFreeRule{"data/MinFreeMB", 200, 0, 1048576,
                                         "Minimum free space must be between %d ~ %d MB"};

// Megabytes of tiles fetched online kept in tiles.db; 0 keeps none.
inline constexpr SettingRule tileCacheRule{"map/CacheMB", 1024, 0, 1048576,
                                           "Tile cache must be between %d ~ %d MB"};

// The most vehicles the map page lists; beyond them a vehicle is known by
// name only. The page itself keeps to the same range.
inline constexpr SettingRule listLimitRule{"page/ListLimit", 101, 101, 10000,
                                           "List limit must be between %d ~ %d"};

// The operator's MBTiles files, one path a line, answered first to last.
inline constexpr char tileFilesKey[] = "map/TileFiles";
// The paths of a stored tile file list: each line trimmed of blanks, blank
// lines left out.
std::vector<std::string> tileFilePaths(std::string_view stored);

} // namespace corvane
