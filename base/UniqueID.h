#pragma once

#include "base/IComparable.h"
#include "base/IStringConvertable.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace corvane {

// A 16-byte globally unique identifier held in the GUID byte layout: a 32-bit
// field and two 16-bit fields stored little-endian, then 8 bytes as they are.
// The ordering compares the 16 stored bytes as unsigned values, first byte
// first, which is NOT the order of the text form (the first three fields are
// byte-swapped relative to it); maps keyed by UniqueID rely on this order.
//
// Text form: 36 lower-case hexadecimal characters in groups of 8-4-4-4-12
// separated by "-", no braces.
//
// Ownership: a plain value. Threads: one thread per instance; copy to share;
// the default constructor may be called from any thread. Throws: never.
class UniqueID final : public IComparable<UniqueID>, public IStringConvertable
{
public:
    static constexpr std::size_t byteSize = 16;
    static constexpr std::size_t textLength = 36;
    using Bytes = std::array<std::uint8_t, byteSize>;

    // A new random identifier (version 4). Drawn from a fast generator of the
    // calling thread, seeded from the kernel once per thread and again in a
    // forked child: no system call per identifier.
    UniqueID() noexcept;
    // Parses the 36-character form (either case). Text that does not parse,
    // including a null pointer, gives the all-zero identifier.
    explicit UniqueID(const char* text) noexcept;
    UniqueID(const UniqueID&) noexcept = default;
    UniqueID& operator=(const UniqueID&) noexcept = default;

    // From 16 bytes already in the stored layout.
    static UniqueID fromBytes(std::span<const std::uint8_t, byteSize> bytes) noexcept;
    static UniqueID zero() noexcept;

    const Bytes& bytes() const noexcept { return m_bytes; }
    bool isZero() const noexcept;

    bool equals(const UniqueID& other) const override;
    bool lessThan(const UniqueID& other) const override;
    bool greaterThan(const UniqueID& other) const override;

    void toString(IFormatable& target) const override;
    // The text form, for callers that want a string rather than a buffer.
    std::string toText() const;

    friend bool operator==(const UniqueID& a, const UniqueID& b) noexcept
    {
        return a.m_bytes == b.m_bytes;
    }
    // The byte-wise order of lessThan(), for ordered containers.
    friend bool operator<(const UniqueID& a, const UniqueID& b) noexcept
    {
        return a.m_bytes < b.m_bytes;
    }

private:
    struct ZeroTag
    {
    };
    explicit UniqueID(ZeroTag) noexcept : m_bytes{} {}
    void unparse(char (&text)[textLength + 1]) const noexcept;

    Bytes m_bytes;
};

} // namespace corvane
