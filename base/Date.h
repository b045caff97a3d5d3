#pragma once

#include "base/IComparable.h"
#include "base/ISerializable.h"
#include "base/IStringConvertable.h"

#include <cstdint>
#include <ctime>

namespace corvane {

// A calendar date packed into one 32-bit value: year in bits 16 to 31, month
// in bits 8 to 15, day in bits 0 to 7. All bits set (-1) means "no date"; an
// unset date orders after every set date because the ordering compares the
// packed values unsigned.
//
// Constructors pack what they are given without range checks; addDays() is
// the only operation that normalises. Text form "%d/%02d/%02d" (2011/05/31).
// Byte form (4 bytes): year as 16-bit unsigned in the requested byte order,
// then month, then day.
//
// Ownership: a plain value. Threads: one thread per instance; copy to share.
// Throws: never.
class Date final : public IComparable<Date>, public IStringConvertable, public ISerializable
{
public:
    static constexpr std::int32_t unsetValue = -1;
    static constexpr std::size_t byteSize = 4;

    Date() noexcept = default;
    Date(int year, int month, int day) noexcept;
    // The local date at `seconds` since 1970-01-01 UTC; unset when the C
    // runtime cannot break it down.
    explicit Date(std::time_t seconds) noexcept;
    Date(const Date&) noexcept = default;
    Date& operator=(const Date&) noexcept = default;

    // From the packed form year * 65536 + month * 256 + day.
    static Date fromPacked(std::int32_t packed) noexcept;
    static const Date& unset() noexcept;
    static Date today() noexcept;

    std::int32_t packed() const noexcept { return m_value; }
    bool isSet() const noexcept { return m_value != unsetValue; }
    int year() const noexcept;
    int month() const noexcept;
    int day() const noexcept;

    // The date n days later (earlier for negative n), normalised. An unset
    // date stays unset, and a result outside the years a packed date can hold
    // leaves the date as it is.
    Date addDays(std::int64_t days) const noexcept;

    bool equals(const Date& other) const override;
    bool lessThan(const Date& other) const override;
    bool greaterThan(const Date& other) const override;

    void toString(IFormatable& target) const override;

    std::size_t serializedSize() const override { return byteSize; }
    bool readAt(std::span<const std::uint8_t> buffer, std::size_t offset, ByteOrder order) override;
    bool readFrom(std::istream& in, ByteOrder order) override;
    bool writeAt(std::span<std::uint8_t> buffer, std::size_t offset,
                 ByteOrder order) const override;
    bool writeTo(std::ostream& out, ByteOrder order) const override;

    friend bool operator==(const Date& a, const Date& b) noexcept { return a.m_value == b.m_value; }

private:
    std::int32_t m_value = unsetValue;
};

} // namespace corvane
