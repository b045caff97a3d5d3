#include "callback/AppConstants.h"

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
    for (const AppConstants* p : seen) {
        EXPECT_EQ(p, &AppConstants::instance());
    }
}

TEST(AppConstants, EventNamesAndUnnamedCodes)
{
    const AppConstants& constants = AppConstants::instance();
    EXPECT_EQ(constants.getEventName(0), u"Sensor");
    EXPECT_EQ(constants.getEventName(5), u"S.M.A.R.T. Temp");
    EXPECT_EQ(constants.getEventName(11), u"G-Sensor");
    EXPECT_EQ(constants.getEventName(13), u"Panic");
    for (int code : {14, 99, 100, -1}) {
        EXPECT_TRUE(constants.getEventName(code).empty()) << code;
    }
}

TEST(AppConstants, FormatsFallBackToTheFirstChoice)
{
    const AppConstants& constants = AppConstants::instance();
    EXPECT_EQ(constants.dateFormat(AppConstants::dateFormatIndex), "%Y-%m-%d");
    EXPECT_EQ(constants.timeFormat(AppConstants::timeFormatIndex), "%H:%M:%S");
    EXPECT_EQ(constants.dateFormat(8), "%d/%m/%Y");
    EXPECT_EQ(constants.dateFormat(9), "%Y-%m-%d");
    EXPECT_EQ(constants.dateFormat(-1), "%Y-%m-%d");
    EXPECT_EQ(constants.timeFormat(2), "%I:%M:%S %p");
    EXPECT_EQ(constants.monthFormat(7), "%m.%Y");
    EXPECT_EQ(constants.monthFormat(9), "%Y-%m");
}

} // namespace
} // namespace corvane
