#include "app/StationController.h"
#include "app/StationRecords.h"
#include "app/ZoneAlarms.h"
#include "base/FormatableBuffer.h"
#include "browser/scriptcalls/MapPage.h"
#include "browser/scriptcalls/PageCallSink.h"
#include "callback/CallbackInfo.h"
#include "callback/DropCounts.h"
#include "callback/GPSReading.h"
#include "data/TrackPoint.h"
#include "data/TrackQuery.h"
#include "data/VehicleInfo.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

using namespace corvane;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

std::string text(const UniqueID& id)
{
    FormatableBuffer<64> buffer;
    id.toString(buffer);
    return buffer.getText();
}

// Every call as the page would get it, unmerged.
class RecordingPage : public PageCallSink
{
public:
    void call(PageCall call) override { calls.push_back(call.text()); }
    // The function names called, in order.
    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (const std::string& call : calls)
            result.push_back(call.substr(0, call.find('(')));
        return result;
    }
    std::vector<std::string> calls;
};

// The stores in memory: what was queued is written down as it would reach the
// writer, a copy taken at the moment of the put.
class MemoryRecords : public StationRecords
{
public:
    struct Queued
    {
        // "vehicle insert", "vehicle update", "event", "gps", "enter 4", "exit 4"
        std::string what;
        VehicleInfo vehicle;
        std::string name, time, sentence;
        UniqueID id = UniqueID::zero();
        std::string title; // events: the device title
    };

    std::recursive_mutex& mutex() override { return lock; }
    std::recursive_mutex lock;

    VehicleInfo* findVehicle(const UniqueID& id) override
    {
        auto found = vehicles.find(id);
        return found == vehicles.end() ? nullptr : found->second.get();
    }
    bool insertVehicle(std::unique_ptr<VehicleInfo> vehicle) override
    {
        queued.push_back({"vehicle insert", *vehicle});
        const UniqueID id = vehicle->id;
        vehicles.emplace(id, std::move(vehicle));
        return !refuse;
    }
    bool updateVehicle(VehicleInfo& vehicle) override
    {
        if (refuse)
            return false;
        queued.push_back({"vehicle update", vehicle});
        return true;
    }
    bool addEvent(const CallbackInfo& event) override
    {
        if (refuse)
            return false;
        queued.push_back(
            {"event", {}, event.getName(), "", "", event.getId(), event.getDeviceTitle()});
        return true;
    }
    bool addZoneCrossing(const CallbackInfo& event, std::int64_t zoneId, bool inside) override
    {
        if (refuse)
            return false;
        queued.push_back({std::string(inside ? "enter " : "exit ") + std::to_string(zoneId),
                          {},
                          event.getName(),
                          "",
                          "",
                          event.getId(),
                          event.getDeviceTitle()});
        return true;
    }
    bool addGpsSample(const std::string& time, const UniqueID& id,
                      const std::string& sentence) override
    {
        if (refuse)
            return false;
        queued.push_back({"gps", {}, "", time, sentence, id});
        return true;
    }
    void forEachVehicle(const std::function<void(VehicleInfo&)>& visit) override
    {
        locked = true;
        for (auto& [id, vehicle] : vehicles)
            visit(*vehicle);
        locked = false;
    }

    VehicleInfo& add(const std::string& name, bool deleted = false)
    {
        auto vehicle = std::make_unique<VehicleInfo>();
        vehicle->name = name;
        vehicle->deleted = deleted;
        VehicleInfo& stored = *vehicle;
        vehicles.emplace(vehicle->id, std::move(vehicle));
        return stored;
    }
    std::vector<std::string> what() const
    {
        std::vector<std::string> result;
        for (const Queued& q : queued)
            result.push_back(q.what);
        return result;
    }

    std::map<UniqueID, std::unique_ptr<VehicleInfo>> vehicles;
    std::vector<Queued> queued;
    bool refuse = false;
    bool locked = false;
};

const char* munich = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";

CallbackInfo callback(int type, const UniqueID& id, const std::string& name,
                      const std::string& sentence = {})
{
    CallbackInfo record("10.0.0.7", 5000);
    record.setType(type);
    record.setId(id);
    record.setName(name);
    record.setTime(DateTime(2011, 5, 31, 13, 45, 30));
    record.setGpsData(sentence);
    record.setDeviceTitle("Cab");
    return record;
}

class StationControllerTest : public ::testing::Test
{
protected:
    // The vehicle a first good report made.
    VehicleInfo* reported(const UniqueID& id)
    {
        CallbackInfo good = callback(100, id, "Truck", munich);
        controller.handleCallback(good);
        return records.findVehicle(id);
    }

    MemoryRecords records;
    RecordingPage page;
    MapPage mapPage{page};
    StationController controller{records, mapPage};
};

