#include "base/DateTime.h"
#include "browser/scriptcalls/MapPage.h"
#include "browser/scriptcalls/PageCallSink.h"
#include "browser/scriptcalls/ScriptCalls.h"
#include "callback/CallbackInfo.h"
#include "callback/GPSReading.h"
#include "data/TrackPoint.h"
#include "data/VehicleInfo.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

namespace corvane {
namespace {

const char* const idText = "0f8fad5b-d9cb-469f-a165-70867728950e";

VehicleInfo truck()
{
    VehicleInfo v{UniqueID(idText)};
    v.name = "O'Brien\\1";
    v.last_updated_time = "2011-05-31 13:45:30";
    v.last_updated_latitude = "37.566500";
    v.last_updated_longitude = "126.978000";
    v.company = "ACME";
    v.maker = "Hy";
    v.model = "X 1";
    v.registration = "12-AB";
    v.driver = "D. Lee";
    v.license = "L-9";
    v.info1 = "first\nsecond";
    v.info2 = "it's";
    v.image_path = "C:\\pics\\truck.png";
    return v;
}

VehicleInfo renamed()
{
    VehicleInfo v = truck();
    v.edited_name = "Van 'A'";
    return v;
}

VehicleInfo neverPositioned()
{
    VehicleInfo v{UniqueID(idText)};
    v.name = "Line\nBreak";
    return v;
}

struct Case
{
    const char* what;
    std::function<std::string()> call;
    std::string expected;
};

TEST(ScriptCalls, EveryCallHasItsExactText)
{
    CallbackInfo event("10.0.0.7", 5000);
    event.setType(11);
    event.setName("O'Brien\\1");
    event.setDeviceTitle("Cam\r1");
    event.setTime(DateTime(2011, 5, 31, 14, 7, 9, 0));
    event.setId(UniqueID(idText));

    const Case cases[] = {
        {"setMapSources",
         [] { return ScriptCalls::setMapSources("https://t/{z}/{x}/{y}.png", "", "g?q='{lat}'"); },
         R"x(setMapSources('https://t/{z}/{x}/{y}.png', '', 'g?q=\'{lat}\'');)x"},
        {"setStationTiles", [] { return ScriptCalls::setStationTiles(true); },
         "setStationTiles(1);"},
        {"setPageSize", [] { return ScriptCalls::setPageSize(900, 600); },
         "setPageSize(900, 600);"},
        {"resetTimeout", [] { return ScriptCalls::resetTimeout(10); }, "resetTimeout(10);"},
        {"sortVehicleList", [] { return ScriptCalls::sortVehicleList(); }, "sortVehicleList();"},
        {"insertVehicle 0", [] { return ScriptCalls::insertVehicle(false, truck()); },
         R"x(insertVehicle(0, '37.566500', '126.978000', '0f8fad5b-d9cb-469f-a165-70867728950e', 'O\'Brien\\1', '2011-05-31 13:45:30'))x"},
        {"insertVehicle shows the operator name",
         [] { return ScriptCalls::insertVehicle(true, renamed()); },
         R"x(insertVehicle(1, '37.566500', '126.978000', '0f8fad5b-d9cb-469f-a165-70867728950e', 'Van \'A\'', '2011-05-31 13:45:30'))x"},
        {"insertVehicle without a position",
         [] { return ScriptCalls::insertVehicle(false, neverPositioned()); },
         R"x(insertVehicle(0, '', '', '0f8fad5b-d9cb-469f-a165-70867728950e', 'Line\nBreak', ''))x"},
        {"insertOptionalInfo", [] { return ScriptCalls::insertOptionalInfo(true, renamed()); },
         R"x(insertOptionalInfo(1, '0f8fad5b-d9cb-469f-a165-70867728950e', 'Van \'A\'', 'ACME', 'Hy', 'X 1', '12-AB', 'D. Lee', 'L-9'))x"},
        {"insertUserDefinedInfo", [] { return ScriptCalls::insertUserDefinedInfo(truck()); },
         R"x(insertUserDefinedInfo('0f8fad5b-d9cb-469f-a165-70867728950e', 'C:/pics/truck.png', 'first\nsecond', 'it\'s'))x"},
        {"updateVehicle",
         [] { return ScriptCalls::updateVehicle(*PageCall::position(renamed()).asPosition()); },
         R"x(updateVehicle('37.566500', '126.978000', '0f8fad5b-d9cb-469f-a165-70867728950e', 'Van \'A\'', '2011-05-31 13:45:30'))x"},
        {"updateVehicleName carries the reported name",
         [] { return ScriptCalls::updateVehicleName(renamed()); },
         R"x(updateVehicleName('0f8fad5b-d9cb-469f-a165-70867728950e', 'O\'Brien\\1'))x"},
        {"updateUserDefinedInfo", [] { return ScriptCalls::updateUserDefinedInfo(renamed()); },
         R"x(updateUserDefinedInfo('0f8fad5b-d9cb-469f-a165-70867728950e', 'Van \'A\'', 'first\nsecond', 'it\'s', 'C:\\pics\\truck.png'))x"},
        {"updateImgPath",
         [] {
             VehicleInfo v = truck();
             v.image_path = "/home/op/it's.png";
             return ScriptCalls::updateImgPath(v);
         },
         R"x(updateImgPath('0f8fad5b-d9cb-469f-a165-70867728950e', '/home/op/it\'s.png'))x"},
        {"updateOptionalInfo", [] { return ScriptCalls::updateOptionalInfo(truck()); },
         R"x(updateOptionalInfo('0f8fad5b-d9cb-469f-a165-70867728950e', 'O\'Brien\\1', 'ACME', 'Hy', 'X 1', '12-AB', 'D. Lee', 'L-9'))x"},
        {"moveTo without a course",
         [] {
             return ScriptCalls::moveTo(
                 GPSReading::read("$GPRMC,134530,A,3733.9900,S,12658.6800,W,12.5,,310511"),
                 UniqueID(idText));
         },
         "moveTo(-37.566500, -126.978000, 12.500000, 13, 45, 30, -1.000000, "
         "'0f8fad5b-d9cb-469f-a165-70867728950e');"},
        {"updateEventInfo", [&event] { return ScriptCalls::updateEventInfo(event); },
         R"x(updateEventInfo(11, 'O\'Brien\\1', '2011-05-31 14:07:09', 'Cam\r1', '0f8fad5b-d9cb-469f-a165-70867728950e'))x"},
        {"deleteVehicle", [] { return ScriptCalls::deleteVehicle(idText); },
         "deleteVehicle('0f8fad5b-d9cb-469f-a165-70867728950e')"},
        {"deleteVehicle with a crafted id",
         [] { return ScriptCalls::deleteVehicle("x');alert(1);('"); },
         R"x(deleteVehicle('x\');alert(1);(\''))x"},
        {"enableTooltip", [] { return ScriptCalls::enableTooltip(); }, "enableTooltip()"},
        {"hideTooltip", [] { return ScriptCalls::hideTooltip(); }, "hideTooltip()"},
        {"addTrackPoints",
         [] {
             return ScriptCalls::addTrackPoints(UniqueID(idText), {1.5, -2.25, 0, 179.9999995});
         },
         "addTrackPoints('0f8fad5b-d9cb-469f-a165-70867728950e', [1.500000, -2.250000, "
         "0.000000, 180.000000]);"},
        {"setLiveSeconds", [] { return ScriptCalls::setLiveSeconds(60); }, "setLiveSeconds(60);"},
        {"setAlarmKinds", [] { return ScriptCalls::setAlarmKinds(1u << 13); },
         "setAlarmKinds(8192);"},
        // The whole unsigned range, never a negative number.
        {"setAlarmKinds of every kind", [] { return ScriptCalls::setAlarmKinds(0xFFFFFFFFu); },
         "setAlarmKinds(4294967295);"},
        {"setAlarmMuted", [] { return ScriptCalls::setAlarmMuted(true); }, "setAlarmMuted(1);"},
        {"setZoneAlarmKinds", [] { return ScriptCalls::setZoneAlarmKinds(4); },
         "setZoneAlarmKinds(4);"},
        {"setAlarmMuted off", [] { return ScriptCalls::setAlarmMuted(false); },
         "setAlarmMuted(0);"},
        {"setListLimit", [] { return ScriptCalls::setListLimit(101); }, "setListLimit(101);"},
        {"setReportedName carries the reported name",
         [] { return ScriptCalls::setReportedName(renamed()); },
         R"x(setReportedName('0f8fad5b-d9cb-469f-a165-70867728950e', 'O\'Brien\\1');)x"},
        {"showTrackHistory with a message",
         [] {
             return ScriptCalls::showTrackHistory(idText, "Van \"A\"\n",
                                                  "No positions in this range.");
         },
         R"x(showTrackHistory({"id":"0f8fad5b-d9cb-469f-a165-70867728950e","message":"No positions in this range.","title":"Van \"A\"\n"});)x"},
        {"showTrackHistory with a track",
         [] {
             const std::vector<TrackPoint> points = {
                 {1306849530, 37.5665, 126.978, 0, -1},
                 {1306849531, 1e-4, -0.0, 0, -1},
                 {1306849590, -37.25, 1e15, 0, -1},
             };
             return ScriptCalls::showTrackHistory(idText, "T", points, {0, 1, 2}, 42);
         },
         R"x(showTrackHistory({"count":42,"end":{"lat":-37.25,"lon":1000000000000000,"time":"2011-05-31 13:46:30"},"id":"0f8fad5b-d9cb-469f-a165-70867728950e","points":[37.5665,126.978,1e-04,0,-37.25,1000000000000000],"start":{"lat":37.5665,"lon":126.978,"time":"2011-05-31 13:45:30"},"title":"T"});)x"},
        {"showLiveView", [] { return ScriptCalls::showLiveView(); }, "showLiveView();"},
        {"setZones: the geometry a string, never script",
         [] {
             return ScriptCalls::setZones(
                 {{4, "Depot \"A\"", R"({"type":"Polygon","coordinates":[[[1,2]]]})"},
                  {7, "</script>", "'); alert(1); ('"}});
         },
         R"x(setZones([{"geometry":"{\"type\":\"Polygon\",\"coordinates\":[[[1,2]]]}","id":4,"name":"Depot \"A\""},{"geometry":"'); alert(1); ('","id":7,"name":"</script>"}]);)x"},
        {"setZones without zones", [] { return ScriptCalls::setZones({}); }, "setZones([]);"},
        {"zoneRefused", [] { return ScriptCalls::zoneRefused("it's not a shape"); },
         R"x(zoneRefused('it\'s not a shape');)x"},
        {"moveHistoryMarker",
         [] {
             TrackReplay::Position at;
             at.latitude = 37.56650004;
             at.longitude = -0.5;
             at.course = 359.96;
             return ScriptCalls::moveHistoryMarker(at);
         },
         "moveHistoryMarker(37.5665000, -0.5000000, 360.0);"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.call(), c.expected) << c.what;
    }
}

