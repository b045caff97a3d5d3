#include "base/DateTime.h"

#include "base/Calendar.h"
#include "base/SerialBytes.h"

#include <ctime>

namespace corvane {

namespace {

Calendar::Fields fieldsOf(const Date& date, const Time& time) noexcept
{
    Calendar::Fields f;
    f.year = date.year();
    f.month = date.month();
    f.day = date.day();
    f.hour = time.hour();
    f.minute = time.minute();
    f.second = time.second();
    return f;
}

DateTime fromTm(const std::tm& tm, int zoneSeconds) noexcept
{
    return DateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                    zoneSeconds);
}

} // namespace

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second,
                   int zoneSeconds) noexcept
    : m_date(year, month, day), m_time(hour, minute, second, zoneSeconds)
{}

const DateTime& DateTime::unset() noexcept
{
    static const DateTime none;
    return none;
}

DateTime DateTime::now() noexcept
{
    const std::time_t t = std::time(nullptr);
    // tzset() fills `timezone` (seconds west of UTC, standard time); the
    // reentrant conversion below is not required to.
    tzset();
    const long west = timezone;
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr)
        return DateTime();
    return fromTm(tm, static_cast<int>(-west));
}

DateTime DateTime::utcNow() noexcept
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    if (gmtime_r(&t, &tm) == nullptr)
        return DateTime();
    return fromTm(tm, 0);
}

DateTime DateTime::addSeconds(std::int64_t seconds) const noexcept
{
    if (!isSet())
        return *this;
    Calendar::Fields f = fieldsOf(m_date, m_time);
    if (!Calendar::addSeconds(f, seconds))
        return *this;
    return DateTime(f.year, f.month, f.day, f.hour, f.minute, f.second, m_time.zoneSeconds());
}

std::int64_t DateTime::secondsSince(const DateTime& other) const noexcept
{
    return Calendar::secondsSinceEpoch(fieldsOf(m_date, m_time)) -
           Calendar::secondsSinceEpoch(fieldsOf(other.m_date, other.m_time));
}

bool DateTime::equals(const DateTime& other) const
{
    return m_date.equals(other.m_date) && m_time.equals(other.m_time);
}

bool DateTime::lessThan(const DateTime& other) const
{
    return m_date.lessThan(other.m_date) ||
           (m_date.equals(other.m_date) && m_time.lessThan(other.m_time));
}

bool DateTime::greaterThan(const DateTime& other) const
{
    return m_date.greaterThan(other.m_date) ||
           (m_date.equals(other.m_date) && m_time.greaterThan(other.m_time));
}

void DateTime::toString(IFormatable& target) const
{
    target.format("%d/%02d/%02d %02d:%02d:%02d", m_date.year(), m_date.month(), m_date.day(),
                  m_time.hour(), m_time.minute(), m_time.second());
}

void DateTime::toGmtString(IFormatable& target) const
{
    static constexpr const char* kWeekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int month = m_date.month();
    // An unset or hand-packed date may hold a month outside the table.
    const char* monthName = month >= 1 && month <= 12 ? kMonths[month - 1] : "???";
    const int weekday = Calendar::weekday(m_date.year(), month, m_date.day());
    target.format("%s, %02d %s %d %02d:%02d:%02d GMT", kWeekdays[weekday], m_date.day(), monthName,
                  m_date.year(), m_time.hour(), m_time.minute(), m_time.second());
}

bool DateTime::readAt(std::span<const std::uint8_t> buffer, std::size_t offset, ByteOrder order)
{
    if (!SerialBytes::fits(buffer.size(), offset, byteSize))
        return false;
    m_date.readAt(buffer, offset, order);
    m_time.readAt(buffer, offset + Date::byteSize, order);
    return true;
}

bool DateTime::readFrom(std::istream& in, ByteOrder order)
{
    return SerialBytes::readFrom(*this, in, order);
}

bool DateTime::writeAt(std::span<std::uint8_t> buffer, std::size_t offset, ByteOrder order) const
{
    if (!SerialBytes::fits(buffer.size(), offset, byteSize))
        return false;
    m_date.writeAt(buffer, offset, order);
    m_time.writeAt(buffer, offset + Date::byteSize, order);
    return true;
}

bool DateTime::writeTo(std::ostream& out, ByteOrder order) const
{
    return SerialBytes::writeTo(*this, out, order);
}

} // namespace corvane