TEST_F(StationControllerTest, FirstReportCreatesTheVehicleThenReportsMoveIt)
{
    const UniqueID id;
    CallbackInfo first = callback(100, id, "Truck 7", munich);
    controller.handleCallback(first);

    EXPECT_THAT(page.names(), ElementsAre("insertVehicle", "insertOptionalInfo", "moveTo"));
    EXPECT_THAT(page.calls[0], StartsWith("insertVehicle(0, "));
    EXPECT_THAT(page.calls[1], StartsWith("insertOptionalInfo(0, "));
    EXPECT_EQ(page.calls[2], "moveTo(48.117300, 11.516667, 22.400000, 12, 35, 19, 84.400000, '" +
                                 text(id) + "');");
    ASSERT_THAT(records.what(), ElementsAre("vehicle insert", "vehicle update", "gps"));
    EXPECT_EQ(records.queued[0].vehicle.name, "Truck 7");
    EXPECT_EQ(records.queued[0].vehicle.last_updated_time, "2011-05-31 13:45:30");
    EXPECT_EQ(records.queued[1].vehicle.last_updated_latitude, "48.117300");
    EXPECT_EQ(records.queued[1].vehicle.last_updated_longitude, "11.516667");
    EXPECT_EQ(records.queued[2].time, "2011-05-31 13:45:30");
    EXPECT_EQ(records.queued[2].sentence, munich);
    EXPECT_EQ(records.queued[2].id, id);

    page.calls.clear();
    records.queued.clear();
    CallbackInfo second = callback(100, id, "Truck 7b", munich);
    second.setTime(DateTime(2011, 5, 31, 13, 46, 0));
    controller.handleCallback(second);
    EXPECT_THAT(page.names(), ElementsAre("updateVehicle", "moveTo"));
    // updateVehicle still carries the position known before this report.
    EXPECT_THAT(page.calls[0], HasSubstr("'Truck 7b', '2011-05-31 13:46:00'"));
    // One update of the row carries the report's name, time and position.
    ASSERT_THAT(records.what(), ElementsAre("vehicle update", "gps"));
    EXPECT_EQ(records.queued[0].vehicle.name, "Truck 7b");
    EXPECT_EQ(records.queued[0].vehicle.last_updated_time, "2011-05-31 13:46:00");
    EXPECT_EQ(records.queued[0].vehicle.last_updated_latitude, "48.117300");
    EXPECT_EQ(records.queued[0].vehicle.last_updated_longitude, "11.516667");
}

TEST_F(StationControllerTest, ReportWithoutSentenceUpdatesButMovesAndStoresNothing)
{
    VehicleInfo& known = records.add("Van");
    CallbackInfo report = callback(100, known.id, "Van 2");
    controller.handleCallback(report);
    EXPECT_THAT(page.names(), ElementsAre("updateVehicle"));
    EXPECT_THAT(records.what(), ElementsAre("vehicle update"));
    EXPECT_EQ(known.name, "Van 2");
    EXPECT_EQ(known.last_updated_time, "2011-05-31 13:45:30");
}

TEST_F(StationControllerTest, DeletedVehicleOnlyGainsGpsSamples)
{
    VehicleInfo& gone = records.add("Old", true);
    gone.last_updated_time = "2010-01-01 00:00:00";
    gone.last_updated_latitude = "1.000000";
    for (int type : {100, 3, 101}) {
        CallbackInfo record = callback(type, gone.id, "Renamed", munich);
        record.optionalInfo()["Company"] = "Acme";
        controller.handleCallback(record);
    }
    EXPECT_THAT(page.calls, IsEmpty());
    EXPECT_THAT(records.what(), ElementsAre("gps"));
    EXPECT_EQ(gone.name, "Old");
    EXPECT_EQ(gone.last_updated_time, "2010-01-01 00:00:00");
    EXPECT_EQ(gone.last_updated_latitude, "1.000000");
    EXPECT_EQ(gone.company, "");
}

TEST_F(StationControllerTest, UnknownVehiclesAndTypesChangeNothing)
{
    DropCounts counts;
    controller.setDropCounts(&counts);
    const UniqueID stranger;
    // Events (every type below 100) and details of an unknown vehicle are
    // dropped and counted; a type the station does not know is only ignored.
    const struct
    {
        int type;
        std::uint64_t counted;
    } cases[] = {{0, 1}, {13, 2}, {99, 3}, {101, 4}, {102, 4}, {-1, 5}};
    for (const auto& c : cases) {
        CallbackInfo record = callback(c.type, stranger, "Ghost", munich);
        record.optionalInfo()["Company"] = "Acme";
        controller.handleCallback(record);
        EXPECT_EQ(counts.figures().unknownVehicle, c.counted) << c.type;
    }
    EXPECT_THAT(page.calls, IsEmpty());
    EXPECT_THAT(records.queued, IsEmpty());
    EXPECT_THAT(records.vehicles, IsEmpty());

    // A known vehicle's are not "unknown", deleted or not.
    for (bool deleted : {false, true}) {
        CallbackInfo event = callback(7, records.add("Known", deleted).id, "Known");
        controller.handleCallback(event);
    }
    EXPECT_EQ(counts.figures().unknownVehicle, 5u);
    EXPECT_EQ(counts.figures().unidentified, 0u);
}

