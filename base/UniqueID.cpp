#include "base/UniqueID.h"

#include <algorithm>
#include <uuid/uuid.h>

namespace corvane {

namespace {

// The platform routines speak the text order (all fields big-endian); the
// stored layout has the first three fields little-endian. The swap is its
// own inverse, so it serves both directions.
void swapLeadingFields(const std::uint8_t* from, std::uint8_t* to) noexcept
{
    std::reverse_copy(from, from + 4, to);
    std::reverse_copy(from + 4, from + 6, to + 4);
    std::reverse_copy(from + 6, from + 8, to + 6);
    std::copy(from + 8, from + 16, to + 8);
}

} // namespace

UniqueID::UniqueID() noexcept
{
    uuid_t uuid;
    uuid_generate_random(uuid);
    swapLeadingFields(uuid, m_bytes.data());
}

UniqueID::UniqueID(const char* text) noexcept : m_bytes{}
{
    uuid_t uuid;
    if (text != nullptr && uuid_parse(text, uuid) == 0)
        swapLeadingFields(uuid, m_bytes.data());
}

UniqueID UniqueID::fromBytes(std::span<const std::uint8_t, byteSize> bytes) noexcept
{
    UniqueID id{ZeroTag{}};
    std::copy(bytes.begin(), bytes.end(), id.m_bytes.begin());
    return id;
}

UniqueID UniqueID::zero() noexcept
{
    return UniqueID{ZeroTag{}};
}

bool UniqueID::isZero() const noexcept
{
    return std::all_of(m_bytes.begin(), m_bytes.end(), [](std::uint8_t b) { return b == 0; });
}

bool UniqueID::equals(const UniqueID& other) const
{
    return m_bytes == other.m_bytes;
}

bool UniqueID::lessThan(const UniqueID& other) const
{
    return m_bytes < other.m_bytes;
}

bool UniqueID::greaterThan(const UniqueID& other) const
{
    return m_bytes > other.m_bytes;
}

void UniqueID::toString(IFormatable& target) const
{
    uuid_t uuid;
    swapLeadingFields(m_bytes.data(), uuid);
    char text[textLength + 1];
    uuid_unparse_lower(uuid, text);
    target.format("%s", text);
}

} // namespace corvane
