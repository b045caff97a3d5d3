#include "base/FormatableBuffer.h"
#include "base/UniqueID.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace corvane {
namespace {

std::string text(const UniqueID& id)
{
    FormatableBuffer<64> buffer;
    id.toString(buffer);
    return buffer.getText();
}

TEST(UniqueIDTest, NewIdentifiersAreDistinctVersionFourAndLowerCase)
{
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        const std::string t = text(UniqueID());
        ASSERT_EQ(t.size(), UniqueID::textLength);
        // Random identifiers carry version 4 and the RFC variant in the text
        // form; both land in the wrong place if the stored layout is mixed up.
        EXPECT_EQ(t[14], '4') << t;
        EXPECT_NE(std::string("89ab").find(t[19]), std::string::npos) << t;
        EXPECT_TRUE(std::none_of(t.begin(), t.end(), [](char c) { return std::isupper(c); }));
        EXPECT_TRUE(seen.insert(t).second) << t;
    }
}

// Each thread draws from a generator of its own: threads started together
// must not share or repeat a sequence.
TEST(UniqueIDTest, ThreadsDrawDistinctIdentifiers)
{
    constexpr int threads = 4;
    constexpr int perThread = 2000;
    std::vector<std::vector<UniqueID>> drawn(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&drawn, t] {
            for (int i = 0; i < perThread; ++i)
                drawn[t].emplace_back();
        });
    }
    for (auto& w : workers)
        w.join();
    std::set<UniqueID> all;
    for (const auto& list : drawn)
        all.insert(list.begin(), list.end());
    EXPECT_EQ(all.size(), static_cast<std::size_t>(threads * perThread));
}

// A forked child inherits the parent's generator; it must reseed rather than
// hand out the parent's next identifiers.
TEST(UniqueIDTest, ForkedChildDoesNotRepeatTheParentsIdentifiers)
{
    const UniqueID warm; // the parent's generator is seeded before the fork
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const UniqueID id;
        const auto written = write(fds[1], id.bytes().data(), UniqueID::byteSize);
        _exit(written == static_cast<ssize_t>(UniqueID::byteSize) ? 0 : 1);
    }
    close(fds[1]);
    const UniqueID parents;
    UniqueID::Bytes childs{};
    ASSERT_EQ(read(fds[0], childs.data(), childs.size()), static_cast<ssize_t>(childs.size()));
    close(fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_NE(UniqueID::fromBytes(childs), parents);
    EXPECT_NE(UniqueID::fromBytes(childs), warm);
}

TEST(UniqueIDTest, TextRoundTripsThroughTheStoredLayout)
{
    const UniqueID parsed("00112233-4455-6677-8899-AaBbCcDdEeFf");
    const UniqueID::Bytes stored = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66,
                                    0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
    EXPECT_EQ(parsed.bytes(), stored);
    EXPECT_EQ(text(parsed), "00112233-4455-6677-8899-aabbccddeeff");
    // The string form and the buffer form are the same text.
    EXPECT_EQ(parsed.toText(), text(parsed));
    EXPECT_EQ(UniqueID::zero().toText(), text(UniqueID::zero()));
    EXPECT_EQ(UniqueID::fromBytes(stored), parsed);

    for (int i = 0; i < 100; ++i) {
        const UniqueID fresh;
        std::string upper = text(fresh);
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](char c) { return static_cast<char>(std::toupper(c)); });
        const UniqueID copy(upper.c_str());
        EXPECT_TRUE(copy.equals(fresh));
        EXPECT_EQ(text(copy), text(fresh));
        EXPECT_EQ(fresh.toText(), text(fresh));
    }
}

TEST(UniqueIDTest, BadTextGivesTheZeroIdentifier)
{
    const char* bad[] = {
        "",
        "00112233-4455-6677-8899-aabbccddeef",   // 35 characters
        "00112233-4455-6677-8899-aabbccddeeff0", // 37 characters
        "{00112233-4455-6677-8899-aabbccddeeff}",
        "00112233_4455_6677_8899_aabbccddeeff",
        "0011223g-4455-6677-8899-aabbccddeeff",
        "001122334455667788990aabbccddeeff000",
        nullptr,
    };
    for (const char* t : bad) {
        const UniqueID id(t);
        EXPECT_TRUE(id.isZero()) << (t ? t : "(null)");
        EXPECT_EQ(text(id), "00000000-0000-0000-0000-000000000000");
    }
    EXPECT_FALSE(UniqueID().isZero());
    EXPECT_EQ(UniqueID::zero(), UniqueID(""));
}

TEST(UniqueIDTest, OrderIsByteWiseNotTextual)
{
    // Ascending in stored-byte order; the first three fields are byte-swapped,
    // so the text order differs.
    const char* ascending[] = {
        "00000000-0000-0000-0000-000000000000",
        "01000000-0000-0000-0000-000000000000", // stored 00 00 00 01
        "00010000-0000-0000-0000-000000000000", // stored 00 00 01 00
        "00000001-0000-0000-0000-000000000000", // stored 01 00 00 00
        "00000001-0000-0100-0000-000000000000", // stored 01 ... 00 01 (bytes 6, 7)
        "00000001-0000-0001-0000-000000000000", // stored 01 ... 01 00
        "00000001-0000-0001-0000-000000000001", "ffffffff-ffff-ffff-ffff-ffffffffffff",
    };
    const std::size_t n = std::size(ascending);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            const UniqueID a(ascending[i]), b(ascending[j]);
            EXPECT_EQ(a.lessThan(b), i < j) << ascending[i] << " " << ascending[j];
            EXPECT_EQ(a.greaterThan(b), i > j) << ascending[i] << " " << ascending[j];
            EXPECT_EQ(a.equals(b), i == j);
            EXPECT_EQ(a < b, i < j);
        }
    }
    EXPECT_GT(std::string(ascending[1]), std::string(ascending[3]));

    std::map<UniqueID, int> keyed;
    for (std::size_t i = n; i-- > 0;)
        keyed.emplace(UniqueID(ascending[i]), static_cast<int>(i));
    int expected = 0;
    for (const auto& [id, index] : keyed)
        EXPECT_EQ(index, expected++);
}

} // namespace
} // namespace corvane
