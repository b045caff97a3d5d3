#include "base/Date.h"

#include "base/Calendar.h"
#include "base/SerialBytes.h"

namespace corvane {

namespace {

std::int32_t pack(int high, int middle, int low) noexcept
{
    const std::uint32_t bits = (static_cast<std::uint32_t>(high) << 16) |
                               ((static_cast<std::uint32_t>(middle) & 0xffu) << 8) |
                               (static_cast<std::uint32_t>(low) & 0xffu);
    return static_cast<std::int32_t>(bits);
}

} // namespace

Date::Date(int year, int month, int day) noexcept : m_value(pack(year, month, day)) {}

Date::Date(std::time_t seconds) noexcept
{
    std::tm tm{};
    if (localtime_r(&seconds, &tm) != nullptr)
        m_value = pack(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

Date Date::fromPacked(std::int32_t packed) noexcept
{
    Date date;
    date.m_value = packed;
    return date;
}

const Date& Date::unset() noexcept
{
    static const Date none;
    return none;
}

Date Date::today() noexcept
{
    return Date(std::time(nullptr));
}

int Date::year() const noexcept
{
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(m_value) >> 16);
}

int Date::month() const noexcept
{
    return (static_cast<std::uint32_t>(m_value) >> 8) & 0xffu;
}

int Date::day() const noexcept
{
    return static_cast<std::uint32_t>(m_value) & 0xffu;
}

Date Date::addDays(std::int64_t days) const noexcept
{
    if (!isSet())
        return *this;
    Calendar::Fields fields;
    fields.year = year();
    fields.month = month();
    fields.day = day();
    std::int64_t seconds = 0;
    if (__builtin_mul_overflow(days, std::int64_t{86400}, &seconds) ||
        !Calendar::addSeconds(fields, seconds))
        return *this;
    return Date(fields.year, fields.month, fields.day);
}

bool Date::equals(const Date& other) const
{
    return m_value == other.m_value;
}

bool Date::lessThan(const Date& other) const
{
    return static_cast<std::uint32_t>(m_value) < static_cast<std::uint32_t>(other.m_value);
}

bool Date::greaterThan(const Date& other) const
{
    return static_cast<std::uint32_t>(m_value) > static_cast<std::uint32_t>(other.m_value);
}

void Date::toString(IFormatable& target) const
{
    target.format("%d/%02d/%02d", year(), month(), day());
}

bool Date::readAt(std::span<const std::uint8_t> buffer, std::size_t offset, ByteOrder order)
{
    if (!SerialBytes::fits(buffer.size(), offset, byteSize))
        return false;
    const std::uint8_t* p = buffer.data() + offset;
    const std::uint16_t year = order == ByteOrder::Big ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0];
    m_value = pack(static_cast<std::int16_t>(year), p[2], p[3]);
    return true;
}

bool Date::readFrom(std::istream& in, ByteOrder order)
{
    return SerialBytes::readFrom(*this, in, order);
}

bool Date::writeAt(std::span<std::uint8_t> buffer, std::size_t offset, ByteOrder order) const
{
    if (!SerialBytes::fits(buffer.size(), offset, byteSize))
        return false;
    std::uint8_t* p = buffer.data() + offset;
    const auto bits = static_cast<std::uint32_t>(m_value);
    const auto yearHigh = static_cast<std::uint8_t>(bits >> 24);
    const auto yearLow = static_cast<std::uint8_t>(bits >> 16);
    p[0] = order == ByteOrder::Big ? yearHigh : yearLow;
    p[1] = order == ByteOrder::Big ? yearLow : yearHigh;
    p[2] = static_cast<std::uint8_t>(bits >> 8);
    p[3] = static_cast<std::uint8_t>(bits);
    return true;
}

bool Date::writeTo(std::ostream& out, ByteOrder order) const
{
    return SerialBytes::writeTo(*this, out, order);
}

} // namespace corvane
