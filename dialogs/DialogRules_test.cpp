#include "base/Date.h"
#include "base/UniqueID.h"
#include "data/VehicleInfo.h"
#include "dialogs/AlarmKinds.h"
#include "dialogs/EventLogRules.h"
#include "dialogs/SetupRules.h"
#include "dialogs/VehicleEditRules.h"
#include "testsupport/TempFolder.h"

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
        FormatableBuffer<eventConditionCapacity> condition;
        formatEventCondition(condition, c.from, c.to, c.vehicle);
        EXPECT_STREQ(condition.getText(), c.expected);
        // Nothing is ever cut: the longest condition still has room.
        EXPECT_LT(condition.getLength(), eventConditionCapacity);
    }
}

TEST(EventCondition, OpenAlarmsOfTheChosenKindsOnly)
{
    const Date may1(2011, 5, 1);
    const Date may31(2011, 5, 31);
    const UniqueID vehicle(vehicleText);
    const std::string unacknowledged =
        ") AND NOT EXISTS (SELECT 1 FROM alarm_ack WHERE alarm_ack.event_id = event_info.id) ";
    struct Case
    {
        AlarmKinds kinds;
        const UniqueID* vehicle;
        std::string open;
    };
    const Case cases[] = {
        {AlarmKinds(1u << 13, 0), nullptr, "event_type IN (13" + unacknowledged},
        // Types without a name and zone bits past Overspeed are no alarms.
        {AlarmKinds((1u << 0) | (1u << 14) | (1u << 31), 0b1010), nullptr,
         "event_type IN (0,1001" + unacknowledged},
        {AlarmKinds(0, 0), nullptr, "0 "},
        // Every kind and a vehicle: the longest condition.
        {AlarmKinds(~0u, ~0u), &vehicle,
         "event_type IN (0,1,2,3,4,5,6,7,8,9,10,11,12,13,1000,1001,1002" + unacknowledged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.open);
        FormatableBuffer<eventConditionCapacity> condition;
        formatEventCondition(condition, &may1, &may31, c.vehicle, &c.kinds);
        FormatableBuffer<eventConditionCapacity> dated;
        formatEventCondition(dated, &may1, &may31, c.vehicle);
        EXPECT_EQ(condition.getText(), std::string(dated.getText()) + "AND " + c.open);
        EXPECT_LT(condition.getLength(), eventConditionCapacity);
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

TEST(SetupRules, RefusalTexts)
{
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
