#include "browser/scriptcalls/FrameScript.h"
#include "browser/scriptcalls/ScriptCall.h"
#include "browser/scriptcalls/ScriptCalls.h"
#include "callback/GPSReading.h"
#include "data/VehicleInfo.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

using Point = std::pair<double, double>;

// UTF-8 of a code point below U+10000.
std::string utf8(unsigned code)
{
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

// The text a single-quoted script literal's body stands for.
std::string unquote(const std::string& body)
{
    std::string out;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '\\') {
            out += body[i];
            continue;
        }
        const char c = body[++i];
        if (c == 'n')
            out += '\n';
        else if (c == 'r')
            out += '\r';
        else if (c == 'u')
            out += utf8(std::stoul(body.substr(i + 1, 4), nullptr, 16)), i += 4;
        else
            out += c;
    }
    return out;
}

// Just enough JSON for a frame's moves: arrays, strings and numbers (kept as
// written, so that a real reads back as its call wrote it).
struct Json
{
    bool isArray = false;
    std::string text; // a string's value, or a number as written
    std::vector<Json> items;

    static Json parse(const std::string& s, std::size_t& i)
    {
        Json value;
        if (s[i] == '[') {
            value.isArray = true;
            for (++i; s[i] != ']';) {
                value.items.push_back(parse(s, i));
                if (s[i] == ',')
                    ++i;
            }
            ++i;
        } else if (s[i] == '"') {
            for (++i; s[i] != '"'; ++i) {
                if (s[i] != '\\') {
                    value.text += s[i];
                    continue;
                }
                const char c = s[++i];
                const std::string named = "\"\\/\b\f\n\r\t";
                const std::string letters = "\"\\/bfnrt";
                if (c == 'u')
                    value.text += utf8(std::stoul(s.substr(i + 1, 4), nullptr, 16)), i += 4;
                else
                    value.text += named[letters.find(c)];
            }
            ++i;
        } else {
            const std::size_t end = s.find_first_not_of("-+.0123456789eE", i);
            value.text = s.substr(i, end - i);
            i = end;
        }
        return value;
    }
    bool present() const { return isArray; }
};

// The calls a frameMoves text stands for, in the order the page makes them.
std::vector<std::string> framedCalls(const std::string& json)
{
    std::size_t at = 0;
    const Json vehicles = Json::parse(json, at);
    EXPECT_EQ(at, json.size()) << json;
    std::vector<std::string> calls;
    for (const Json& v : vehicles.items) {
        const std::string& id = v.items[0].text;
        const Json& move = v.items[2];
        const Json& listed = v.items[3];
        const bool after = v.items[4].text == "1";
        const auto update = [&] {
            calls.push_back(ScriptCall("updateVehicle")
                                .text(listed.items[0].text)
                                .text(listed.items[1].text)
                                .text(id)
                                .text(listed.items[2].text)
                                .text(listed.items[3].text)
                                .finish());
        };
        if (!v.items[1].items.empty()) {
            std::vector<double> points;
            for (const Json& p : v.items[1].items)
                points.push_back(std::stod(p.text));
            calls.push_back(ScriptCall("addTrackPoints").text(id).reals(points).finish(";"));
        }
        if (listed.present() && !after)
            update();
        if (move.present()) {
            ScriptCall call("moveTo");
            for (int i = 0; i < 7; ++i)
                call.raw(move.items[static_cast<std::size_t>(i)].text);
            calls.push_back(call.text(id).finish(";"));
        }
        if (listed.present() && after)
            update();
    }
    return calls;
}

// The page's state that the calls change, the way the page changes it: each
// vehicle's track, marker position and heading, list position and name; any
// other call is logged in order.
struct PageModel
{
    std::map<std::string, std::vector<Point>> track;
    std::map<std::string, Point> marker;
    std::map<std::string, double> heading;
    std::map<std::string, Point> listed;
    std::map<std::string, std::string> name;
    std::vector<std::string> others;
    int moves = 0;

    static std::vector<std::string> split(const std::string& list)
    {
        // Arguments as ScriptCall writes them; the test's texts hold no ", ".
        std::vector<std::string> out;
        std::size_t start = 0;
        while (true) {
            const std::size_t comma = list.find(", ", start);
            out.push_back(list.substr(start, comma - start));
            if (comma == std::string::npos)
                return out;
            start = comma + 2;
        }
    }

