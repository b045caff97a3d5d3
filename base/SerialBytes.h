#pragma once

#include "base/ISerializable.h"

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>

namespace corvane {

// Helpers shared by the small value types' byte forms: bounds checks that
// cannot overflow, and stream reads and writes expressed through the value's
// own readAt()/writeAt() so that each layout is written down once.
//
// Threads: stateless. Throws: only what the streams throw (by default none).
class SerialBytes
{
public:
    // Largest form these helpers stage on the stack.
    static constexpr std::size_t maxSize = 16;

    static bool fits(std::size_t bufferSize, std::size_t offset, std::size_t size) noexcept
    {
        return offset <= bufferSize && bufferSize - offset >= size;
    }

    // Reads the value's whole form from `in`; on a short read the value is
    // left as it was.
    static bool readFrom(ISerializable& value, std::istream& in, ByteOrder order)
    {
        std::uint8_t bytes[maxSize];
        const std::size_t size = value.serializedSize();
        if (size > maxSize || !in.read(reinterpret_cast<char*>(bytes), size))
            return false;
        return value.readAt(std::span<const std::uint8_t>(bytes, size), 0, order);
    }

    static bool writeTo(const ISerializable& value, std::ostream& out, ByteOrder order)
    {
        std::uint8_t bytes[maxSize];
        const std::size_t size = value.serializedSize();
        if (size > maxSize || !value.writeAt(std::span<std::uint8_t>(bytes, size), 0, order))
            return false;
        return static_cast<bool>(out.write(reinterpret_cast<const char*>(bytes), size));
    }
};

} // namespace corvane
