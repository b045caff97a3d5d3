#pragma once

#include "dialogs/AlarmAttentionRules.h"

#include <cstdint>
#include <vector>

namespace corvane {

// The event types the operator chose as alarms: recorder types by the bits
// of "page/AlarmKinds" (only the types that have a name count) and the
// station's own types 1000 and up by the bits of "page/ZoneAlarmKinds".
// The default value chooses none.
//
// Ownership and threads: a plain value. Throws: never but std::bad_alloc
// (types).
class AlarmKinds
{
public:
    constexpr AlarmKinds() noexcept = default;
    constexpr AlarmKinds(std::uint32_t recorderMask, std::uint32_t zoneMask) noexcept
        : m_recorder(knownAlarmKinds(recorderMask)), m_zone(knownZoneAlarmKinds(zoneMask))
    {}

    constexpr bool contains(int eventType) const noexcept
    {
        if (eventType >= 0 && eventType < typeBits)
            return (m_recorder >> eventType) & 1u;
        const int bit = eventType - firstZoneEventType;
        return bit >= 0 && bit < typeBits && ((m_zone >> bit) & 1u);
    }

    // The chosen types, ascending.
    std::vector<std::int32_t> types() const
    {
        std::vector<std::int32_t> chosen;
        for (const int base : {0, firstZoneEventType}) {
            for (int type = base; type < base + typeBits; ++type) {
                if (contains(type))
                    chosen.push_back(type);
            }
        }
        return chosen;
    }

    // Every type that can be chosen lies in [0, 32) or [1000, 1032).
    static constexpr int typeBits = 32;

private:
    std::uint32_t m_recorder = 0;
    std::uint32_t m_zone = 0;
};

} // namespace corvane
