#include "callback/AppConstants.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace corvane {
namespace {

// First, so that the threads race to create the instance.
TEST(AppConstants, EveryThreadSeesTheSameInstance)
{
    std::vector<const AppConstants*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (auto& slot : seen) {
        threads.emplace_back([&slot] { slot = &AppConstants::instance(); });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), &AppConstants::instance()), 8);
}

TEST(AppConstants, NamesAndFormatsWithTheirFallbacks)
{
    const AppConstants& constants = AppConstants::instance();
    EXPECT_EQ(constants.getEventName(0), u"Sensor");
    EXPECT_EQ(constants.getEventName(13), u"Panic");
    EXPECT_EQ(constants.getEventName(14), u"");
    EXPECT_EQ(constants.getEventName(-1), u"");
    EXPECT_EQ(constants.getEventName(999), u"");
    EXPECT_EQ(constants.getEventName(1000), u"Zone enter");
    EXPECT_EQ(constants.getEventName(1001), u"Zone exit");
    EXPECT_EQ(constants.getEventName(1002), u"Overspeed");
    EXPECT_EQ(constants.getEventName(1003), u"");
    EXPECT_EQ(constants.dateFormat(AppConstants::dateFormatIndex), "%Y-%m-%d");
    EXPECT_EQ(constants.timeFormat(AppConstants::timeFormatIndex), "%H:%M:%S");
    EXPECT_EQ(constants.dateFormat(9), "%Y-%m-%d");
    EXPECT_EQ(constants.timeFormat(2), "%I:%M:%S %p");
    EXPECT_EQ(constants.monthFormat(7), "%m.%Y");
}

} // namespace
} // namespace corvane
