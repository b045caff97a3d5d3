#pragma once

#include "base/IComparable.h"
#include "base/IStringConvertable.h"

#include <cstdint>

namespace corvane {

// A 32-bit flag word, set and read whole. Ordered as an unsigned number.
// Text form: "0b" and the 32 bits, most significant first (34 characters).
//
// Ownership: a plain value. Threads: one thread per instance; copy to share.
// Throws: never.
class BitMask32 final : public IStringConvertable, public IComparable<BitMask32>
{
public:
    static constexpr std::size_t textLength = 34;

    BitMask32() noexcept = default;
    explicit BitMask32(std::uint32_t value) noexcept : m_value(value) {}
    BitMask32(const BitMask32&) noexcept = default;
    BitMask32& operator=(const BitMask32&) noexcept = default;

    std::uint32_t value() const noexcept { return m_value; }
    void setValue(std::uint32_t value) noexcept { m_value = value; }

    void toString(IFormatable& target) const override;

    bool equals(const BitMask32& other) const override { return m_value == other.m_value; }
    bool lessThan(const BitMask32& other) const override { return m_value < other.m_value; }
    bool greaterThan(const BitMask32& other) const override { return m_value > other.m_value; }

    friend bool operator==(const BitMask32& a, const BitMask32& b) noexcept
    {
        return a.m_value == b.m_value;
    }

private:
    std::uint32_t m_value = 0;
};

} // namespace corvane