TEST_F(StationControllerTest, EventIsStoredAndShownUnderTheOperatorsName)
{
    VehicleInfo& named = records.add("DVR-1");
    named.edited_name = "O'Brien\\1";
    CallbackInfo event = callback(7, named.id, "DVR-1");
    controller.handleCallback(event);
    ASSERT_THAT(records.what(), ElementsAre("event"));
    EXPECT_EQ(records.queued[0].name, "O'Brien\\1");
    ASSERT_THAT(page.names(), ElementsAre("updateEventInfo"));
    EXPECT_THAT(page.calls[0], StartsWith("updateEventInfo(7, 'O\\'Brien\\\\1', "
                                          "'2011-05-31 13:45:30', 'Cab', '" +
                                          text(named.id) + "'"));

    records.queued.clear();
    VehicleInfo& plain = records.add("DVR-2");
    CallbackInfo other = callback(0, plain.id, "DVR-2");
    controller.handleCallback(other);
    EXPECT_EQ(records.queued.at(0).name, "DVR-2");
}

TEST_F(StationControllerTest, DetailsFillTheKnownKeysAndKeepTheRest)
{
    VehicleInfo& known = records.add("Bus");
    known.driver = "Ann";
    CallbackInfo details = callback(101, known.id, "Bus 9");
    details.optionalInfo() = {{"Company", "Acme"},     {"Maker", "MAN"},  {"Model", "Lion"},
                              {"Registration", "B-1"}, {"License", "L7"}, {"Colour", "red"}};
    controller.handleCallback(details);
    EXPECT_EQ(known.company, "Acme");
    EXPECT_EQ(known.maker, "MAN");
    EXPECT_EQ(known.model, "Lion");
    EXPECT_EQ(known.registration, "B-1");
    EXPECT_EQ(known.license, "L7");
    EXPECT_EQ(known.driver, "Ann");
    EXPECT_EQ(known.name, "Bus 9");
    ASSERT_THAT(page.names(), ElementsAre("updateOptionalInfo"));
    EXPECT_THAT(page.calls[0], HasSubstr("'Bus 9', 'Acme', 'MAN', 'Lion', 'B-1', 'Ann', 'L7'"));
    EXPECT_THAT(records.what(), ElementsAre("vehicle update"));
}

TEST_F(StationControllerTest, RefusedQueuePutsDoNotStopTheWorkAndAreCounted)
{
    DropCounts counts;
    controller.setDropCounts(&counts);
    records.refuse = true;
    const UniqueID id;
    CallbackInfo report = callback(100, id, "Truck", munich);
    controller.handleCallback(report);
    EXPECT_THAT(page.names(), ElementsAre("insertVehicle", "insertOptionalInfo", "moveTo"));
    CallbackInfo event = callback(2, id, "Truck");
    controller.handleCallback(event);
    EXPECT_THAT(page.names().back(), "updateEventInfo");
    // The lost sample and the lost event, once each; a report without a
    // sentence loses no sample.
    CallbackInfo bare = callback(100, id, "Truck");
    controller.handleCallback(bare);
    EXPECT_EQ(counts.figures().unstored, 2u);
}

TEST_F(StationControllerTest, PageLoadedSendsEveryShownVehicleMostRecentFirst)
{
    // The page lists only so many vehicles: the ones that reported last must
    // be among them, whatever their identifiers.
    VehicleInfo& a = records.add("A");
    a.image_path = "C:\\pics\\a.png";
    a.last_updated_time = "2011-05-31 10:00:00";
    records.add("B", true).last_updated_time = "2012-01-01 00:00:00";
    records.add("C").last_updated_time = "2011-06-01 00:00:00";
    records.add("D").last_updated_time = "2011-05-31 12:00:00";
    records.add("E"); // never reported a time
    controller.pageLoaded(15);

    std::vector<std::string> inserted;
    for (const std::string& call : page.calls)
        if (call.rfind("insertVehicle(", 0) == 0)
            for (const char* name : {"A", "C", "D", "E"})
                if (call.find(std::string("'") + name + "'") != std::string::npos)
                    inserted.push_back(name);
    EXPECT_THAT(inserted, ElementsAre("C", "D", "A", "E"));
    EXPECT_EQ(page.calls.front(), "resetTimeout(15);");
    EXPECT_EQ(page.names().back(), "sortVehicleList");
    EXPECT_EQ(page.calls.size(), 2u + 4u * 3u);
    for (const std::string& call : page.calls)
        EXPECT_THAT(call, ::testing::Not(HasSubstr("'B'")));
    EXPECT_EQ(a.image_path, "C:/pics/a.png");
    EXPECT_THAT(records.queued, IsEmpty());
}

// The first places go to the vehicles the station heard from last, whatever
// their recorders' clocks say; those it has no order for follow by time.
TEST_F(StationControllerTest, StartOrderIsWhenTheStationHeardFromThem)
{
    const struct
    {
        const char* name;
        const char* time;
        std::int64_t heard;
    } vehicles[] = {
        {"Ahead", "2099-12-31 23:59:59", 3},  {"Behind", "1971-01-01 00:00:00", 9},
        {"Middle", "2026-01-01 00:00:00", 5}, {"OldA", "2011-05-31 10:00:00", 0},
        {"OldB", "2012-01-01 00:00:00", 0},   {"Now", "1971-01-01 00:00:00", 1},
    };
    for (const auto& v : vehicles) {
        VehicleInfo& added = records.add(v.name);
        added.last_updated_time = v.time;
        added.heard = v.heard;
    }
    // Heard in this run, with a clock in 1971: before all the loaded ones.
    for (auto& [id, vehicle] : records.vehicles)
        if (vehicle->name == "Now") {
            CallbackInfo report = callback(100, id, "Now", munich);
            report.setTime(DateTime(1971, 1, 1, 0, 0, 1));
            controller.handleCallback(report);
        }
    page.calls.clear();
    controller.pageLoaded(15);
    std::vector<std::string> order;
    for (const std::string& call : page.calls)
        if (call.rfind("insertVehicle(", 0) == 0)
            for (const auto& v : vehicles)
                if (call.find(std::string("'") + v.name + "'") != std::string::npos)
                    order.push_back(v.name);
    EXPECT_THAT(order, ElementsAre("Now", "Behind", "Middle", "Ahead", "OldB", "OldA"));
}