    void run(const std::string& call)
    {
        const std::size_t open = call.find('(');
        const std::size_t close = call.rfind(')');
        const std::string function = call.substr(0, open);
        const std::string inner = call.substr(open + 1, close - open - 1);
        if (function == "moveTo") {
            const auto a = split(inner);
            const double lat = std::stod(a[0]), lng = std::stod(a[1]), course = std::stod(a[6]);
            if (!std::isfinite(lat) || !std::isfinite(lng))
                return;
            ++moves;
            track[a[7]].push_back({lat, lng});
            marker[a[7]] = listed[a[7]] = {lat, lng};
            if (course >= 0)
                heading[a[7]] = course;
        } else if (function == "addTrackPoints") {
            const std::size_t bracket = inner.find('[');
            const std::string id = inner.substr(0, inner.find(','));
            const auto values = split(inner.substr(bracket + 1, inner.rfind(']') - bracket - 1));
            for (std::size_t i = 0; i + 1 < values.size(); i += 2)
                track[id].push_back({std::stod(values[i]), std::stod(values[i + 1])});
        } else if (function == "updateVehicle") {
            const auto a = split(inner);
            listed[a[2]] = {std::stod(a[0].substr(1)), std::stod(a[1].substr(1))};
            name[a[2]] = a[3];
        } else {
            others.push_back(call);
        }
    }

    // Runs every call of a script as FrameScript::take() writes it.
    void runScript(const std::string& script)
    {
        static const std::regex guarded(
            R"(try \{ ([^\n]*)\n\} catch \(e\) \{ console\.error\(e\); \}\n)");
        std::size_t covered = 0;
        for (auto m = std::sregex_iterator(script.begin(), script.end(), guarded);
             m != std::sregex_iterator(); ++m) {
            EXPECT_EQ(static_cast<std::size_t>(m->position()), covered) << "unguarded text";
            covered = static_cast<std::size_t>(m->position() + m->length());
            // A vehicle's calls share one block: "a(...); b(...);".
            const std::string block = (*m)[1];
            static const std::string framed = "frameMoves('";
            if (block.rfind(framed, 0) == 0) {
                ASSERT_EQ(block.substr(block.size() - 3), "');") << block;
                for (const std::string& call : framedCalls(
                         unquote(block.substr(framed.size(), block.size() - framed.size() - 3))))
                    run(call);
                continue;
            }
            for (std::size_t start = 0; start < block.size();) {
                std::size_t end = block.find("); ", start);
                end = end == std::string::npos ? block.size() : end + 2;
                run(block.substr(start, end - start));
                start = end + 1;
            }
        }
        EXPECT_EQ(covered, script.size());
    }

    bool operator==(const PageModel& o) const
    {
        return track == o.track && marker == o.marker && heading == o.heading &&
               listed == o.listed && name == o.name && others == o.others;
    }
};

// A vehicle's identifier from a short name: the same name, the same vehicle.
UniqueID vehicleId(const std::string& name)
{
    static std::map<std::string, UniqueID> ids;
    return ids.try_emplace(name).first->second;
}

PageCall move(double lat, double lng, double course, const std::string& id)
{
    GPSReading fix;
    fix.hasPosition = true;
    fix.latitude = lat;
    fix.longitude = lng;
    fix.speed = 10;
    fix.course = course;
    fix.fixTime = Time(13, 45, 30);
    return PageCall::move(vehicleId(id), fix);
}

PageCall update(double lat, double lng, const std::string& id, const std::string& name)
{
    VehicleInfo vehicle{vehicleId(id)};
    vehicle.last_updated_latitude = std::to_string(lat);
    vehicle.last_updated_longitude = std::to_string(lng);
    vehicle.name = name;
    vehicle.last_updated_time = "2011-05-31 13:45:30";
    return PageCall::position(vehicle);
}

PageCall other(const std::string& text)
{
    return PageCall::written(text, text.rfind("updateEventInfo(", 0) == 0);
}

// Feeds the calls once one by one and once through a FrameScript; both pages
// must end alike. Returns the number of moveTo calls the page got per frame.
int compare(const std::vector<PageCall>& calls, const std::string& label)
{
    PageModel direct;
    for (const auto& c : calls)
        direct.run(c.text());
    FrameScript frame;
    for (const auto& c : calls)
        frame.add(c);
    EXPECT_EQ(frame.callsAdded(), calls.size());
    PageModel coalesced;
    coalesced.runScript(frame.take());
    EXPECT_TRUE(frame.empty());
    EXPECT_TRUE(coalesced == direct) << label;
    EXPECT_EQ(coalesced.track, direct.track) << label;
    return coalesced.moves;
}

