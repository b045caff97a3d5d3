// The station's calls against the real map page, with the page's native
// functions wired to a listener: the whole road from record to page and back.
#include "browser/CefClientHandler.h"
#include "browser/CefClientListener.h"
#include "browser/CefClientV8Handler.h"
#include "browser/CefClientV8Listener.h"
#include "browser/scriptcalls/FrameScript.h"
#include "browser/scriptcalls/MapPage.h"
#include "browser/scriptcalls/PageCallSink.h"
#include "callback/GPSReading.h"
#include "data/VehicleInfo.h"
#include "testsupport/qt/EventLoopWait.h"

#include <QTemporaryDir>
#include <QWebEngineView>
#include <cstdio>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::evaluate;
using test::waitFor;

class Window : public CefClientListener, public CefClientV8Listener
{
public:
    void onPageLoaded() override { ++loads; }
    void onClickLog() override {}
    void onClickSetup() override {}
    void onClickEdit(const std::string&) override {}
    void onClickRemove(const std::string&) override {}
    void onChangeName(const std::string& id, const std::string& name) override
    {
        renamed.emplace_back(id, name);
    }
    void onUpdateOptionalInfo(const std::string&, const std::string&, const std::string&,
                              const std::string&) override
    {}
    void onClickImgBtn(const std::string&) override {}

    int loads = 0;
    std::vector<std::pair<std::string, std::string>> renamed;
};

VehicleInfo vehicle(const char* id, const char* name)
{
    VehicleInfo v{UniqueID(id)};
    v.name = name;
    v.last_updated_time = "2011-05-31 13:45:30";
    v.last_updated_latitude = "37.566500";
    v.last_updated_longitude = "126.978000";
    v.image_path = "C:\\pics\\truck.png";
    return v;
}

// Each call straight to the page, as it is made.
class DirectSink : public PageCallSink
{
public:
    explicit DirectSink(CefClientHandler& client) : m_client(client) {}
    void call(PageCall call) override { m_client.executeScript(call.text()); }

private:
    CefClientHandler& m_client;
};

// The real map page in a view, joined to the recording window through the
// client handler and the extension, loaded and ready for script calls.
class MapPageBridge : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        extension.setListener(&window);
        client.setListener(&window);
        view.resize(1024, 700);
        view.show();
        extension.attach(view.page());
        ASSERT_TRUE(client.adopt(&view));
        ASSERT_TRUE(waitFor([&] { return window.loads > 0; }));
    }

    QTemporaryDir folder;
    Window window;
    CefClientV8Handler extension;
    CefClientHandler client{folder.path()};
    DirectSink direct{client};
    MapPage page{direct};
    QWebEngineView view;
};

TEST_F(MapPageBridge, TheLoadedPageShowsTheVehiclesAndReportsRenames)
{

    // What the main window sends when the page has loaded.
    page.setMapSources("", "", "");
    page.resetTimeout(10);
    std::vector<VehicleInfo> vehicles = {
        vehicle("00000000-0000-4000-8000-000000000001", "Truck"),
        vehicle("00000000-0000-4000-8000-000000000002", "Truck"),
        vehicle("00000000-0000-4000-8000-000000000003", "O'Brien\\1\nnight shift"),
    };
    for (auto& v : vehicles)
        page.insertVehicle(true, v);
    page.sortVehicleList();
    page.moveTo(vehicles[0].id,
                GPSReading::read("$GPRMC,134530,A,3733.9900,N,12658.6800,E,12.5,,310511"));

    // The second "Truck" clashes; the page renames it and says so.
    ASSERT_TRUE(waitFor([&] { return !window.renamed.empty(); }));
    ASSERT_EQ(window.renamed.size(), 1u);
    EXPECT_EQ(window.renamed[0].first, "00000000-0000-4000-8000-000000000002");
    EXPECT_NE(window.renamed[0].second, "Truck");

    const QStringList listed =
        evaluate(*view.page(),
                 "Array.prototype.map.call(document.querySelectorAll('#vehicleList .vehicleName'),"
                 " function (e) { return e.textContent; })")
            .toStringList();
    EXPECT_EQ(listed.size(), 3);
    EXPECT_TRUE(listed.contains("Truck"));
    EXPECT_TRUE(listed.contains(QString::fromStdString(window.renamed[0].second)));
    EXPECT_TRUE(listed.contains(QString::fromUtf8("O'Brien\\1\nnight shift")));
}

// One vehicle gets every report as its own call, its twin the same reports
// gathered into frames of varying size: both end with the same track,
// position and tracking line.
TEST_F(MapPageBridge, FramesDrawTheTrackingLineOfEveryReport)
{
    page.setMapSources("", "", "");

    VehicleInfo single = vehicle("00000000-0000-4000-8000-00000000000a", "Single");
    VehicleInfo framed = vehicle("00000000-0000-4000-8000-00000000000b", "Framed");
    for (VehicleInfo* v : {&single, &framed})
        page.insertVehicle(true, *v);
    // Renamed by the frames' listed positions, to a name that would end a literal or a JSON
    // string, or a script's line.
    framed.name = "Fr'a\"m\\ed\n\xe2\x80\xa8</script>";
    FrameScript frame;
    int inFrame = 0;
    for (int i = 0; i < 400; ++i) {
        char sentence[96];
        // Courses missing now and then: the marker keeps the last known one.
        std::snprintf(sentence, sizeof sentence,
                      "$GPRMC,1345%02d,A,37%02d.%04d,N,126%02d.%04d,E,12.5,%s,310511", i % 60,
                      i % 60, (i * 37) % 10000, (i * 7) % 60, (i * 113) % 10000,
                      i % 9 == 0 ? "" : std::to_string(i % 360).c_str());
        const GPSReading fix = GPSReading::read(sentence);
        page.updateVehicle(single);
        page.moveTo(single.id, fix);
        frame.add(PageCall::position(framed));
        frame.add(PageCall::move(framed.id, fix));
        if (++inFrame == 1 + i % 13) {
            client.executeScript(frame.take());
            inFrame = 0;
        }
    }
    client.executeScript(frame.take());

    auto state = [&](const char* id) {
        return evaluate(*view.page(),
                        QStringLiteral("(function (v) { var m = findMarker(v);"
                                       " return JSON.stringify([findVehicle(v).getTrack(),"
                                       " m.position, m.angle]); })('%1')")
                            .arg(QString::fromLatin1(id)))
            .toString();
    };
    const QString singleState = state("00000000-0000-4000-8000-00000000000a");
    EXPECT_GT(singleState.size(), 400 * 20);
    EXPECT_EQ(state("00000000-0000-4000-8000-00000000000b"), singleState);
    EXPECT_EQ(
        evaluate(*view.page(),
                 QStringLiteral("findVehicle('00000000-0000-4000-8000-00000000000b').getName()"))
            .toString(),
        QString::fromStdString(framed.name));
}

} // namespace
} // namespace corvane