TEST_F(StationControllerTest, CallbacksWithoutAUsableIdentifierChangeNothingAndAreCounted)
{
    DropCounts counts;
    controller.setDropCounts(&counts);
    VehicleInfo& known = records.add("Known");
    for (int type : {100, 13, 101, 7}) {
        CallbackInfo record = callback(type, UniqueID::zero(), "Nobody", munich);
        record.optionalInfo()["Company"] = "Acme";
        controller.handleCallback(record);
    }
    EXPECT_THAT(page.calls, IsEmpty());
    EXPECT_THAT(records.queued, IsEmpty());
    EXPECT_EQ(records.vehicles.size(), 1u);
    EXPECT_EQ(counts.figures().unidentified, 4u);
    EXPECT_EQ(known.company, "");
}

TEST_F(StationControllerTest, ReportsWithoutAPositionKeepTheLastOne)
{
    const UniqueID id;
    VehicleInfo* vehicle = reported(id);
    ASSERT_NE(vehicle, nullptr);
    struct Case
    {
        const char* sentence;
        bool moves;
    };
    const Case cases[] = {
        {"$GPRMC,,V,,,,,,,,,,N", false},
        {"$GPRMC,134530,V,,N,01131.000,E,0,0,310511,,", false},
        {"$GPRMC,134530,A,4807.038,N,,E,0,0,310511,,", false},
        // A void fix that still carries coordinates is used as it always was.
        {"$GPRMC,134530,V,4900.000,N,01200.000,E,0,0,310511,,", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sentence);
        page.calls.clear();
        records.queued.clear();
        const std::string before = vehicle->last_updated_latitude;
        CallbackInfo report = callback(100, id, "Truck", c.sentence);
        report.setTime(DateTime(2011, 5, 31, 14, 0, 0));
        controller.handleCallback(report);
        if (c.moves) {
            EXPECT_THAT(page.names(), ElementsAre("updateVehicle", "moveTo"));
            EXPECT_EQ(vehicle->last_updated_latitude, "49.000000");
            ASSERT_THAT(records.what(), ElementsAre("vehicle update", "gps"));
            EXPECT_EQ(records.queued[0].vehicle.last_updated_time, "2011-05-31 14:00:00");
            EXPECT_EQ(records.queued[0].vehicle.last_updated_latitude, "49.000000");
        } else {
            EXPECT_THAT(page.names(), ElementsAre("updateVehicle"));
            EXPECT_EQ(vehicle->last_updated_latitude, before);
            EXPECT_EQ(vehicle->last_updated_longitude, "11.516667");
            // Stored as received, and the vehicle's time still counts as a sign of life.
            ASSERT_THAT(records.what(), ElementsAre("vehicle update", "gps"));
            EXPECT_EQ(records.queued[1].sentence, c.sentence);
            EXPECT_EQ(vehicle->last_updated_time, "2011-05-31 14:00:00");
        }
    }
}

// The live map, the vehicle's stored last position and the track history
// read every sentence alike: a made-up number moves nothing, is not kept, and
// is no point of the history either.
TEST_F(StationControllerTest, LiveMapStoredPositionAndHistoryReadTheSameRow)
{
    const UniqueID id;
    VehicleInfo* vehicle = reported(id);
    ASSERT_NE(vehicle, nullptr);
    const char* const sentences[] = {
        "$GPRMC,134530,A,1e300,N,01131.000,E,0,0,310511,,",
        "$GPRMC,134530,A,4807.038,N,1e300,E,0,0,310511,,",
        "$GPRMC,134530,A,abc,N,01131.000,E,0,0,310511,,",
        "$GPRMC,134530,A,nan,N,inf,E,0,0,310511,,",
        "$GPRMC,134530,A,9959.9999,N,01131.000,E,0,0,310511,,",
        "$GPRMC,134530,A,-4807.038,N,01131.000,E,0,0,310511,,",
        "$GPRMC,134530,A,4807.038,,01131.000,E,0,0,310511,,",
        "$GPRMC,134530,A,4807.038,N,01131.000,E,-3,nan,310511,,",
        "$GPRMC,134530,A,4900.000,S,01200.000,W,1e300,400,310511,,",
        "$GPRMC,134530,A,9000.000,N,18000.000,E,7,1,310511,,",
    };
    for (const char* sentence : sentences) {
        SCOPED_TRACE(sentence);
        page.calls.clear();
        records.queued.clear();
        const std::string lat = vehicle->last_updated_latitude;
        const std::string lon = vehicle->last_updated_longitude;
        CallbackInfo report = callback(100, id, "Truck", sentence);
        controller.handleCallback(report);
        TrackPoint history;
        const bool drawn = TrackQuery::readSentence(sentence, history);
        ASSERT_THAT(records.what(), ElementsAre("vehicle update", "gps"));
        EXPECT_EQ(records.queued[1].sentence, sentence);
        // The update that goes before the move never carries an empty position.
        EXPECT_THAT(page.calls.front(), StartsWith("updateVehicle('" + lat + "', '" + lon + "'"));
        if (!drawn) {
            EXPECT_THAT(page.names(), ElementsAre("updateVehicle"));
            EXPECT_EQ(vehicle->last_updated_latitude, lat);
            EXPECT_EQ(vehicle->last_updated_longitude, lon);
            continue;
        }
        ASSERT_THAT(page.names(), ElementsAre("updateVehicle", "moveTo"));
        double gotLat, gotLon, gotSpeed, gotCourse;
        ASSERT_EQ(std::sscanf(page.calls.back().c_str(),
                              "moveTo(%lf, %lf, %lf, %*d, %*d, %*d, %lf,", &gotLat, &gotLon,
                              &gotSpeed, &gotCourse),
                  4);
        EXPECT_NEAR(gotLat, history.latitude, 1e-6);
        EXPECT_NEAR(gotLon, history.longitude, 1e-6);
        EXPECT_NEAR(gotSpeed, history.speed, 1e-6);
        EXPECT_NEAR(gotCourse, history.course, 1e-6);
        EXPECT_TRUE(std::isfinite(gotSpeed) && gotSpeed >= 0);
        EXPECT_EQ(vehicle->last_updated_latitude,
                  StationController::coordinateText(history.latitude));
        EXPECT_EQ(vehicle->last_updated_longitude,
                  StationController::coordinateText(history.longitude));
    }
    // Only the last three were positions; the last is where the vehicle stays.
    EXPECT_EQ(vehicle->last_updated_latitude, "90.000000");
}

