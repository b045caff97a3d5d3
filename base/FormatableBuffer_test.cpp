#include "base/FormatableBuffer.h"

#include <gtest/gtest.h>
#include <string>

namespace corvane {
namespace {

template <typename B>
class FormatableBufferTest : public ::testing::Test
{
protected:
    static constexpr int N = B::capacity;
    // A text of n characters that tells where each character came from.
    static std::string text(int n)
    {
        std::string s;
        for (int i = 0; i < n; ++i)
            s.push_back(static_cast<char>('a' + i % 26));
        return s;
    }
};

using Capacities =
    ::testing::Types<FormatableBuffer<64>, FormatableBuffer<128>, FormatableBuffer<256>,
                     FormatableBuffer<1024>, FormatableBuffer<2048>>;
TYPED_TEST_SUITE(FormatableBufferTest, Capacities);

TYPED_TEST(FormatableBufferTest, StartsEmpty)
{
    TypeParam b;
    EXPECT_STREQ("", b.getText());
    EXPECT_EQ(0, b.getLength());
}

TYPED_TEST(FormatableBufferTest, FormatCutsAtCapacity)
{
    constexpr int N = TestFixture::N;
    struct Case
    {
        int chars;
        int length;
        int kept;
    };
    const Case cases[] = {
        {0, 0, 0}, {N - 2, N - 2, N - 2}, {N - 1, N - 1, N - 1}, {N, N, N - 1}, {N + 6, N, N - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chars);
        TypeParam b;
        const std::string s = TestFixture::text(c.chars);
        b.format("%s", s.c_str());
        EXPECT_EQ(c.length, b.getLength());
        EXPECT_EQ(s.substr(0, c.kept), b.getText());
    }
}

TYPED_TEST(FormatableBufferTest, FormatReplacesEvenAfterCut)
{
    constexpr int N = TestFixture::N;
    TypeParam b;
    b.format("%s", TestFixture::text(N * 2).c_str());
    b.format("%d-%s", 42, "x");
    EXPECT_STREQ("42-x", b.getText());
    EXPECT_EQ(4, b.getLength());
}

TYPED_TEST(FormatableBufferTest, AppendRoomArithmetic)
{
    constexpr int N = TestFixture::N;
    struct Case
    {
        int before;   // characters already held
        int appended; // characters offered to append
        bool whole;
        int length;
        int kept; // characters of the appended text that land
    };
    const Case cases[] = {
        {0, 3, true, 3, 3},          {N - 4, 3, true, N - 1, 3}, // exactly fills the buffer
        {N - 3, 3, false, N, 2},                                 // cut by one
        {N - 2, 3, false, N, 1},                                 // room 2: first character only
        {N - 1, 1, false, N - 1, 0},                             // room 1: nothing written
        {N - 2, 0, true, N - 2, 0},                              // empty append always fits
        {N - 1, 0, false, N - 1, 0}, // ...unless there is no room at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << "+" << c.appended);
        TypeParam b;
        const std::string head(c.before, '#');
        const std::string tail = TestFixture::text(c.appended);
        b.format("%s", head.c_str());
        EXPECT_EQ(c.whole, b.append("%s", tail.c_str()));
        EXPECT_EQ(c.length, b.getLength());
        EXPECT_EQ(head + tail.substr(0, c.kept), b.getText());
    }
}

TYPED_TEST(FormatableBufferTest, AppendAfterCutWritesNothing)
{
    constexpr int N = TestFixture::N;
    TypeParam b;
    const std::string s = TestFixture::text(N + 6);
    b.format("%s", s.c_str());
    ASSERT_EQ(N, b.getLength());
    EXPECT_FALSE(b.append("%s", "more"));
    EXPECT_EQ(N, b.getLength());
    EXPECT_EQ(s.substr(0, N - 1), b.getText());
}

TYPED_TEST(FormatableBufferTest, AppendsAccumulate)
{
    constexpr int N = TestFixture::N;
    TypeParam b;
    std::string expected;
    int i = 0;
    // Keep appending numbered pieces until one is cut; the text must be the
    // concatenation of everything offered, cut at N - 1.
    while (b.append("%d,", i)) {
        expected += std::to_string(i) + ",";
        ++i;
        ASSERT_LT(i, N);
    }
    expected += std::to_string(i) + ",";
    EXPECT_EQ(N, b.getLength());
    EXPECT_EQ(expected.substr(0, N - 1), b.getText());
}

} // namespace
} // namespace corvane
