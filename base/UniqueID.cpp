#include "base/UniqueID.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <pthread.h>
#include <random>
#include <sys/random.h>
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

// Bumped in a forked child, whose copy of every generator would otherwise
// repeat the parent's identifiers.
std::atomic<unsigned> forkGeneration{0};

void onFork() noexcept
{
    forkGeneration.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t splitMix(std::uint64_t& x) noexcept
{
    std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k) noexcept
{
    return (x << k) | (x >> (64 - k));
}

// xoshiro256** seeded once per thread (and again after a fork) from the
// kernel's random source: a new identifier costs a few nanoseconds instead
// of a system call. 256 bits of seed and state keep the 122 random bits of
// every identifier as unique as the kernel's own draws would be.
class IdGenerator
{
public:
    void fill(std::uint8_t* out) noexcept
    {
        const unsigned generation = forkGeneration.load(std::memory_order_relaxed);
        if (!m_seeded || generation != m_generation) {
            seed();
            m_generation = generation;
        }
        const std::uint64_t a = next();
        const std::uint64_t b = next();
        std::memcpy(out, &a, 8);
        std::memcpy(out + 8, &b, 8);
    }

private:
    void seed() noexcept
    {
        static const bool forkHandled = pthread_atfork(nullptr, nullptr, onFork) == 0;
        (void)forkHandled;
        std::uint64_t seed[4] = {};
        if (getrandom(seed, sizeof seed, 0) != static_cast<ssize_t>(sizeof seed)) {
            // No kernel source (very old kernel, seccomp): the library's own.
            std::random_device device;
            for (auto& word : seed)
                word = (std::uint64_t{device()} << 32) ^ device();
        }
        // Spread the seed so that even an all-zero draw gives a usable state.
        std::uint64_t mix = seed[0] ^ seed[1] ^ seed[2] ^ seed[3];
        for (int i = 0; i < 4; ++i)
            m_state[i] = seed[i] ^ splitMix(mix);
        m_seeded = true;
    }

    std::uint64_t next() noexcept
    {
        const std::uint64_t result = rotl(m_state[1] * 5, 7) * 9;
        const std::uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = rotl(m_state[3], 45);
        return result;
    }

    std::uint64_t m_state[4] = {};
    unsigned m_generation = 0;
    bool m_seeded = false;
};

thread_local IdGenerator generator;

} // namespace

UniqueID::UniqueID() noexcept
{
    uuid_t uuid;
    generator.fill(uuid);
    // Version 4 (random) and the RFC 4122 variant, in the text order.
    uuid[6] = static_cast<std::uint8_t>((uuid[6] & 0x0f) | 0x40);
    uuid[8] = static_cast<std::uint8_t>((uuid[8] & 0x3f) | 0x80);
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

void UniqueID::unparse(char (&text)[textLength + 1]) const noexcept
{
    uuid_t uuid;
    swapLeadingFields(m_bytes.data(), uuid);
    uuid_unparse_lower(uuid, text);
}

void UniqueID::toString(IFormatable& target) const
{
    char text[textLength + 1];
    unparse(text);
    target.format("%s", text);
}

std::string UniqueID::toText() const
{
    char text[textLength + 1];
    unparse(text);
    return std::string(text, textLength);
}

} // namespace corvane
