#pragma once

#include "base/Date.h"
#include "base/Time.h"

#include <cstdint>

namespace corvane {

// A Date followed by a Time (with its zone). Ordered by date, then by time of
// day; the zone takes no part in equality, ordering or arithmetic.
// Text form "%d/%02d/%02d %02d:%02d:%02d"; toGmtString() gives the HTTP-style
// "Tue, 31 May 2011 14:07:09 GMT" of the stored fields, without zone
// conversion. Byte form (8 bytes): the Date form, then the Time form.
//
// Ownership: a plain value. Threads: one thread per instance; copy to share.
// Throws: never.
class DateTime final : public IComparable<DateTime>, public IStringConvertable, public ISerializable
{
public:
    static constexpr std::size_t byteSize = Date::byteSize + Time::byteSize;

    DateTime() noexcept = default;
    DateTime(const Date& date, const Time& time) noexcept : m_date(date), m_time(time) {}
    DateTime(int year, int month, int day, int hour, int minute, int second,
             int zoneSeconds = 0) noexcept;
    DateTime(const DateTime&) noexcept = default;
    DateTime& operator=(const DateTime&) noexcept = default;

    static const DateTime& unset() noexcept;
    // Local date and time; the zone is the standard offset east of UTC
    // (daylight saving is not added).
    static DateTime now() noexcept;
    // UTC date and time, zone 0.
    static DateTime utcNow() noexcept;

    const Date& date() const noexcept { return m_date; }
    const Time& time() const noexcept { return m_time; }
    bool isSet() const noexcept { return m_date.isSet() && m_time.isSet(); }

    // The value n seconds later (earlier for negative n), normalised, zone
    // kept. A value whose date or time is unset is returned unchanged, and so
    // is one whose result falls outside the years a packed Date can hold.
    DateTime addSeconds(std::int64_t seconds) const noexcept;

    // This minus `other` in seconds, both read as UTC fields (zones ignored).
    std::int64_t secondsSince(const DateTime& other) const noexcept;

    bool equals(const DateTime& other) const override;
    bool lessThan(const DateTime& other) const override;
    bool greaterThan(const DateTime& other) const override;

    void toString(IFormatable& target) const override;
    void toGmtString(IFormatable& target) const;

    std::size_t serializedSize() const override { return byteSize; }
    bool readAt(std::span<const std::uint8_t> buffer, std::size_t offset, ByteOrder order) override;
    bool readFrom(std::istream& in, ByteOrder order) override;
    bool writeAt(std::span<std::uint8_t> buffer, std::size_t offset,
                 ByteOrder order) const override;
    bool writeTo(std::ostream& out, ByteOrder order) const override;

    friend bool operator==(const DateTime& a, const DateTime& b) noexcept { return a.equals(b); }

private:
    Date m_date;
    Time m_time;
};

} // namespace corvane
