#include "app/ScriptSink.h"
#include "app/TrackHistory.h"
#include "app/TrackReplayBar.h"
#include "data/AbstractDatabaseRecord.h" // DBManager.h needs it complete
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/Statement.h"
#include "testsupport/TempFolder.h"
#include "dialogs/DialogTestSupport.h"
#include "page/PageHarness.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <gtest/gtest.h>

namespace corvane {
namespace {

const char* const truck = "11111111-2222-4333-8444-555555555555";
const char* const van = "11111111-2222-4333-8444-666666666666";

// Runs every call in the real page at once, as the window's sink does a moment later.
class PageSink final : public ScriptSink
{
public:
    explicit PageSink(PageHarness& page) : m_page(page) {}
    void executeScript(const std::string& script) override
    {
        ++calls;
        m_page.eval(QString::fromStdString(script) + QStringLiteral(";0"));
    }
    int calls = 0;

private:
    PageHarness& m_page;
};

// "$GPRMC" with the position given in degrees (north and east).
std::string sentence(double lat, double lon, const char* course)
{
    auto field = [](double degrees, int width) {
        const int whole = static_cast<int>(degrees);
        char text[32];
        std::snprintf(text, sizeof text, "%0*d%07.4f", width, whole, (degrees - whole) * 60.0);
        return std::string(text);
    };
    return "$GPRMC,080000,A," + field(lat, 2) + ",N," + field(lon, 3) + ",E,10.0," + course +
           ",311211,,";
}

class TrackHistoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DBManager::getInstance().open(path, 5000);
        DBManager::getInstance().close();
        Database db;
        db.open(path.c_str(), 5000);
        struct Sample
        {
            const char* vehicle;
            const char* time;
            std::string gps;
        };
        const Sample samples[] = {
            {truck, "2011-12-31 07:59:59", sentence(50.0, 7.0, "0")},
            {truck, "2011-12-31 08:00:00", sentence(51.0, 7.0, "90")},
            {van, "2011-12-31 08:30:00", sentence(40.0, 2.0, "0")},
            {truck, "2011-12-31 09:00:00", ""},
            {truck, "2011-12-31 10:00:00", sentence(51.0, 8.0, "")},
            {truck, "2011-12-31 11:00:00", sentence(52.0, 8.0, "0")},
            {truck, "2011-12-31 11:00:01", sentence(53.0, 9.0, "0")},
        };
        for (const Sample& s : samples) {
            Statement insert(db, "INSERT INTO gps_data (gps_data, update_time, vehicle_id) "
                                 "VALUES (?, ?, ?);");
            insert.bindText(1, s.gps.c_str());
            insert.bindText(2, s.time);
            insert.bindText(3, s.vehicle);
            insert.execute();
        }
        ASSERT_TRUE(page.load());
        page.eval(
            QStringLiteral("insertVehicle(1, '53.0', '9.0', '%1', 'Truck', 't');0").arg(truck));
        page.takeCalls();
    }

    QVariant js(const QString& script) { return page.eval(script); }

    bool showAndWait(const TrackRange& range)
    {
        history.show(truck, QStringLiteral("Truck, \"1\""), range);
        return page.waitFor([this] { return !history.isLoading(); }, 10000);
    }

    TempFolder folder;
    std::string path = folder.file("app.db");
    PageHarness page;
    PageSink sink{page};
    TrackHistory history{sink, path};
};

TEST_F(TrackHistoryTest, RangeIsShownInOrderWithItsEndsAndTheLiveViewPaused)
{
    ASSERT_TRUE(showAndWait({"2011-12-31 08:00:00", "2011-12-31 11:00:00", 0}));
    ASSERT_EQ(history.points().size(), 3u);
    EXPECT_EQ(history.title(), "Truck, \"1\": 2011-12-31 08:00:00 to 2011-12-31 11:00:00");

    // The page drew exactly those samples, in order, in one call after the one that
    // said they were coming.
    EXPECT_EQ(sink.calls, 2);
    EXPECT_EQ(js("global.history.line.getLatLngs().map(function (p) {"
                 " return p.lat.toFixed(4) + ',' + p.lng.toFixed(4); })")
                  .toStringList(),
              (QStringList{"51.0000,7.0000", "51.0000,8.0000", "52.0000,8.0000"}));
    EXPECT_EQ(js("document.getElementById('historyBanner').textContent").toString(),
              history.title());
    EXPECT_EQ(js("global.history.start.getTooltip().getContent()").toString(),
              "Start 2011-12-31 08:00:00");
    EXPECT_EQ(js("global.history.end.getTooltip().getContent()").toString(),
              "End 2011-12-31 11:00:00");

    // Reports still arrive, but the vehicle's live marker stays hidden and put.
    const QString markerAt =
        QStringLiteral("(function (m) { return m.canvas.style.visibility + '|' + m.position.lat; })"
                       "(findMarker('%1'))")
            .arg(truck);
    EXPECT_EQ(js(markerAt).toString(), "hidden|53");
    page.eval(QStringLiteral("moveTo(54.0, 9.0, 1, 0, 0, 0, 0, '%1');0").arg(truck));
    EXPECT_EQ(js(markerAt).toString(), "hidden|53");

    // Live: the stored track goes, the marker shows where the reports put it.
    history.live();
    EXPECT_FALSE(history.isShown());
    EXPECT_TRUE(js("global.history === null").toBool());
    EXPECT_EQ(js(markerAt).toString(), "|54");
    EXPECT_EQ(js("document.getElementById('historyBanner').style.display").toString(), "none");
}

