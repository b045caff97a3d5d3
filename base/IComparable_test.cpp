#include "base/IComparable.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// A clock reading whose order looks at the seconds of the day only, while
// equality also treats two readings a day apart as the same moment of day.
// lessThan is strict on a raw value that two equal readings need not share,
// which is exactly where the inclusive forms must fall back on equals.
class Reading final : public IComparable<Reading>
{
public:
    explicit Reading(int seconds) : m_seconds(seconds) {}
    bool equals(const Reading& o) const override { return day() == o.day(); }
    bool lessThan(const Reading& o) const override { return m_seconds < o.m_seconds && !equals(o); }
    bool greaterThan(const Reading& o) const override
    {
        return m_seconds > o.m_seconds && !equals(o);
    }

private:
    int day() const { return m_seconds % 86400; }
    int m_seconds;
};

TEST(IComparableTest, DerivedOperationsFollowEqualsAndOrder)
{
    struct Case
    {
        int a, b;
        bool eq, lt, gt, le, ge;
    };
    const Case cases[] = {
        {10, 20, false, true, false, true, false},
        {20, 10, false, false, true, false, true},
        {10, 10, true, false, false, true, true},
        {10, 10 + 86400, true, false, false, true, true}, // equal, not less
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << " vs " << c.b);
        const Reading a(c.a), b(c.b);
        EXPECT_EQ(c.eq, a.equals(b));
        EXPECT_EQ(!c.eq, a.notEquals(b));
        EXPECT_EQ(c.lt, a.lessThan(b));
        EXPECT_EQ(c.gt, a.greaterThan(b));
        EXPECT_EQ(c.le, a.lessOrEqual(b));
        EXPECT_EQ(c.ge, a.greaterOrEqual(b));
    }
}

} // namespace
} // namespace corvane
