// The station in this process, headless: texts that hostile recorders send
// reach the map page as text, exactly as decoded, and run nothing there. The
// start-up folder holds a folder named app.db, so the station runs without its
// database: it must still receive and show.

#include "app/CorvaneDlg.h"
#include "app/SingletonStationRecords.h"
#include "app/testsupport/StationTestSupport.h"
#include "app/testsupport/StationWindowTest.h"
#include "data/VehicleInfo.h"
#include "proof/LoopbackSender.h"
#include "testsupport/RawDatagrams.h"
#include "testsupport/UdpPorts.h"
#include "testsupport/VehicleIds.h"

#include <QApplication>
#include <QWebEngineView>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace corvane {
namespace {

std::string vehicleId(int number)
{
    return test::sampleVehicleId(number, "9a9e0000");
}

// The window with its page loaded, for one test.
using StationPage = test::StationWindowTest;

struct PageCase
{
    const char* label;
    std::string sent;  // name, device title and driver as the datagrams carry them
    std::string shown; // the name as the page must show it
};

TEST_F(StationPage, HostileTextsAreShownLiterallyAndRunNothing)
{
    const PageCase cases[] = {
        {"markup", "<img src=x onerror=\"window.__pwned=1\">",
         "<img src=x onerror=\"window.__pwned=1\">"},
        {"apostrophe that would end the call", "');window.__pwned=2;('", "');window.__pwned=2;('"},
        {"backslash before an apostrophe", "\\');window.__pwned=3;//", "\\');window.__pwned=3;//"},
        {"end of a script element", "</script><script>window.__pwned=4</script>",
         "</script><script>window.__pwned=4</script>"},
        {"line breaks and script line terminators",
         "a\nb\rc\xE2\x80\xA8"
         "d\xE2\x80\xA9"
         "e",
         "a\nb\rc\xE2\x80\xA8"
         "d\xE2\x80\xA9"
         "e"},
        {"control bytes", "t\tu\x01v\x7F", "t\tu\x01v\x7F"},
        {"unit separator", "x\x1Fy", "x,y"},
        {"invalid UTF-8", "A\xFF", "A\xEF\xBF\xBD"},
        {"percent signs", "%s%n%d%%", "%s%n%d%%"},
    };

    const int scripts = js("document.scripts.length").toInt();

    LoopbackSender sender(m_port);
    int number = 0;
    for (const PageCase& c : cases) {
        const std::string id = vehicleId(++number);
        ASSERT_TRUE(
            sender.send(test::rawHead(c.sent, "100", "DVR", id) +
                        ",$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,*10"));
        ASSERT_TRUE(sender.send(test::rawHead(c.sent, "13", c.sent, id)));
        ASSERT_TRUE(sender.send(test::rawHead(c.sent, "101", "DVR", id) + ",x,1,Driver," + c.sent));
    }

    number = 0;
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string entry = "global.listBox.find('" + vehicleId(++number) + "')";
        ASSERT_TRUE(test::waitFor([&] { return js("!!" + entry).toBool(); }, 30000));
        EXPECT_EQ(js(entry + ".nameLabel.textContent").toString().toStdString(), c.shown);
    }
    // Only the page's own pictures exist; none was made from the texts, and
    // no text ran as script.
    EXPECT_EQ(js("document.querySelectorAll('img[src=\"x\"], [onerror]').length").toInt(), 0);
    EXPECT_EQ(js("document.scripts.length").toInt(), scripts);
    EXPECT_TRUE(js("window.__pwned === undefined").toBool());
}

// Made-up numbers where a position belongs: no box opens (it would stop the
// page until someone answers), the vehicle stays where it was (not 0, 0), the
// station keeps its last position, and the page goes on taking calls.
TEST_F(StationPage, MadeUpPositionsOpenNoBoxAndMoveNothing)
{
    const struct
    {
        const char* fields; // latitude, hemisphere, longitude, hemisphere, speed, course
        bool moves;
    } cases[] = {
        {"1e300,N,12158.3416,W,0.13,309.62", false},
        {"3723.2475,N,1e300,W,0.13,309.62", false},
        {"abc,N,12158.3416,W,0.13,309.62", false},
        {"nan,N,nan,E,0.13,309.62", false},
        {"inf,N,-inf,E,0.13,309.62", false},
        {"9959.9999,N,12158.3416,W,0.13,309.62", false},
        {"-3723.2475,N,12158.3416,W,0,0", false},
        {"3723.2475,,12158.3416,W,0,0", false},
        {"3723.2475,N,18100.0000,E,0,0", false},
        {"4000.0000,N,01000.0000,E,nan,inf", true},
        {"4000.0000,S,01000.0000,W,-7,1e300", true},
    };
    // Every script dialog the page tries is written down instead of shown.
    js("window.boxes = []; window.alert = window.confirm = window.prompt = "
       "function (m) { window.boxes.push(String(m)); }; 0");

    LoopbackSender sender(m_port);
    const std::string good = "$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,*10";
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fields);
        const std::string id = test::sampleVehicleId(++number, "9a9f0000");
        const std::string info = "findVehicle('" + id + "')";
        ASSERT_TRUE(sender.send(test::rawHead("Bus", "100", "DVR", id) + "," + good));
        ASSERT_TRUE(test::waitFor(
            [&] { return js("!!" + info + " && !!" + info + ".getPosition()").toBool(); }, 30000));
        // The made-up report, then details the page shows once both are handled.
        ASSERT_TRUE(sender.send(test::rawHead("Bus", "100", "DVR", id) + ",$GPRMC,134531,A," +
                                c.fields + ",310511,,*10"));
        ASSERT_TRUE(sender.send(test::rawHead("Bus", "101", "DVR", id) + ",x,1,Driver,done"));
        ASSERT_TRUE(
            test::waitFor([&] { return js(info + ".getDriver()").toString() == "done"; }, 30000))
            << "the page stopped taking calls";
        EXPECT_EQ(js("window.boxes.length").toInt(), 0)
            << js("window.boxes.join('|')").toString().toStdString();
        const double lat = js(info + ".getPosition().lat").toDouble();
        const double lng = js(info + ".getPosition().lng").toDouble();
        const VehicleInfo* stored = m_records.findVehicle(UniqueID(id.c_str()));
        ASSERT_NE(stored, nullptr);
        if (c.moves) {
            EXPECT_NEAR(std::fabs(lat), 40.0, 1e-6);
            EXPECT_NEAR(std::fabs(lng), 10.0, 1e-6);
            EXPECT_EQ(js(info + ".getSpeed()").toDouble(), 0.0);
            EXPECT_EQ(stored->last_updated_latitude.substr(stored->last_updated_latitude.find('4')),
                      "40.000000");
        } else {
            EXPECT_NEAR(lat, 37.387458, 1e-6);
            EXPECT_NEAR(lng, -121.972360, 1e-6);
            EXPECT_EQ(stored->last_updated_latitude, "37.387458");
            EXPECT_EQ(stored->last_updated_longitude, "-121.972360");
        }
    }
}

} // namespace
} // namespace corvane

int main(int argc, char** argv)
{
    // A folder named app.db: the station runs without its database.
    return corvane::test::runInStation(argc, argv, {{0, 0, 1280, 800}}, [](const auto&) {
        return std::filesystem::create_directory("app.db");
    });
}
