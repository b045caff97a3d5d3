#include "callback/SenderFilter.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct ListCase
{
    const char* list;
    bool accepted;
    const char* refusedEntry; // the entry named when refused
};

TEST(SenderFilter, ReadsAddressesAndRangesAndNamesTheFirstBadEntry)
{
    const ListCase cases[] = {
        {"", true, ""},
        {" , ;\n", true, ""},
        {"192.0.2.7", true, ""},
        {"192.0.2.7, 198.51.100.0/24;10.0.0.0/8", true, ""},
        {"0.0.0.0/0", true, ""},
        {"255.255.255.255/32", true, ""},
        {"192.0.2.256", false, "192.0.2.256"},
        {"192.0.2", false, "192.0.2"},
        {"192.0.2.7.1", false, "192.0.2.7.1"},
        {"192.0.2.", false, "192.0.2."},
        {".192.0.2", false, ".192.0.2"},
        {"192.0.2.07x", false, "192.0.2.07x"},
        {"192.0.2.-1", false, "192.0.2.-1"},
        {"+1.2.3.4", false, "+1.2.3.4"},
        {"1.2.3.0001", false, "1.2.3.0001"},
        {"10.0.0.0/33", false, "10.0.0.0/33"},
        {"10.0.0.0/", false, "10.0.0.0/"},
        {"10.0.0.0/-1", false, "10.0.0.0/-1"},
        {"10.0.0.0/8/8", false, "10.0.0.0/8/8"},
        {"/8", false, "/8"},
        {"localhost", false, "localhost"},
        {"::1", false, "::1"},
        {"192.0.2.7, bad, 10.0.0.1", false, "bad"},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.list);
        SenderFilter filter;
        ASSERT_TRUE(filter.parse("203.0.113.9"));
        std::string error = "unset";
        EXPECT_EQ(filter.parse(c.list, &error), c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(error, c.refusedEntry);
            // A refused list leaves the filter as it was.
            EXPECT_TRUE(filter.allows("203.0.113.9"));
            EXPECT_FALSE(filter.allows("203.0.113.10"));
        }
    }
}

struct MatchCase
{
    const char* list;
    const char* sender;
    bool allowed;
};

TEST(SenderFilter, MatchesSendersAtTheRangeBoundaries)
{
    const MatchCase cases[] = {
        {"", "203.0.113.9", true},
        {"", "not an address", true},
        {"192.0.2.7", "192.0.2.7", true},
        {"192.0.2.7", "192.0.2.8", false},
        {"192.0.2.7", "192.0.2.6", false},
        {"198.51.100.0/24", "198.51.100.0", true},
        {"198.51.100.0/24", "198.51.100.255", true},
        {"198.51.100.0/24", "198.51.101.0", false},
        {"198.51.100.0/24", "198.51.99.255", false},
        // Host bits in a range are ignored.
        {"10.1.2.3/8", "10.255.0.1", true},
        {"10.1.2.3/8", "11.0.0.0", false},
        {"0.0.0.0/0", "255.255.255.255", true},
        {"128.0.0.0/1", "127.255.255.255", false},
        {"128.0.0.0/1", "128.0.0.0", true},
        {"192.0.2.7/31", "192.0.2.6", true},
        {"192.0.2.7/31", "192.0.2.8", false},
        {"127.0.0.1, 192.0.2.0/25", "192.0.2.127", true},
        {"127.0.0.1, 192.0.2.0/25", "192.0.2.128", false},
        {"127.0.0.1", "", false},
        {"127.0.0.1", "127.0.0.1 ", false},
        {"127.0.0.1", "localhost", false},
    };
    for (const MatchCase& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " / " + c.sender);
        SenderFilter filter;
        ASSERT_TRUE(filter.parse(c.list));
        EXPECT_EQ(filter.allows(c.sender), c.allowed);
    }
    SenderFilter filter;
    ASSERT_TRUE(filter.parse("127.0.0.1"));
    EXPECT_FALSE(filter.allows(static_cast<const char*>(nullptr)));
}

} // namespace
} // namespace corvane
