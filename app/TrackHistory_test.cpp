#include "app/TrackHistory.h"
#include "app/TrackReplayBar.h"
#include "browser/scriptcalls/MapPage.h"
#include "browser/scriptcalls/PageCallSink.h"
#include "data/AbstractDatabaseRecord.h" // DBManager.h needs it complete
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/Statement.h"
#include "data/TrackQuery.h"
#include "data/TrackSampler.h"
#include "data/Transaction.h"
#include "dialogs/DialogTestSupport.h"
#include "page/PageHarness.h"
#include "testsupport/TempFolder.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <cmath>
#include <gtest/gtest.h>

namespace corvane {
namespace {

const char* const truck = "11111111-2222-4333-8444-555555555555";
const char* const van = "11111111-2222-4333-8444-666666666666";

// Runs every call in the real page at once, as the window's sink does a moment later.
class PageSink final : public PageCallSink
{
public:
    explicit PageSink(PageHarness& page) : m_page(page) {}
    void call(PageCall call) override
    {
        const std::string script = call.text();
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
    // Rounded to the sentence's ten-thousandths of a minute first, so that
    // 59.99996 minutes become the next degree, not "60.0000".
    auto field = [](double degrees, int width) {
        const long long units = std::llround(degrees * 600000.0);
        char text[32];
        std::snprintf(text, sizeof text, "%0*lld%07.4f", width, units / 600000,
                      static_cast<double>(units % 600000) / 10000.0);
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
    MapPage mapPage{sink};
    TrackHistory history{mapPage, path};
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
        QStringLiteral("(function (m) { return (m.hidden ? 'hidden' : '') + '|' + m.position.lat; })"
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

TEST_F(TrackHistoryTest, TheBarShowsAVehicleNameThatLooksLikeMarkupAsItIs)
{
    const QString names[] = {QStringLiteral("<font size=7>Big</font>"),
                             QStringLiteral("<img src=\"x.png\">"), QStringLiteral("<b>&amp;</b>")};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        history.show(truck, name, {"2011-12-31 07:00:00", "2011-12-31 12:00:00", 0});
        ASSERT_TRUE(page.waitFor([this] { return !history.isLoading(); }, 10000));
        TrackReplayBar bar(history);
        auto* title = bar.findChild<QLabel*>("replayTitle");
        ASSERT_NE(title, nullptr);
        EXPECT_TRUE(title->text().startsWith(name));
        // As markup the tags would vanish and the label would be narrower
        // (or, for the font, far taller) than the text written out.
        const QFontMetrics metrics(title->font());
        EXPECT_GE(title->sizeHint().width(), metrics.horizontalAdvance(title->text()));
        EXPECT_LE(title->sizeHint().height(), metrics.height() * 2);
    }
}

// At the station's first window size (the bar spans its 900 px) and wider: the slider
// gets what the buttons leave, the title (the name alone: the banner gives the range)
// at most its share, a long name elided with the whole name as its tool tip.
TEST_F(TrackHistoryTest, TheBarGivesItsSpareWidthToTheSlider)
{
    const QString longName =
        QStringLiteral("Refrigerated articulated delivery truck of the northern depot, no. 1");
    const QString endless = QString(300, u'W');
    struct Case
    {
        QString name;
        int width;
        bool elided;
    };
    const Case cases[] = {
        {QStringLiteral("Truck"), 900, false},
        {QStringLiteral("<b>&amp;</b>"), 900, false},
        {longName, 900, true},
        {endless, 900, true},
        {endless, 1600, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 at %2").arg(c.name.left(20)).arg(c.width).toStdString());
        history.show(truck, c.name, {"2011-12-31 07:00:00", "2011-12-31 12:00:00", 0});
        ASSERT_TRUE(page.waitFor([this] { return !history.isLoading(); }, 10000));
        TrackReplayBar bar(history);
        bar.resize(c.width, bar.sizeHint().height());
        bar.show();
        auto* slider = bar.findChild<QSlider*>("replaySlider");
        auto* title = bar.findChild<QLabel*>("replayTitle");
        ASSERT_NE(slider, nullptr);
        ASSERT_NE(title, nullptr);
        // What the other controls ask for is all the slider does not get.
        int others = 0;
        for (QWidget* child : bar.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child != slider && child != title && child->isVisibleTo(&bar))
                others += child->sizeHint().width();
        // Margins and spacing take the rest.
        const int budget = c.width / TrackReplayBar::titleShare;
        const int least = c.width - others - budget - 80;
        ASSERT_GE(least, 150); // where a title of the whole name left it 16 px
        // The elided title is laid out when the bar next handles its events.
        ASSERT_TRUE(page.waitFor(
            [&] { return slider->width() >= least && title->width() <= budget; }, 5000))
            << "slider " << slider->width() << " px, wanted " << least << "; title "
            << title->width() << " px";
        // Nor did the whole name push the bar wider than it was made.
        EXPECT_EQ(bar.width(), c.width);
        EXPECT_FALSE(title->text().contains(QStringLiteral("2011-12-31")));
        if (c.elided) {
            EXPECT_TRUE(title->text().endsWith(QChar(0x2026))) << title->text().toStdString();
            EXPECT_TRUE(c.name.startsWith(title->text().chopped(1)));
            EXPECT_EQ(title->toolTip(), c.name);
        } else {
            EXPECT_EQ(title->text(), c.name);
            EXPECT_TRUE(title->toolTip().isEmpty());
        }
    }
}

// What is drawn over the map must not hide the shown track's end marks or their times,
// whether the event pop-up is closed, holds one alarm, or is at its full height, and
// wherever the track ends.
TEST_F(TrackHistoryTest, TheTracksEndsStayClearOfTheEventPopupAndTheBanner)
{
    struct Case
    {
        int alarms; // -1: the pop-up closed
        const char* to;
    };
    const Case cases[] = {
        {-1, "2011-12-31 12:00:00"}, {1, "2011-12-31 12:00:00"},  {17, "2011-12-31 12:00:00"},
        {1, "2011-12-31 10:30:00"},  {17, "2011-12-31 10:30:00"},
    };
    // Each end mark (radius 7) and its time, against the map's box and each overlay.
    const QString clash = QStringLiteral(R"((function () {
        var map = global.map.map, h = global.history;
        var m = map.getContainer().getBoundingClientRect();
        var drawn = [];
        ['start', 'end'].forEach(function (k) {
            var p = map.latLngToContainerPoint(h[k].getLatLng());
            drawn.push([k, { left: m.left + p.x - 7, top: m.top + p.y - 7,
                             right: m.left + p.x + 7, bottom: m.top + p.y + 7 }]);
            drawn.push([k + ' time', h[k].getTooltip().getElement().getBoundingClientRect()]);
        });
        var over = [['pop-up', global.eventPopup.element.getBoundingClientRect()],
                    ['banner', document.getElementById('historyBanner').getBoundingClientRect()]];
        var found = [];
        drawn.forEach(function (d) {
            var a = d[1];
            if (a.left < m.left || a.right > m.right || a.top < m.top || a.bottom > m.bottom)
                found.push(d[0] + ' outside the map');
            over.forEach(function (o) {
                var b = o[1];
                if (b.width > 0 && a.left < b.right && a.right > b.left && a.top < b.bottom &&
                    a.bottom > b.top)
                    found.push(d[0] + ' under the ' + o[0]);
            });
        });
        var size = map.latLngToContainerPoint(h.line.getBounds().getNorthEast())
                       .subtract(map.latLngToContainerPoint(h.line.getBounds().getSouthWest()));
        if (Math.max(Math.abs(size.x), Math.abs(size.y)) < 100)
            found.push('track shown ' + size + ' px');
        return found.join(', ');
    })())");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.alarms) + " alarms, to " + c.to);
        js(QStringLiteral("global.eventPopup.clear();"
                          "for (var i = 0; i < %1; ++i)"
                          "  global.eventPopup.AddItem('%2', 'Truck: Sensor ' + i, '');"
                          "if (%1 < 0) global.eventPopup.Hide();0")
               .arg(c.alarms)
               .arg(truck));
        ASSERT_TRUE(showAndWait({"2011-12-31 07:00:00", c.to, 0}));
        EXPECT_EQ(js(clash).toString().toStdString(), "");
        history.live();
    }
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

// A range longer than the page draws: sample i of the truck at 2012-01-01
// 00:00:00 + i seconds, on a circle of one degree around 50N 7E, a
// hundredth of a radian on from the one before (so that two samples apart
// never share a cell of the drawing); every thousandth sample from the
// 500th has no position.
class LongTrackTest : public ::testing::Test
{
protected:
    static constexpr int samples = 45001;
    static constexpr std::int64_t base = 1325376000;

    static bool hasPosition(int i) { return i % 1000 != 500; }
    static std::string sentenceOf(int i)
    {
        return sentence(50.0 + std::cos(i * 0.01), 7.0 + std::sin(i * 0.01), "0");
    }
    // "lat,lon" of sample i to five places, as stored (and so as drawn).
    static QString placeOf(int i)
    {
        TrackPoint point;
        EXPECT_TRUE(TrackQuery::readSentence(sentenceOf(i), point));
        return QString::number(point.latitude, 'f', 5) + ',' +
               QString::number(point.longitude, 'f', 5);
    }

    void SetUp() override
    {
        DBManager::getInstance().open(path, 5000);
        DBManager::getInstance().close();
        Database db;
        db.open(path.c_str(), 5000);
        Transaction transaction(db);
        for (int i = 0; i < samples; ++i) {
            Statement insert(db, "INSERT INTO gps_data (gps_data, update_time, vehicle_id) "
                                 "VALUES (?, ?, ?);");
            insert.bindText(1, hasPosition(i) ? sentenceOf(i).c_str() : "");
            insert.bindText(2, formatTrackTime(base + i).c_str());
            insert.bindText(3, truck);
            insert.execute();
        }
        Statement van1(db, "INSERT INTO gps_data (gps_data, update_time, vehicle_id) VALUES "
                           "('$GPRMC,080000,A,4000.0000,N,00200.0000,E,1.0,0,,', "
                           "'2012-01-01 00:00:05', '11111111-2222-4333-8444-666666666666');");
        van1.execute();
        transaction.commit();
        ASSERT_TRUE(page.load());
    }

    QVariant js(const QString& script) { return page.eval(script); }

    TempFolder folder;
    std::string path = folder.file("app.db");
    PageHarness page;
    PageSink sink{page};
    MapPage mapPage{sink};
    TrackHistory history{mapPage, path};
    const TrackRange all{"2000-01-01 00:00:00", "2100-01-01 00:00:00", 0};
};

TEST_F(LongTrackTest, DrawnFromEveryKthSampleThenReplayAndExportGetEverySample)
{
    TrackReplayBar bar(history);
    // What the window could see at each change, in order.
    QStringList states;
    QObject::connect(&history, &TrackHistory::changed, [&] {
        states << QStringLiteral("%1 %2 export:%3 points:%4 note:%5")
                      .arg(history.isLoading() ? "loading" : "shown",
                           history.isComplete() ? "complete" : "partial",
                           bar.findChild<QPushButton*>("exportGpx")->isEnabled() ? "on" : "off")
                      .arg(history.points().size())
                      .arg(bar.findChild<QLabel*>("replayNote")->text());
    });
    history.show(truck, QStringLiteral("Truck"), all);
    ASSERT_TRUE(page.waitFor([this] { return history.isComplete(); }, 30000));
    const int withPosition = samples - 45;
    SCOPED_TRACE(states.join(QStringLiteral(" / ")).toStdString());
    EXPECT_EQ(states,
              (QStringList{
                  "loading partial export:off points:0 note:",
                  "shown partial export:off points:0 note:Reading all 45001 samples for "
                  "replay and export...",
                  QStringLiteral("shown complete export:on points:%1 note:").arg(withPosition),
              }));

    // The page drew every third sample with a position, the first and the last,
    // in one call; the whole track coming in did not draw it again.
    ASSERT_EQ(TrackSampler::strideFor(samples, TrackLoader::drawnRows), 3u);
    QStringList expected;
    for (int i = 0; i < samples; i += 3) {
        if (hasPosition(i))
            expected << placeOf(i);
    }
    EXPECT_EQ(js("global.history.line.getLatLngs().map(function (p) {"
                 " return p.lat.toFixed(5) + ',' + p.lng.toFixed(5); })")
                  .toStringList(),
              expected);
    EXPECT_EQ(expected.front(), placeOf(0));
    EXPECT_EQ(expected.back(), placeOf(45000));
    EXPECT_EQ(js("global.history.count").toInt(), samples);
    EXPECT_EQ(sink.calls, 2);

    // The replay runs through samples that were not drawn: at the second
    // sample's time it stands on it, not between the first and the fourth.
    const QString marker =
        QStringLiteral("(function (p) { return p.lat.toFixed(5) + ',' + p.lng.toFixed(5); })"
                       "(global.history.marker.getLatLng())");
    history.seek(static_cast<double>(base + 1));
    EXPECT_EQ(js(marker).toString(), placeOf(1));
    history.seek(static_cast<double>(base + 44999));
    EXPECT_EQ(js(marker).toString(), placeOf(44999));

    const QString gpx = QString::fromStdString(folder.file("long.gpx"));
    ASSERT_TRUE(bar.exportTrack(gpx, true));
    QFile file(gpx);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("<trkpt "), withPosition);
}

TEST_F(LongTrackTest, AStopEndsTheLoadInEitherStep)
{
    struct Case
    {
        const char* name;
        bool stopAtOnce;
        std::vector<std::string> expected; // "complete|points|error" per result
    };
    const Case cases[] = {
        // Set before the first query: it stops inside, nothing else runs.
        {"before", true, {"1|0|interrupted"}},
        // Set once the sample is handed over: reading every sample stops.
        {"after the sample", false, {"0|14986|", "1|0|interrupted"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<bool> stop{c.stopAtOnce};
        std::vector<std::string> delivered;
        TrackLoader::run(path, truck, all, stop, [&](TrackResult result) {
            delivered.push_back(std::to_string(result.complete) + "|" +
                                std::to_string(result.points->size()) + "|" +
                                result.error.toStdString());
            stop = true;
        });
        EXPECT_EQ(delivered, c.expected);
    }
}

TEST_F(LongTrackTest, ANewerRequestEndsTheWholeRangeBeingRead)
{
    TrackLoader loader(path);
    std::vector<std::string> delivered;
    QObject::connect(&loader, &TrackLoader::loaded, [&](const TrackResult& result) {
        delivered.push_back(result.vehicleId.substr(30) + "|" + std::to_string(result.complete) +
                            "|" + std::to_string(result.points->size()));
        if (result.vehicleId == truck)
            loader.load(van, all);
    });
    loader.load(truck, all);
    ASSERT_TRUE(page.waitFor([&] { return delivered.size() == 2; }, 30000));
    // Whatever the truck's whole range came to, it is not delivered after the van's.
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, (std::vector<std::string>{"555555|0|14986", "666666|1|1"}));
}

TEST_F(LongTrackTest, ACancelledLoadDeliversNothingMore)
{
    // "Live" cancels: the whole range being read behind the drawn sample
    // stops, and neither its samples nor its interruption come.
    TrackLoader loader(path);
    std::vector<std::string> delivered;
    QObject::connect(&loader, &TrackLoader::loaded, [&](const TrackResult& result) {
        delivered.push_back(std::to_string(result.complete) + "|" +
                            std::to_string(result.points->size()) + "|" +
                            result.error.toStdString());
        loader.cancel();
    });
    loader.load(truck, all);
    ASSERT_TRUE(page.waitFor([&] { return !delivered.empty(); }, 30000));
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, std::vector<std::string>{"0|14986|"});
}

} // namespace
} // namespace corvane
