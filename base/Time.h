#pragma once

#include "base/IComparable.h"
#include "base/ISerializable.h"
#include "base/IStringConvertable.h"

#include <cstdint>

namespace corvane {

// A time of day packed into one 32-bit value: zone offset in bits 24 to 31
// (signed, in units of 15 minutes), hour in bits 16 to 23, minute in bits 8
// to 15, second in bits 0 to 7. All bits set (-1) means "no time".
//
// Equality and ordering look at hour, minute and second only (the low 24
// bits): two times that differ only in their zone are equal. An unset time
// orders after every set time. Text form "%02d:%02d:%02d" (07:03:09).
// Byte form (4 bytes): zone units (signed), hour, minute, second.
//
// Ownership: a plain value. Threads: one thread per instance; copy to share.
// Throws: never.
class Time final : public IComparable<Time>, public IStringConvertable, public ISerializable
{
public:
    static constexpr std::int32_t unsetValue = -1;
    static constexpr std::size_t byteSize = 4;
    static constexpr int secondsPerZoneUnit = 900;

    Time() noexcept = default;
    // Hour, minute and second are packed as given. The zone offset in seconds
    // east of UTC is stored in whole 15-minute units, the remainder dropped
    // toward zero; offsets beyond what 8 bits hold (about +-32 hours) are
    // clamped rather than wrapped into a zone of the opposite sign.
    Time(int hour, int minute, int second, int zoneSeconds = 0) noexcept;
    Time(const Time&) noexcept = default;
    Time& operator=(const Time&) noexcept = default;

    // From the packed form (zone units << 24) + hour * 65536 + minute * 256 + second.
    static Time fromPacked(std::int32_t packed) noexcept;
    static const Time& unset() noexcept;

    std::int32_t packed() const noexcept { return m_value; }
    bool isSet() const noexcept { return m_value != unsetValue; }
    int hour() const noexcept;
    int minute() const noexcept;
    int second() const noexcept;
    int zoneUnits() const noexcept;
    int zoneSeconds() const noexcept { return zoneUnits() * secondsPerZoneUnit; }

    bool equals(const Time& other) const override;
    bool lessThan(const Time& other) const override;
    bool greaterThan(const Time& other) const override;

    void toString(IFormatable& target) const override;

    std::size_t serializedSize() const override { return byteSize; }
    bool readAt(std::span<const std::uint8_t> buffer, std::size_t offset, ByteOrder order) override;
    bool readFrom(std::istream& in, ByteOrder order) override;
    bool writeAt(std::span<std::uint8_t> buffer, std::size_t offset,
                 ByteOrder order) const override;
    bool writeTo(std::ostream& out, ByteOrder order) const override;

    friend bool operator==(const Time& a, const Time& b) noexcept { return a.equals(b); }

private:
    std::uint32_t timeOfDay() const noexcept
    {
        return static_cast<std::uint32_t>(m_value) & 0xffffffu;
    }

    std::int32_t m_value = unsetValue;
};

} // namespace corvane