TEST_F(StationControllerTest, NameChangesFromThePage)
{
    struct Case
    {
        std::string edited, newName, expectEdited;
        bool restoresReportedName;
    };
    const Case cases[] = {
        {"Boss", "DVR-1", "", false}, // the reported name: operator name dropped
        {"", "Boss", "Boss", false},  // a new operator name
        {"Boss", "", "Boss", true},   // empty: unchanged, page shows the reported name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.newName);
        records.vehicles.clear();
        records.queued.clear();
        page.calls.clear();
        VehicleInfo& v = records.add("DVR-1");
        v.edited_name = c.edited;
        controller.changeName(text(v.id), c.newName);
        EXPECT_EQ(v.edited_name, c.expectEdited);
        EXPECT_THAT(records.what(), ElementsAre("vehicle update"));
        if (c.restoresReportedName)
            EXPECT_EQ(page.calls,
                      std::vector<std::string>{"updateVehicleName('" + text(v.id) + "', 'DVR-1')"});
        else if (!c.expectEdited.empty()) // the page searches the reported name too
            EXPECT_EQ(page.calls,
                      std::vector<std::string>{"setReportedName('" + text(v.id) + "', 'DVR-1');"});
        else
            EXPECT_THAT(page.calls, IsEmpty());
    }
    controller.changeName(text(UniqueID()), "Nobody");
    controller.changeName("not an id", "Nobody");
    EXPECT_THAT(records.what(), ElementsAre("vehicle update"));
}

// The page searches a renamed vehicle by its reported name too: it learns that name
// at load and whenever the recorder changes it, and only while another name is shown.
TEST_F(StationControllerTest, ReportedNameOfRenamedVehiclesReachesThePage)
{
    VehicleInfo& renamed = records.add("DVR-1");
    renamed.edited_name = "Boss";
    records.add("Plain");
    controller.pageLoaded(10);
    // Right after the renamed vehicle's own calls; the plain one gets none.
    const std::vector<std::string> loaded = page.names();
    const auto sent = std::find(loaded.begin(), loaded.end(), "setReportedName");
    ASSERT_NE(sent, loaded.end());
    EXPECT_EQ(*(sent - 1), "insertUserDefinedInfo");
    EXPECT_EQ(std::count(loaded.begin(), loaded.end(), "setReportedName"), 1);
    EXPECT_EQ(page.calls[std::size_t(sent - loaded.begin())],
              "setReportedName('" + text(renamed.id) + "', 'DVR-1');");
    struct Case
    {
        const char* reported;
        bool renamed;
        bool sent;
    };
    const Case cases[] = {
        {"DVR-1", true, false}, // unchanged
        {"DVR-2", true, true},  // changed under the operator's name
        {"Plain 2", false, false},
    };
    for (const Case& c : cases) {
        page.calls.clear();
        VehicleInfo* target = nullptr;
        for (auto& entry : records.vehicles) {
            if (!entry.second->edited_name.empty() == c.renamed)
                target = entry.second.get();
        }
        ASSERT_NE(target, nullptr);
        CallbackInfo report = callback(100, target->id, c.reported);
        controller.handleCallback(report);
        EXPECT_EQ(target->name, c.reported);
        const std::vector<std::string> names = page.names();
        EXPECT_EQ(std::count(names.begin(), names.end(), "setReportedName"), c.sent ? 1 : 0)
            << c.reported;
    }
}

