#include "base/Date.h"
#include "base/UniqueID.h"
#include "data/TempFolder.h"
#include "data/VehicleInfo.h"
#include "dialogs/EventLogRules.h"
#include "dialogs/EventPager.h"
#include "dialogs/SetupRules.h"
#include "dialogs/VehicleEditRules.h"

#include <climits>
#include <fstream>
#include <gtest/gtest.h>

namespace corvane {
namespace {

const char* const vehicleText = "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0";

TEST(EventCondition, ReachesFromTheOpenEndsOrTheChosenDays)
{
    const Date may1(2011, 5, 1);
    const Date may31(2011, 5, 31);
    const UniqueID vehicle(vehicleText);
    struct Case
    {
        const Date* from;
        const Date* to;
        const UniqueID* vehicle;
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr,
         "time between '1970-01-01 00:00:00' AND '2100-12-31 24:59:59' "},
        {&may1, nullptr, nullptr, "time between '2011-05-01 00:00:00' AND '2100-12-31 24:59:59' "},
        {nullptr, &may31, nullptr, "time between '1970-01-01 00:00:00' AND '2011-05-31 23:59:59' "},
        {&may1, &may31, &vehicle,
         "vehicle_id = '0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0' AND time between "
         "'2011-05-01 00:00:00' AND '2011-05-31 23:59:59' "},
    };
    for (const Case& c : cases) {
        FormatableBuffer<128> condition;
        formatEventCondition(condition, c.from, c.to, c.vehicle);
        EXPECT_STREQ(condition.getText(), c.expected);
        // Nothing is ever cut: the longest condition still has room.
        EXPECT_LT(condition.getLength(), FormatableBuffer<128>::capacity);
    }
}

TEST(EventLogTexts, VehicleEntriesAndPageCounter)
{
    VehicleInfo vehicle;
    vehicle.name = "Bus 7";
    EXPECT_EQ(vehicleEntryText(vehicle), "Bus 7");
    vehicle.edited_name = "Night bus";
    EXPECT_EQ(vehicleEntryText(vehicle), "Night bus");
    vehicle.deleted = true;
    EXPECT_EQ(vehicleEntryText(vehicle), "Bus 7 (deleted)");

    const std::pair<std::size_t, int> pages[] = {{0, 0},   {1, 1},   {100, 1},
                                                 {101, 2}, {200, 2}, {201, 3}};
    for (const auto& [events, count] : pages)
        EXPECT_EQ(pageCountFor(events), count) << events;
    EXPECT_EQ(pageCounterText(1, 0), "1 / 1");
    EXPECT_EQ(pageCounterText(2, 3), "2 / 3");
}

TEST(EventPager, DisabledButtonsChangeNothing)
{
    EventPager pager;
    pager.reset(0);
    for (int b = 0; b < EventPager::ButtonCount; ++b) {
        EXPECT_FALSE(pager.isEnabled(EventPager::Button(b)));
        EXPECT_FALSE(pager.press(EventPager::Button(b)));
    }
    EXPECT_EQ(pager.counterText(), "1 / 1");

    pager.reset(350);
    EXPECT_FALSE(pager.previous());
    ASSERT_TRUE(pager.last());
    EXPECT_EQ(pager.currentPage(), 4);
    EXPECT_EQ(pager.firstEventIndex(), 300u);
    EXPECT_FALSE(pager.next());
    ASSERT_TRUE(pager.previous());
    ASSERT_TRUE(pager.previous());
    ASSERT_TRUE(pager.previous());
    EXPECT_EQ(pager.currentPage(), 1);
    // Back on page 1 by stepping, the backward buttons are off again.
    EXPECT_FALSE(pager.isEnabled(EventPager::First));
    EXPECT_FALSE(pager.isEnabled(EventPager::Previous));
    EXPECT_TRUE(pager.isEnabled(EventPager::Next));
}

TEST(SetupRules, RangesAndTheirMessages)
{
    struct Case
    {
        const SettingRule& rule;
        int value;
        bool accepted;
    };
    const Case cases[] = {{portRule, 1499, false},     {portRule, 1500, true},
                          {portRule, 32000, true},     {portRule, 32001, false},
                          {portRule, 0, false},        {timeoutRule, 0, false},
                          {timeoutRule, 1, true},      {timeoutRule, 28800, true},
                          {timeoutRule, 28801, false}, {timeoutRule, -5, false}};
    for (const Case& c : cases)
        EXPECT_EQ(c.rule.accepts(c.value), c.accepted) << c.rule.key << " " << c.value;
    EXPECT_EQ(portRule.rangeMessage(), "Port must be between 1500 ~ 32000");
    EXPECT_EQ(timeoutRule.rangeMessage(), "Timeout must be between 1 ~ 28800");
}

TEST(SetupRules, BoxTextReadsAsASignedNumber)
{
    const std::pair<const char*, int> cases[] = {{"", 0},
                                                 {"abc", 0},
                                                 {"10111", 10111},
                                                 {"  42", 42},
                                                 {"-7", -7},
                                                 {"12ab", 12},
                                                 {"0032000", 32000},
                                                 {"99999999999999999999", INT_MAX},
                                                 {"-99999999999", INT_MIN}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(parseBoxNumber(text), value) << text;
}

TEST(VehicleEditRules, PicturePaths)
{
    EXPECT_EQ(slashPath("C:\\pics\\car.png"), "C:/pics/car.png");
    EXPECT_EQ(slashPath("/already/fine.png"), "/already/fine.png");

    TempFolder folder;
    const std::string picture = folder.file("car.png");
    std::ofstream(picture) << "png";
    const std::pair<std::string, std::string> cases[] = {
        {picture, picture},                   // an existing file is kept
        {folder.file("missing.png"), ""},     // a missing file is dropped
        {folder.file("nowhere/car.png"), ""}, // so is a missing folder
        {folder.path().string(), ""},         // and a folder itself
        {"", ""},
    };
    for (const auto& [text, stored] : cases)
        EXPECT_EQ(storedImagePath(text), stored) << text;
}

} // namespace
} // namespace corvane
