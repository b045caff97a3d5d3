#include "app/PageCallRelay.h"
#include "base/UniqueID.h"
#include "browser/scriptcalls/PageCall.h"
#include "callback/GPSReading.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace {

GPSReading fixAt(double latitude)
{
    GPSReading fix;
    fix.hasPosition = true;
    fix.latitude = latitude;
    fix.longitude = 8.0;
    fix.course = 90;
    return fix;
}

std::string vehicleId(int producer)
{
    char text[40];
    std::snprintf(text, sizeof text, "0000000%d-0000-4000-8000-000000000001", producer);
    return text;
}

// The vehicle's last move in the script as "moveTo(latitude, longitude", whether
// written as a call or among a frame's values, or "".
std::string lastMoveOf(const std::string& script, const std::string& id)
{
    std::string last;
    std::size_t lastAt = 0;
    for (std::size_t at = script.find("moveTo("); at != std::string::npos;
         at = script.find("moveTo(", at + 1)) {
        const std::string call = script.substr(at, script.find(';', at) - at);
        if (call.find(id) != std::string::npos) {
            const std::size_t second = call.find(", ", call.find(", ") + 2);
            last = call.substr(0, second);
            lastAt = at;
        }
    }
    // Among values: ["<id>",[track points],[latitude,longitude,...],...
    const std::string key = "[\"" + id + "\",[";
    for (std::size_t at = script.find(key); at != std::string::npos;
         at = script.find(key, at + 1)) {
        const std::size_t move = script.find("],", at + key.size()) + 2;
        if (script[move] != '[' || at < lastAt)
            continue;
        const std::size_t comma = script.find(',', move);
        const std::size_t end = script.find(',', comma + 1);
        last = "moveTo(" + script.substr(move + 1, comma - move - 1) + ", " +
               script.substr(comma + 1, end - comma - 1);
        lastAt = at;
    }
    return last;
}

// Two deciding threads and a window taking frames meanwhile: each producer's
// alarms arrive once each and in order, its marker ends at its last fix, and
// a burst costs one wake-up until the next take.
TEST(PageCallRelay, CallsFromOtherThreadsReachTheFramesMergedAndInOrder)
{
    std::atomic<int> wakes{0};
    PageCallRelay relay([&] { ++wakes; }, 0);
    constexpr int moves = 3000;
    std::atomic<int> running{2};
    auto produce = [&](int producer) {
        const UniqueID id(vehicleId(producer).c_str());
        for (int i = 1; i <= moves; ++i) {
            relay.call(PageCall::move(id, fixAt(i * 0.001)));
            if (i % 100 == 0)
                relay.call(PageCall::written(
                    "alarm(" + std::to_string(producer) + "," + std::to_string(i) + ");", true));
        }
        --running;
    };
    std::thread first(produce, 1), second(produce, 2);
    std::string script;
    int takes = 0;
    while (running > 0) {
        script += relay.take();
        ++takes;
        std::this_thread::yield();
    }
    first.join();
    second.join();
    script += relay.take();
    ++takes;

    EXPECT_LE(wakes.load(), takes);
    for (int producer = 1; producer <= 2; ++producer) {
        std::size_t at = 0;
        for (int i = 100; i <= moves; i += 100) {
            const std::string alarm =
                "alarm(" + std::to_string(producer) + "," + std::to_string(i) + ");";
            const std::size_t found = script.find(alarm, at);
            ASSERT_NE(found, std::string::npos) << alarm;
            EXPECT_EQ(script.find(alarm, found + 1), std::string::npos) << alarm;
            at = found;
        }
        EXPECT_EQ(lastMoveOf(script, UniqueID(vehicleId(producer).c_str()).toText())
                      .rfind("moveTo(3.000000, 8.000000", 0),
                  0u);
    }
    EXPECT_TRUE(relay.take().empty());
}

// Held (nobody takes), the relay keeps one gathering per vehicle within its
// limit; the alarms stay.
TEST(PageCallRelay, AWindowThatTakesNothingCostsABoundedRelay)
{
    int wakes = 0;
    PageCallRelay relay([&] { ++wakes; }, 500);
    for (int i = 0; i < 50000; ++i) {
        relay.call(PageCall::move(UniqueID(vehicleId(i % 7).c_str()), fixAt(i * 0.0001)));
        if (i % 10000 == 0)
            relay.call(PageCall::written("alarm(" + std::to_string(i) + ");", true));
    }
    EXPECT_EQ(wakes, 1);
    EXPECT_GT(relay.givenWay(), 0u);
    EXPECT_EQ(relay.alarmsGivenWay(), 0u);
    const std::string script = relay.take();
    for (int i = 0; i < 50000; i += 10000)
        EXPECT_NE(script.find("alarm(" + std::to_string(i) + ");"), std::string::npos) << i;
    EXPECT_LT(script.size(), 200000u);
    relay.call(PageCall::written("next();"));
    EXPECT_EQ(wakes, 2);
}

} // namespace
} // namespace corvane