TEST_F(StationControllerTest, OperatorCommands)
{
    VehicleInfo& v = records.add("Taxi");
    const std::string id = text(v.id);
    const std::string missing = text(UniqueID());

    controller.removeVehicle(id, false);
    controller.removeVehicle(missing, true);
    EXPECT_THAT(page.names(), ElementsAre("enableTooltip", "enableTooltip"));
    EXPECT_FALSE(v.deleted);
    EXPECT_THAT(records.queued, IsEmpty());

    page.calls.clear();
    controller.removeVehicle(id, true);
    EXPECT_TRUE(v.deleted);
    EXPECT_THAT(records.what(), ElementsAre("vehicle update"));
    EXPECT_TRUE(records.queued[0].vehicle.deleted);
    EXPECT_EQ(page.calls,
              (std::vector<std::string>{"deleteVehicle('" + id + "')", "enableTooltip()"}));

    page.calls.clear();
    records.queued.clear();
    controller.imageChosen(id, "D:\\fleet\\taxi.png");
    controller.imageChosen(missing, "D:\\x.png");
    EXPECT_EQ(v.image_path, "D:/fleet/taxi.png");
    EXPECT_EQ(page.calls,
              std::vector<std::string>{"updateImgPath('" + id + "', 'D:/fleet/taxi.png')"});
    EXPECT_THAT(records.what(), ElementsAre("vehicle update"));

    page.calls.clear();
    records.queued.clear();
    controller.updateOptionalInfo(id, "img/t.png", "one", "two");
    EXPECT_EQ(v.info1, "one");
    EXPECT_EQ(v.info2, "two");
    EXPECT_EQ(v.image_path, "img/t.png");
    EXPECT_THAT(page.calls, IsEmpty());
    EXPECT_THAT(records.what(), ElementsAre("vehicle update"));

    page.calls.clear();
    controller.vehicleEdited(id, true);
    controller.vehicleEdited(id, false);
    controller.vehicleEdited(missing, true);
    EXPECT_THAT(page.names(), ElementsAre("updateUserDefinedInfo", "enableTooltip", "enableTooltip",
                                          "enableTooltip"));
}

// Every real sentence of the corpus moves the marker to its decoded position,
// speed, fix time and course.
TEST_F(StationControllerTest, RealSentencesMoveTheMarkerWhereTheyPoint)
{
    const std::string path = CORVANE_TEST_DATA "/nmea/rmc_corpus.tsv";
    std::ifstream corpus(path);
    ASSERT_TRUE(corpus.is_open()) << "test data file missing or unreadable: " << path;
    std::string line;
    std::getline(corpus, line); // header
    VehicleInfo& v = records.add("Probe");
    int checked = 0;
    int madeUp = 0;
    while (std::getline(corpus, line)) {
        std::istringstream row(line);
        std::string source, sentence, status;
        double lat, lon, speed, course;
        int hh, mm, ss;
        std::getline(row, source, '\t');
        std::getline(row, sentence, '\t');
        row >> status >> lat >> lon >> speed >> course >> hh >> mm >> ss;
        page.calls.clear();
        CallbackInfo report = callback(100, v.id, "Probe", sentence);
        controller.handleCallback(report);
        // A receiver without a fix that fills in 360 degrees north or 60
        // minutes moves nothing (which rows those are, the reader's own test
        // checks against the corpus).
        if (!GPSReading::read(sentence).hasPosition) {
            EXPECT_NE(page.names().back(), "moveTo") << sentence;
            ++madeUp;
            continue;
        }
        ASSERT_EQ(page.names().back(), "moveTo") << sentence;
        double gotLat, gotLon, gotSpeed, gotCourse;
        int gotH, gotM, gotS;
        ASSERT_EQ(std::sscanf(page.calls.back().c_str(), "moveTo(%lf, %lf, %lf, %d, %d, %d, %lf,",
                              &gotLat, &gotLon, &gotSpeed, &gotH, &gotM, &gotS, &gotCourse),
                  7);
        EXPECT_NEAR(gotLat, lat, 1.01e-6) << sentence;
        EXPECT_NEAR(gotLon, lon, 1.01e-6) << sentence;
        EXPECT_NEAR(gotSpeed, speed, 1e-6) << sentence;
        EXPECT_NEAR(gotCourse, course, 1e-6) << sentence;
        EXPECT_EQ(std::make_tuple(gotH, gotM, gotS), std::make_tuple(hh, mm, ss)) << sentence;
        EXPECT_NEAR(std::stod(v.last_updated_latitude), lat, 1.01e-6);
        ++checked;
    }
    EXPECT_GT(checked, 1000);
    EXPECT_EQ(madeUp, 36);
}

} // namespace