TEST(FrameScriptTest, EndsWithThePageStateOfEveryCallAndMovesEachMarkerOnce)
{
    struct Case
    {
        const char* label;
        std::vector<PageCall> calls;
        int moves; // moveTo calls the page gets from the frame
    };
    const Case cases[] = {
        {"nothing", {}, 0},
        {"one move", {move(1, 2, 90, "a")}, 1},
        {"three moves of one vehicle",
         {move(1, 2, 90, "a"), move(1.5, 2.5, 80, "a"), move(2, 3, 70, "a")},
         1},
        {"report pairs of two vehicles",
         {update(0, 0, "a", "'A'"), move(1, 1, 10, "a"), update(5, 5, "b", "'B'"),
          move(6, 6, 20, "b"), update(1, 1, "a", "'A2'"), move(2, 2, 30, "a"),
          update(6, 6, "b", "'B'"), move(7, 7, 40, "b")},
         2},
        {"update after the last move stays after it",
         {move(1, 1, 10, "a"), move(2, 2, 10, "a"), update(9, 9, "a", "'A'")},
         1},
        {"an alarm between moves keeps its place",
         {move(1, 1, 10, "a"), move(2, 2, 10, "a"), other("updateEventInfo(3, 'A', 't', 'd', 'a')"),
          move(3, 3, 10, "a"), move(4, 4, 10, "a")},
         2},
        {"a move without a course keeps the heading before it",
         {move(1, 1, 45, "a"), move(2, 2, -1, "a"), move(3, 3, -1, "a")},
         2},
        {"a course after a move without one coalesces",
         {move(1, 1, -1, "a"), move(2, 2, 45, "a")},
         1},
        {"moves the page refuses stay as they are",
         {move(1, 1, 10, "a"), move(NAN, 1, 10, "a"), move(2, INFINITY, 10, "a"),
          move(3, 3, 10, "a")},
         2},
        {"a deleted vehicle's later moves start anew",
         {move(1, 1, 10, "a"), other("deleteVehicle('a');"), move(2, 2, 10, "a")},
         2},
        {"texts with commas and apostrophes",
         {update(1, 1, "a", "O'Brien, Jr"), move(1, 1, 0, "a"), update(1, 1, "a", "x, y"),
          move(2, 2, 0, "a")},
         1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(compare(c.calls, c.label), c.moves) << c.label;
}

TEST(FrameScriptTest, ARandomFleetEndsAsWithEveryCall)
{
    std::mt19937 random(19);
    std::uniform_real_distribution<double> coordinate(-80, 80);
    for (int frame = 0; frame < 50; ++frame) {
        std::vector<PageCall> calls;
        const int count = 1 + static_cast<int>(random() % 300);
        for (int i = 0; i < count; ++i) {
            const std::string id = "v" + std::to_string(random() % 7);
            const int kind = static_cast<int>(random() % 20);
            const double course = kind == 0 ? -1.0 : static_cast<double>(random() % 360);
            if (kind == 1)
                calls.push_back(other("updateEventInfo(1, 'n', 't', 'd', '" + id + "')"));
            else if (kind < 8)
                calls.push_back(update(coordinate(random), coordinate(random), id, "'n'"));
            else
                calls.push_back(move(coordinate(random), coordinate(random), course, id));
        }
        compare(calls, "frame " + std::to_string(frame));
    }
}

std::string alarmText(int n, const std::string& id)
{
    return "updateEventInfo(" + std::to_string(n) + ", 'n', 't', 'd', '" + id + "');";
}

PageCall alarm(int n, const std::string& id)
{
    return other(alarmText(n, id));
}

PageCall pageSize(int n)
{
    return other(ScriptCalls::setPageSize(n, 600));
}

// The frame as it waits for a page that is not there: bounded, and what gives
// way is never a vehicle's latest position, and an alarm only when nothing
// else is left.
TEST(FrameScriptTest, ALimitedFrameGivesWayInItsOrder)
{
    struct Case
    {
        const char* label;
        std::size_t limit;
        std::vector<PageCall> calls;
        std::vector<std::string> others; // the other calls the page gets, in order
        std::size_t alarmsGivenWay;
        std::size_t keptAtMost;
    };
    std::vector<PageCall> longTrack;
    for (int i = 0; i < 30; ++i) {
        longTrack.push_back(move(i, i, 10, "a"));
        if (i == 9 || i == 19)
            longTrack.push_back(alarm(i, "a"));
    }
    std::vector<PageCall> gatherings;
    for (int i = 0; i < 4; ++i) {
        gatherings.push_back(update(i, i, "a", "'A'"));
        gatherings.push_back(move(i, i, 10, "a"));
        gatherings.push_back(alarm(i, "a"));
    }
    std::vector<PageCall> fleet;
    for (int i = 0; i < 12; ++i)
        fleet.push_back(move(i, -i, 10, "v" + std::to_string(i)));
    const Case cases[] = {
        {"track points give way, alarms and the last position stay",
         8,
         longTrack,
         {alarmText(9, "a"), alarmText(19, "a")},
         0,
         8},
        {"a vehicle's older gatherings give way to its latest",
         6,
         gatherings,
         {alarmText(0, "a"), alarmText(1, "a"), alarmText(2, "a"), alarmText(3, "a")},
         0,
         6},
        {"other calls give way before alarms",
         4,
         {pageSize(1), alarm(1, "a"), pageSize(2), alarm(2, "a"), pageSize(3), alarm(3, "a")},
         {alarmText(1, "a"), alarmText(2, "a"), ScriptCalls::setPageSize(3, 600),
          alarmText(3, "a")},
         0,
         4},
        {"the oldest alarms give way only when nothing else is left",
         4,
         {alarm(1, "a"), alarm(2, "a"), alarm(3, "a"), alarm(4, "a"), alarm(5, "a"), alarm(6, "a")},
         {alarmText(3, "a"), alarmText(4, "a"), alarmText(5, "a"), alarmText(6, "a")},
         2,
         4},
        {"no vehicle's latest position gives way, whatever the limit", 4, fleet, {}, 0, 12},
        {"no limit keeps every call", 0, longTrack, {alarmText(9, "a"), alarmText(19, "a")}, 0, 32},
    };
    for (const Case& c : cases) {
        PageModel direct;
        for (const auto& call : c.calls)
            direct.run(call.text());
        FrameScript frame;
        frame.setLimit(c.limit);
        for (const auto& call : c.calls) {
            frame.add(call);
            EXPECT_LE(frame.kept(), c.keptAtMost) << c.label;
        }
        EXPECT_EQ(frame.alarmsGivenWay(), c.alarmsGivenWay) << c.label;
        PageModel waited;
        waited.runScript(frame.take());
        EXPECT_EQ(waited.marker, direct.marker) << c.label;
        EXPECT_EQ(waited.heading, direct.heading) << c.label;
        EXPECT_EQ(waited.listed, direct.listed) << c.label;
        EXPECT_EQ(waited.others, c.others) << c.label;
        // What is left of each track is in order and ends at the latest position.
        for (const auto& [id, points] : waited.track) {
            const auto& all = direct.track[id];
            EXPECT_EQ(points.back(), all.back()) << c.label;
            EXPECT_TRUE(std::includes(all.begin(), all.end(), points.begin(), points.end(),
                                      [](const Point& x, const Point& y) { return x < y; }))
                << c.label;
        }
        EXPECT_EQ(frame.kept(), 0u);
        EXPECT_EQ(frame.givenWay(), 0u);
    }
}

// A frame of the station's own calls, as the controller makes them from
// real sentences: the points the marker passed are written as moveTo would
// have put it.
TEST(FrameScriptTest, WritesTheStationsOwnCallsFromTheirValues)
{
    VehicleInfo vehicle{UniqueID("0f8fad5b-d9cb-469f-a165-70867728950e")};
    vehicle.name = "O'Brien, 1";
    vehicle.last_updated_latitude = "37.566500";
    vehicle.last_updated_longitude = "126.978000";
    FrameScript frame;
    for (const char* sentence : {"$GPRMC,134530,A,3733.9900,N,12658.6800,E,12.5,90,310511",
                                 "$GPRMC,134531,A,3734.9900,N,12659.6800,E,12.5,91,310511"}) {
        frame.add(PageCall::position(vehicle));
        frame.add(PageCall::move(vehicle.id, GPSReading::read(sentence)));
    }
    // One text of values, quoted for the script, holding the passed point with
    // moveTo's six decimals, the last move and the listed position before it.
    EXPECT_EQ(frame.take(),
              "try { frameMoves('[[\"0f8fad5b-d9cb-469f-a165-70867728950e\",[37.566500,126.978000],"
              "[37.583167,126.994667,12.500000,13,45,31,91.000000],"
              "[\"37.566500\",\"126.978000\",\"O\\'Brien, 1\",\"\"],0]]');\n"
              "} catch (e) { console.error(e); }\n");

    // A speed that is not a number has no JSON: that vehicle's calls go as
    // script, in their place between the others.
    GPSReading fix = GPSReading::read("$GPRMC,134530,A,3733.9900,N,12658.6800,E,12.5,90,310511");
    for (const char* id : {"a", "b", "c"}) {
        fix.speed = std::string(id) == "b" ? NAN : 1.0;
        frame.add(PageCall::move(vehicleId(id), fix));
    }
    const std::string script = frame.take();
    const std::size_t b = script.find("moveTo(37.566500, 126.978000, NaN");
    ASSERT_NE(b, std::string::npos) << script;
    EXPECT_LT(script.find("frameMoves("), b) << script;
    EXPECT_GT(script.rfind("frameMoves("), b) << script;
}

} // namespace
} // namespace corvane
