#include "base/ThreadAffinity.h"

#include <gtest/gtest.h>
#include <thread>

namespace corvane {
namespace {

bool ownerElsewhere(const ThreadAffinity& affinity)
{
    bool owner = true;
    std::thread other([&] { owner = affinity.isOwner(); });
    other.join();
    return owner;
}

TEST(ThreadAffinityTest, OwnerIsTheConstructingThreadUntilRebound)
{
    ThreadAffinity affinity;
    EXPECT_TRUE(affinity.isOwner());
    EXPECT_FALSE(ownerElsewhere(affinity));
    affinity.assertOwner(); // on the owner: nothing happens

    std::thread other([&] { affinity.rebind(); });
    other.join();
    EXPECT_FALSE(affinity.isOwner());

    ThreadAffinity madeElsewhere;
    std::thread maker([&] { madeElsewhere = ThreadAffinity(); });
    maker.join();
    EXPECT_FALSE(madeElsewhere.isOwner());
    madeElsewhere.rebind();
    EXPECT_TRUE(madeElsewhere.isOwner());
}

// Debug builds end the process naming the caller; release builds let the
// call through (the check costs nothing there).
TEST(ThreadAffinityDeathTest, CallOffTheOwnerThreadEndsDebugBuilds)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ThreadAffinity affinity;
    const auto offThread = [&] {
        std::thread other([&] { affinity.assertOwner(); });
        other.join();
    };
    EXPECT_DEBUG_DEATH(offThread(), "called off its owner thread");
}

} // namespace
} // namespace corvane