// The decider's thread handles reports while the window's thread reloads the
// page, renames vehicles and reads the records, as the station runs them.
// Each vehicle's samples and marker moves keep the order of its reports, every
// vehicle is made once, and the operator's names stay.
TEST_F(StationControllerTest, CallbacksFromOneThreadAndCommandsFromAnotherKeepTheirOrder)
{
    constexpr int vehicles = 20;
    constexpr int reports = 150;
    std::vector<UniqueID> ids(vehicles);
    std::atomic<bool> deciding{true};
    std::thread decider([&] {
        for (int r = 0; r < reports; ++r)
            for (int v = 0; v < vehicles; ++v) {
                char sentence[96];
                std::snprintf(sentence, sizeof sentence,
                              "$GPRMC,123519,A,%09.4f,N,01131.000,E,022.4,084.4,230394,003.1,W",
                              4000.0 + 0.1 * r);
                CallbackInfo report = callback(100, ids[v], "Van", sentence);
                controller.handleCallback(report);
            }
        deciding = false;
    });
    int renamed = 0;
    while (deciding) {
        controller.pageUnavailable();
        controller.pageLoaded(10);
        const UniqueID id = ids[renamed % vehicles];
        bool known = false;
        {
            const auto hold = controller.hold();
            known = records.findVehicle(id) != nullptr;
        }
        if (known)
            controller.changeName(text(id), "Renamed " + std::to_string(renamed++));
    }
    decider.join();
    ASSERT_GT(renamed, 0);

    const auto hold = controller.hold();
    std::map<UniqueID, double> lastSample, lastMove;
    std::map<UniqueID, int> inserts, samples;
    for (const MemoryRecords::Queued& q : records.queued) {
        if (q.what == "vehicle insert")
            ++inserts[q.vehicle.id];
        if (q.what != "gps")
            continue;
        const double minutes = std::stod(q.sentence.substr(q.sentence.find(",A,") + 3));
        EXPECT_GT(minutes, lastSample[q.id]);
        lastSample[q.id] = minutes;
        ++samples[q.id];
    }
    for (const UniqueID& id : ids) {
        EXPECT_EQ(inserts[id], 1);
        EXPECT_EQ(samples[id], reports);
        const std::string quotedId = "'" + text(id) + "');";
        for (const std::string& call : page.calls)
            if (call.rfind("moveTo(", 0) == 0 && call.find(quotedId) != std::string::npos) {
                const double latitude = std::stod(call.substr(7));
                EXPECT_GE(latitude, lastMove[id]) << call;
                lastMove[id] = latitude;
            }
    }
    for (int i = std::max(0, renamed - vehicles); i < renamed; ++i)
        EXPECT_EQ(records.findVehicle(ids[i % vehicles])->edited_name,
                  "Renamed " + std::to_string(i));
}

