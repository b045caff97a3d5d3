#include "app/CallbackDecider.h"
#include "app/StationController.h"
#include "app/StationRecords.h"
#include "browser/scriptcalls/MapPage.h"
#include "browser/scriptcalls/PageCallSink.h"
#include "callback/CallbackInfo.h"
#include "callback/DropCounts.h"
#include "data/VehicleInfo.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace {

// Keeps the vehicles and counts the samples queued for each, in order.
class CountingRecords final : public StationRecords
{
public:
    VehicleInfo* findVehicle(const UniqueID& id) override
    {
        const auto found = vehicles.find(id);
        return found == vehicles.end() ? nullptr : found->second.get();
    }
    bool insertVehicle(std::unique_ptr<VehicleInfo> vehicle) override
    {
        const UniqueID id = vehicle->id;
        vehicles.emplace(id, std::move(vehicle));
        return true;
    }
    bool updateVehicle(VehicleInfo&) override { return true; }
    bool addEvent(const CallbackInfo&) override { return true; }
    bool addZoneCrossing(const CallbackInfo&, std::int64_t, bool) override { return true; }
    bool addGpsSample(const std::string&, const UniqueID& id, const std::string& sentence) override
    {
        samples[id].push_back(sentence);
        return true;
    }
    std::recursive_mutex& mutex() override { return lock; }
    void forEachVehicle(const std::function<void(VehicleInfo&)>& visit) override
    {
        for (auto& [id, vehicle] : vehicles)
            visit(*vehicle);
    }

    std::recursive_mutex lock;
    std::map<UniqueID, std::unique_ptr<VehicleInfo>> vehicles;
    std::map<UniqueID, std::vector<std::string>> samples;
};

class NoPage final : public PageCallSink
{
public:
    void call(PageCall) override {}
};

CallbackInfo report(const UniqueID& id, int sequence)
{
    CallbackInfo record("10.0.0.7", 5000);
    record.setType(100);
    record.setId(id);
    record.setName("Van");
    record.setGpsData("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*" +
                      std::to_string(sequence));
    return record;
}

// Two receive threads hand callbacks over while the decider decides them, and
// the station stops right after: every callback handed over is decided, each
// sender's in the order it was handed over; a start after the stop decides on.
TEST(CallbackDecider, StopDecidesEverythingHandedOverAndStartGoesOn)
{
    CountingRecords records;
    NoPage sink;
    MapPage page(sink);
    StationController controller(records, page);
    DropCounts counts;
    CallbackDecider decider(controller, counts);
    decider.start();
    constexpr int each = 20000;
    const UniqueID first, second;
    auto hand = [&](const UniqueID& id) {
        for (int i = 0; i < each; ++i)
            decider.handoff().append(report(id, i));
    };
    std::thread a(hand, first), b(hand, second);
    a.join();
    b.join();
    decider.stop();
    EXPECT_EQ(decider.waiting(), 0u);
    EXPECT_EQ(counts.figures().overBacklog, 0u);
    for (const UniqueID& id : {first, second}) {
        const std::vector<std::string>& got = records.samples[id];
        ASSERT_EQ(got.size(), static_cast<std::size_t>(each));
        for (int i = 0; i < each; i += 997)
            EXPECT_EQ(got[i], report(id, i).getGpsData()) << i;
    }

    decider.start();
    decider.handoff().append(report(first, each));
    decider.stop();
    EXPECT_EQ(records.samples[first].size(), static_cast<std::size_t>(each + 1));
}

} // namespace
} // namespace corvane
