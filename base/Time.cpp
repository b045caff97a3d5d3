#include "base/Time.h"

#include "base/SerialBytes.h"

#include <algorithm>

namespace corvane {

namespace {

std::int32_t pack(int zoneUnits, int hour, int minute, int second) noexcept
{
    const std::uint32_t bits = ((static_cast<std::uint32_t>(zoneUnits) & 0xffu) << 24) |
                               ((static_cast<std::uint32_t>(hour) & 0xffu) << 16) |
                               ((static_cast<std::uint32_t>(minute) & 0xffu) << 8) |
                               (static_cast<std::uint32_t>(second) & 0xffu);
    return static_cast<std::int32_t>(bits);
}

} // namespace

Time::Time(int hour, int minute, int second, int zoneSeconds) noexcept
    : m_value(pack(std::clamp(zoneSeconds / secondsPerZoneUnit, -128, 127), hour, minute, second))
{}

Time Time::fromPacked(std::int32_t packed) noexcept
{
    Time time;
    time.m_value = packed;
    return time;
}

const Time& Time::unset() noexcept
{
    static const Time none;
    return none;
}

int Time::hour() const noexcept
{
    return (static_cast<std::uint32_t>(m_value) >> 16) & 0xffu;
}

int Time::minute() const noexcept
{
    return (static_cast<std::uint32_t>(m_value) >> 8) & 0xffu;
}

int Time::second() const noexcept
{
    return static_cast<std::uint32_t>(m_value) & 0xffu;
}

int Time::zoneUnits() const noexcept
{
    return static_cast<std::int8_t>(static_cast<std::uint32_t>(m_value) >> 24);
}

bool Time::equals(const Time& other) const
{
    return timeOfDay() == other.timeOfDay();
}

bool Time::lessThan(const Time& other) const
{
    return timeOfDay() < other.timeOfDay();
}

bool Time::greaterThan(const Time& other) const
{
    return timeOfDay() > other.timeOfDay();
}

void Time::toString(IFormatable& target) const
{
    target.format("%02d:%02d:%02d", hour(), minute(), second());
}

bool Time::readAt(std::span<const std::uint8_t> buffer, std::size_t offset, ByteOrder)
{
    if (!SerialBytes::fits(buffer.size(), offset, byteSize))
        return false;
    const std::uint8_t* p = buffer.data() + offset;
    m_value = pack(p[0], p[1], p[2], p[3]);
    return true;
}

bool Time::readFrom(std::istream& in, ByteOrder order)
{
    return SerialBytes::readFrom(*this, in, order);
}

bool Time::writeAt(std::span<std::uint8_t> buffer, std::size_t offset, ByteOrder) const
{
    if (!SerialBytes::fits(buffer.size(), offset, byteSize))
        return false;
    std::uint8_t* p = buffer.data() + offset;
    const auto bits = static_cast<std::uint32_t>(m_value);
    p[0] = static_cast<std::uint8_t>(bits >> 24);
    p[1] = static_cast<std::uint8_t>(bits >> 16);
    p[2] = static_cast<std::uint8_t>(bits >> 8);
    p[3] = static_cast<std::uint8_t>(bits);
    return true;
}

bool Time::writeTo(std::ostream& out, ByteOrder order) const
{
    return SerialBytes::writeTo(*this, out, order);
}

} // namespace corvane