// While the page is away a new vehicle is not sent at once: the whole state
// sent when the page is back announces it as added, so the page gets it once;
// its moves and alarms still go to the sink, which keeps them for the page.
TEST_F(StationControllerTest, VehiclesCreatedWhileThePageIsAwayAreAnnouncedOnceByTheWholeState)
{
    struct Case
    {
        const char* label;
        bool away;
        int reloads;             // pageLoaded calls after the reports
        const char* insertOfNew; // how pageLoaded sends the new vehicle
    };
    const Case cases[] = {
        {"page there", false, 1, "insertVehicle(1, "},
        {"page away", true, 1, "insertVehicle(0, "},
        {"page away, then loaded twice", true, 2, "insertVehicle(1, "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        MemoryRecords store;
        RecordingPage sink;
        MapPage page{sink};
        StationController station{store, page};
        VehicleInfo& old = store.add("Old");
        old.last_updated_time = "2011-05-30 10:00:00";
        if (c.away)
            station.pageUnavailable();
        const UniqueID id;
        CallbackInfo first = callback(100, id, "New", munich);
        station.handleCallback(first);
        CallbackInfo alarm = callback(13, id, "New");
        station.handleCallback(alarm);
        std::vector<std::string> atOnce = sink.names();
        if (c.away)
            EXPECT_THAT(atOnce, ElementsAre("moveTo", "updateEventInfo"));
        else
            EXPECT_THAT(atOnce, ElementsAre("insertVehicle", "insertOptionalInfo", "moveTo",
                                            "updateEventInfo"));
        for (int i = 0; i < c.reloads; ++i) {
            sink.calls.clear();
            station.pageLoaded(10);
        }
        int inserts = 0;
        for (const std::string& call : sink.calls)
            if (call.rfind("insertVehicle(", 0) == 0 && call.find("'New'") != std::string::npos) {
                ++inserts;
                EXPECT_THAT(call, StartsWith(c.insertOfNew));
                // With the position the report gave it.
                EXPECT_THAT(call, HasSubstr("'48.117300', '11.516667'"));
            }
        EXPECT_EQ(inserts, 1);
        // The vehicle known before is never announced as added.
        for (const std::string& call : sink.calls)
            if (call.find("'Old'") != std::string::npos)
                EXPECT_THAT(call, ::testing::Not(StartsWith("insertVehicle(0, ")));
    }
}

namespace {

// A report at 48.1173 N, 11.5167 E (or elsewhere) at 12:35:ss, 22.4 knots (41 km/h).
std::string fixAt(int second, const char* latitude = "4807.038",
                  const char* longitude = "01131.000")
{
    char sentence[128];
    std::snprintf(sentence, sizeof sentence, "$GPRMC,1235%02d,A,%s,N,%s,E,022.4,084.4,230394,,",
                  second, latitude, longitude);
    return sentence;
}

class StationControllerZoneTest : public StationControllerTest
{
protected:
    StationControllerZoneTest()
    {
        ZoneTable::StoredZone depot;
        depot.id = 4;
        depot.name = "Depot";
        depot.geometry = R"({"type":"Polygon","coordinates":[[[11.5,48.1],[11.6,48.1],)"
                         R"([11.6,48.2],[11.5,48.2],[11.5,48.1]]]})";
        depot.speedLimit = 30;
        ZoneTable::StoredZone broken{5, "Broken", "{\"type\":\"Polygon\"}", std::nullopt, {}};
        zones.load({depot, broken}, {}, 0);
        controller.setZoneAlarms(&zones);
    }

    // What the reports queued besides the vehicle rows and samples, and the
    // events the page was told of.
    std::vector<std::string> raised()
    {
        std::vector<std::string> result;
        for (const MemoryRecords::Queued& q : records.queued)
            if (q.what != "vehicle insert" && q.what != "vehicle update" && q.what != "gps")
                result.push_back(q.what + " " + q.name + " " + q.title);
        records.queued.clear();
        return result;
    }
    std::vector<std::string> told()
    {
        std::vector<std::string> result;
        for (const std::string& call : page.calls)
            if (call.rfind("updateEventInfo(", 0) == 0)
                result.push_back(call.substr(0, call.find(", '2011")));
        page.calls.clear();
        return result;
    }
    void report(const std::string& sentence)
    {
        CallbackInfo record = callback(100, id, "Truck", sentence);
        controller.handleCallback(record);
    }

    ZoneAlarms zones{records, mapPage};
    const UniqueID id;
};

TEST_F(StationControllerZoneTest, OnlyAPositionChangesZonesAndEventsAreStoredAndShown)
{
    EXPECT_EQ(zones.zoneCount(), 1u); // the broken one was left out
    report("$GPRMC,123500,V,,,,,,,230394,,");
    EXPECT_THAT(raised(), IsEmpty());
    report(fixAt(1));
    EXPECT_THAT(raised(), ElementsAre("enter 4 Truck Depot"));
    EXPECT_THAT(told(), ElementsAre("updateEventInfo(1000, 'Truck'"));

    // Renamed by the operator: the events carry that name.
    records.findVehicle(id)->edited_name = "Red truck";
    // No fix, not even a made-up position: nothing leaves the zone.
    for (const char* none :
         {"$GPRMC,123502,V,,,,,,,230394,,", "$GPRMC,123503,A,9959.000,N,01131.000,E,0,0,230394,,"})
        report(none);
    EXPECT_THAT(raised(), IsEmpty());
    report(fixAt(12)); // 41 km/h since second 1 in a 30 km/h zone
    EXPECT_THAT(raised(), ElementsAre("event Red truck Depot 41 km/h > 30 km/h"));
    EXPECT_THAT(told(), ElementsAre("updateEventInfo(1002, 'Red truck'"));
    report(fixAt(13, "4807.038", "01140.000")); // 11.667 E: out of the depot
    EXPECT_THAT(raised(), ElementsAre("exit 4 Red truck Depot"));
    EXPECT_THAT(told(), ElementsAre("updateEventInfo(1001, 'Red truck'"));
}

TEST_F(StationControllerZoneTest, TheLoadedPageGetsTheZonesWatchedBeforeTheSort)
{
    page.calls.clear();
    controller.pageLoaded(10);
    const std::vector<std::string> names = page.names();
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[names.size() - 2], "setZones");
    EXPECT_EQ(names.back(), "sortVehicleList");
    // The broken zone is not watched, so not drawn either.
    EXPECT_THAT(page.calls[page.calls.size() - 2],
                StartsWith(R"(setZones([{"geometry":"{\"type\":\"Polygon\")"));
    EXPECT_THAT(page.calls[page.calls.size() - 2], HasSubstr(R"("id":4,"name":"Depot"}]);)"));
}

TEST_F(StationControllerZoneTest, ARefusedEventIsTracedAndTheWorkGoesOn)
{
    records.refuse = true;
    report(fixAt(1));
    records.refuse = false;
    // The page was still told; the watcher counts the vehicle as inside.
    EXPECT_THAT(told(), ElementsAre("updateEventInfo(1000, 'Truck'"));
    report(fixAt(2));
    EXPECT_THAT(raised(), IsEmpty());
}

} // namespace

namespace {

TEST(ZoneAlarmsTest, ZonesPastTheBoundsAreLeftOutAndTheRestWatched)
{
    MemoryRecords records;
    RecordingPage page;
    MapPage mapPage(page);
    ZoneAlarms zones(records, mapPage);
    // A small zone, one too long to read, then one of 50,000 corners 41 times.
    std::string many = R"({"type":"Polygon","coordinates":[[[0,0])";
    for (int i = 1; i < 49999; ++i)
        many += ",[" + std::to_string(i % 2) + "," + std::to_string(i * 1e-5) + "]";
    many += ",[0,0]]]}";
    const std::string small = R"({"type":"Polygon","coordinates":[[[5,5],[6,5],[6,6],[5,5]]]})";
    std::vector<ZoneTable::StoredZone> stored;
    stored.push_back({1, "Small", small, std::nullopt, {}, false});
    stored.push_back({2, "Too long", "", std::nullopt, {}, true});
    for (int i = 3; i <= 43; ++i)
        stored.push_back({i, "Big", many, std::nullopt, {}, false});
    zones.load(stored, {}, 0);
    // The small one and 39 big ones: the 40th would pass the two million corners.
    EXPECT_EQ(zones.zoneCount(), 40u);
}

} // namespace
