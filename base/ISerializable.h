#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <span>

namespace corvane {

// Byte order of a serialised form. Little is the host's order on the
// station's machines; multi-byte fields are swapped when Big is asked for.
enum class ByteOrder : std::int32_t
{
    Big = 1,
    Little = 2,
};

// The byte form of a value type. Offsets are in bytes from the start of the
// buffer. A read or write that does not fit in the buffer, or a stream that
// fails, returns false and leaves the value (or the buffer) untouched as far
// as the buffer goes; nothing is ever written or read out of bounds.
//
// Threads: as the implementing value. Throws: never.
class ISerializable
{
public:
    virtual ~ISerializable() = default;

    virtual std::size_t serializedSize() const = 0;
    virtual bool readAt(std::span<const std::uint8_t> buffer, std::size_t offset,
                        ByteOrder order) = 0;
    virtual bool readFrom(std::istream& in, ByteOrder order) = 0;
    virtual bool writeAt(std::span<std::uint8_t> buffer, std::size_t offset,
                         ByteOrder order) const = 0;
    virtual bool writeTo(std::ostream& out, ByteOrder order) const = 0;

protected:
    ISerializable() = default;
    ISerializable(const ISerializable&) = default;
    ISerializable& operator=(const ISerializable&) = default;
};

} // namespace corvane