struct Recorder : PageCallSink
{
    void call(PageCall call) override { calls.push_back(call.text()); }
    std::vector<std::string> calls;
};

TEST(MapPage, InsertsAVehicleByWhetherThePageIsLoading)
{
    Recorder page;
    MapPage map(page);
    VehicleInfo first = truck();
    map.insertVehicle(false, first);
    ASSERT_EQ(page.calls.size(), 2u);
    EXPECT_EQ(page.calls[0], ScriptCalls::insertVehicle(false, truck()));
    EXPECT_EQ(page.calls[1], ScriptCalls::insertOptionalInfo(false, truck()));
    EXPECT_EQ(first.image_path, "C:\\pics\\truck.png");

    page.calls.clear();
    VehicleInfo loaded = truck();
    map.insertVehicle(true, loaded);
    ASSERT_EQ(page.calls.size(), 3u);
    EXPECT_EQ(page.calls[0].rfind("insertVehicle(1, ", 0), 0u);
    EXPECT_EQ(page.calls[1].rfind("insertOptionalInfo(1, ", 0), 0u);
    EXPECT_EQ(page.calls[2], ScriptCalls::insertUserDefinedInfo(truck()));
    EXPECT_EQ(loaded.image_path, "C:/pics/truck.png");
}

// Texts far beyond the old fixed buffers arrive whole.
TEST(ScriptCalls, LongTextsAreNeverCut)
{
    VehicleInfo v = truck();
    v.name = std::string(3000, 'n') + "'";
    v.image_path = std::string(500, '\\') + "p.png";
    const std::string name = ScriptCalls::updateVehicle(*PageCall::position(v).asPosition());
    EXPECT_NE(name.find("'" + std::string(3000, 'n') + "\\''"), std::string::npos);
    EXPECT_TRUE(name.ends_with(", '2011-05-31 13:45:30')")) << name.substr(name.size() - 40);

    const std::string picture = ScriptCalls::insertUserDefinedInfo(v);
    EXPECT_NE(picture.find("'" + std::string(500, '/') + "p.png'"), std::string::npos);
    EXPECT_EQ(ScriptCalls::normaliseImagePath(v.image_path), std::string(500, '/') + "p.png");
}