TEST_F(TrackHistoryTest, ReplayPutsTheMarkerAtChosenTimes)
{
    ASSERT_TRUE(showAndWait({"2011-12-31 08:00:00", "2011-12-31 11:00:00", 0}));
    const double start = history.startTime();
    struct Case
    {
        double offset;
        QString latLng;
        QString rotation;
    };
    // Course 90 at the start; the sample without one heads for the next place (north).
    const Case cases[] = {
        {0, "51.00000,7.00000", "rotate(90deg)"},
        {3600, "51.00000,7.50000", "rotate(90deg)"},
        {3600 * 2.5, "51.50000,8.00000", "rotate(0deg)"},
        {3600 * 9, "52.00000,8.00000", "rotate(0deg)"},
    };
    const QString marker = QStringLiteral(
        "(function (h) { var p = h.marker.getLatLng(); return p.lat.toFixed(5) + ','"
        " + p.lng.toFixed(5) + '|' + h.marker.getElement().firstChild.style.transform; })"
        "(global.history)");
    for (const Case& c : cases) {
        history.seek(start + c.offset);
        EXPECT_EQ(js(marker).toString(), c.latLng + '|' + c.rotation) << c.offset;
    }
    // At x64 one real minute is 64 track minutes; the end stops the play.
    history.seek(start);
    history.setPace(64);
    history.play();
    history.step(60);
    EXPECT_DOUBLE_EQ(history.now(), start + 3840);
    history.step(3600);
    EXPECT_DOUBLE_EQ(history.now(), history.endTime());
    EXPECT_FALSE(history.isPlaying());
}

TEST_F(TrackHistoryTest, EmptyRangeAndDurationsSayWhatTheyShow)
{
    ASSERT_TRUE(showAndWait({"2011-12-31 12:00:00", "2011-12-31 13:00:00", 0}));
    EXPECT_TRUE(history.points().empty());
    EXPECT_EQ(js("document.querySelector('#historyBanner .historyMessage').textContent").toString(),
              "No positions in this range.");

    // A duration ends at the vehicle's latest sample.
    ASSERT_TRUE(showAndWait({"", "", 3 * 3600}));
    EXPECT_EQ(history.title(), "Truck, \"1\": 2011-12-31 08:00:01 to 2011-12-31 11:00:01");
    EXPECT_EQ(history.points().size(), 3u);
    EXPECT_TRUE(js("document.querySelector('#historyBanner .historyMessage') === null").toBool());
}

TEST_F(TrackHistoryTest, BarExportsTheShownTrackAndReportsAFailure)
{
    ASSERT_TRUE(showAndWait({"2011-12-31 07:00:00", "2011-12-31 12:00:00", 0}));
    TrackReplayBar bar(history);
    EXPECT_TRUE(bar.findChild<QPushButton*>("exportGpx")->isEnabled());
    const QString gpx = QString::fromStdString(folder.file("t.gpx"));
    ASSERT_TRUE(bar.exportTrack(gpx, true));
    QFile file(gpx);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("<trkpt "), 5);

    test::ModalWatcher watcher;
    EXPECT_FALSE(bar.exportTrack(gpx + "/inside-a-file.kml", false));
    ASSERT_EQ(watcher.messages().size(), 1u);
    EXPECT_TRUE(watcher.messages()[0].text.startsWith("The track could not be written to "));
}

TEST_F(TrackHistoryTest, ANewerRequestSupersedesTheOneInFlight)
{
    TrackLoader loader(path);
    std::vector<std::string> delivered;
    QObject::connect(&loader, &TrackLoader::loaded, [&](const TrackResult& result) {
        delivered.push_back(result.vehicleId + "|" + std::to_string(result.points->size()));
    });
    const TrackRange all{"2000-01-01 00:00:00", "2100-01-01 00:00:00", 0};
    loader.load(van, all);
    loader.load(truck, all);
    // The older answer, if it came at all, was queued before the newer one.
    ASSERT_TRUE(page.waitFor([&] { return !delivered.empty(); }, 10000));
    EXPECT_EQ(delivered, std::vector<std::string>{std::string(truck) + "|5"});
}

TEST_F(TrackHistoryTest, MenuAndPopupOfferTrackHistory)
{
    page.eval(QStringLiteral("global.vehicleContextMenu.Display({ clientX: 5, clientY: 5 }, '%1');"
                             "document.getElementById('history').click();0")
                  .arg(truck));
    EXPECT_EQ(js("document.getElementById('history').textContent").toString(), "Track history...");
    page.eval(QStringLiteral("global.contextMenu.setVehicleID('%1');"
                             "global.contextMenu.historyLink.click();0")
                  .arg(truck));
    EXPECT_EQ(page.takeCalls(), (QStringList{QStringLiteral("onClickTrackHistory|") + truck,
                                             QStringLiteral("onClickTrackHistory|") + truck}));
}

} // namespace
} // namespace corvane
