// The station in this process, headless: texts that hostile recorders send
// reach the map page as text, exactly as decoded, and run nothing there. The
// start-up folder holds a folder named app.db, so the station runs without its
// database: it must still receive and show.

#include "app/CorvaneDlg.h"
#include "app/SingletonStationRecords.h"
#include "app/testsupport/StationTestSupport.h"
#include "proof/LoopbackSender.h"
#include "testsupport/RawDatagrams.h"
#include "testsupport/UdpPorts.h"
#include "testsupport/VehicleIds.h"

#include <QApplication>
#include <QWebEngineView>
#include <filesystem>
#include <gtest/gtest.h>

namespace corvane {
namespace {

std::string vehicleId(int number)
{
    return test::sampleVehicleId(number, "9a9e0000");
}

struct PageCase
{
    const char* label;
    std::string sent;  // name, device title and driver as the datagrams carry them
    std::string shown; // the name as the page must show it
};

TEST(StationPage, HostileTextsAreShownLiterallyAndRunNothing)
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

    const int port = test::freeUdpPort();
    test::writeSetupPort("setup.db", port);
    SingletonStationRecords records;
    CorvaneDlg window(records);
    ASSERT_TRUE(window.initialize());
    window.show();
    QWebEnginePage& page = *window.browserView()->page();
    const auto js = [&](const std::string& script) {
        return test::evaluate(page, QString::fromStdString(script));
    };
    ASSERT_TRUE(test::waitFor(
        [&] { return js("typeof findVehicle === 'function' && !!global.listBox").toBool(); },
        60000))
        << "the page did not load";
    const int scripts = js("document.scripts.length").toInt();

    LoopbackSender sender(port);
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
    window.shutdown();
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