// Every real receiver sentence gives the numbers "%f" and "%d" print for it.
TEST(ScriptCalls, MoveToMatchesRealReceiverSentences)
{
    const std::string path = CORVANE_TEST_DATA "/nmea/rmc_corpus.tsv";
    std::ifstream corpus(path);
    ASSERT_TRUE(corpus.is_open()) << "test data file missing or unreadable: " << path;
    std::string line;
    std::getline(corpus, line); // header
    int rows = 0;
    while (std::getline(corpus, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::vector<std::string> columns;
        std::istringstream split(line);
        for (std::string column; std::getline(split, column, '\t');) {
            columns.push_back(column);
        }
        ASSERT_EQ(columns.size(), 10u) << line;
        const GPSReading gps = GPSReading::read(columns[1]);
        // The station sends no move for a sentence without a position.
        if (!gps.hasPosition)
            continue;
        const std::string expected = "moveTo(" + columns[3] + ", " + columns[4] + ", " +
                                     columns[5] + ", " + std::to_string(std::stoi(columns[7])) +
                                     ", " + std::to_string(std::stoi(columns[8])) + ", " +
                                     std::to_string(std::stoi(columns[9])) + ", " + columns[6] +
                                     ", '" + idText + "');";
        EXPECT_EQ(ScriptCalls::moveTo(gps, UniqueID(idText)), expected) << columns[1];
        ++rows;
    }
    EXPECT_GT(rows, 0);
}

} // namespace
} // namespace corvane
