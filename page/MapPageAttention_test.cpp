// Status colours, search, alarm attention and the offline world layer of the real page
// in a headless web view.

#include "page/PageTest.h"

#include <QApplication>
#include <QDateTime>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace corvane {
namespace {

// A display time text this many seconds before now, in local time as the station writes it.
QString secondsAgo(qint64 seconds)
{
    return QDateTime::currentDateTime().addSecs(-seconds).toString("yyyy-MM-dd HH:mm:ss");
}

QString insertText(int isLoaded, const QString& id, const QString& name, const QString& time,
                   const QString& lat = "10", const QString& lng = "10")
{
    return QStringLiteral("insertVehicle(%1, '%2', '%3', '%4', '%5', '%6')")
        .arg(isLoaded)
        .arg(lat, lng, id, name, time);
}

QString statusOf(const QString& id)
{
    return QStringLiteral("(function () { var e = document.getElementById('%1');"
                          " var m = findMarker('%1');"
                          " var s = ['live', 'quiet', 'timedout'].filter(function (n) {"
                          "   return e.classList.contains('status-' + n) && m.status === n; });"
                          " var icon = getComputedStyle(e.timeoutIcon).display === 'block';"
                          " return s.join('+') + (icon ? ' marked' : ''); })()")
        .arg(id);
}

class MapPageAttention : public PageTest
{
protected:
    bool waitStatus(const QString& id, const QString& status)
    {
        return m_page->waitFor([&] { return js(statusOf(id)).toString() == status; }, 10000);
    }
};

TEST_F(MapPageAttention, ColoursFollowReportsAndSilence)
{
    // Live for 300 ms, then quiet until 3 s (0.05 minutes): wide enough for a slow machine
    // to look in between.
    run("setLiveSeconds(0.3); resetTimeout(0.05)");
    EXPECT_EQ(js(insertText(0, "c1", "one", secondsAgo(0)) + ";" + statusOf("c1")).toString(),
              QString("live"));
    ASSERT_TRUE(waitStatus("c1", "quiet"));
    ASSERT_TRUE(waitStatus("c1", "timedout marked"));

    // Each kind of report brings it back to live and takes the mark away; an operator
    // edit is no report.
    struct Case
    {
        const char* what;
        QString call;
        QString after;
    };
    const Case cases[] = {
        {"operator edit", "updateUserDefinedInfo('c1', 'one', 'x', 'y', '')", "timedout marked"},
        {"GPS report", "moveTo(2, 2, 0, 13, 45, 30, -1, 'c1')", "live"},
        {"event", "updateEventInfo(1, 'one', 't', ' ', 'c1')", "live"},
        {"details", "updateOptionalInfo('c1', 'one', 'c', 'm', 'mo', 'r', 'd', 'l')", "live"},
        {"stored position", "updateVehicle('1', '1', 'c1', 'one', 't')", "live"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(waitStatus("c1", "timedout marked")) << c.what;
        // The call and the look in one script: no timer runs in between.
        EXPECT_EQ(js(c.call + ";" + statusOf("c1")).toString(), c.after) << c.what;
    }
}

TEST_F(MapPageAttention, StoredSilenceCountsFromTheLastReport)
{
    run("resetTimeout(10)");
    struct Case
    {
        const char* id;
        qint64 silentSeconds;
        QString status;
    };
    const Case cases[] = {
        {"twoDays", 2 * 86400, "timedout marked"},
        {"elevenMinutes", 11 * 60, "timedout marked"},
        {"fiveMinutes", 5 * 60, "quiet"},
        {"justNow", 2, "live"},
        // A recorder whose clock runs ahead counts as reporting now.
        {"future", -3600, "live"},
    };
    QString script;
    for (const Case& c : cases)
        script += insertText(1, c.id, c.id, secondsAgo(c.silentSeconds)) + ";";
    // Inserted and looked at in one script: the marks are there at once, no timer needed.
    QStringList looks;
    for (const Case& c : cases)
        looks << statusOf(c.id);
    const QStringList seen = js(script + "[" + looks.join(", ") + "]").toStringList();
    ASSERT_EQ(seen.size(), int(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(seen[int(i)], cases[i].status) << cases[i].id;
    // A text that is no time counts as now.
    EXPECT_EQ(js(insertText(1, "bad", "bad", "yesterday") + ";" + statusOf("bad")).toString(),
              QString("live"));

    // A new time-out keeps the silence already passed, both ways.
    EXPECT_EQ(js("resetTimeout(3);" + statusOf("fiveMinutes")).toString(),
              QString("timedout marked"));
    EXPECT_EQ(js("resetTimeout(20);" + statusOf("elevenMinutes")).toString(), QString("quiet"));
    EXPECT_EQ(js(statusOf("twoDays")).toString(), QString("timedout marked"));
}

TEST_F(MapPageAttention, LegendExplainsTheColours)
{
    run("setLiveSeconds(45); resetTimeout(10)");
    m_page->click(m_page->centreOf("#legendButton"), Qt::LeftButton);
    ASSERT_TRUE(m_page->waitFor(
        [&] { return js("vehicleStatus.legend.style.display").toString() == "block"; }));
    EXPECT_EQ(js("Array.prototype.map.call(vehicleStatus.legend.childNodes,"
                 " function (r) { return r.textContent; })")
                  .toStringList(),
              (QStringList{"Live: reported within 45 s", "Quiet: silent, but within 10 min",
                           "Timed out: silent beyond 10 min",
                           "Flashing: alarm, until the vehicle is opened"}));
    m_page->click(QPoint(600, 400), Qt::LeftButton);
    EXPECT_TRUE(m_page->waitFor(
        [&] { return js("vehicleStatus.legend.style.display").toString() == "none"; }));
}

TEST_F(MapPageAttention, SearchFiltersIgnoringCaseAndAccents)
{
    const QString now = secondsAgo(0);
    run(insertText(1, "s1", QString::fromUtf8("Zürich Tram 4"), secondsAgo(300)));
    run(insertText(1, "s2", "ZURICH depot", secondsAgo(100)));
    run(insertText(1, "s3", "Bus 12", secondsAgo(5)));
    run(insertText(1, "s4", "Van", secondsAgo(50)));
    run(insertText(1, "s5", "Night Owl", secondsAgo(200)));
    run("insertOptionalInfo(1, 's3', 'Bus 12', '', '', '', 'KX-204', 'Jos\\u00e9 P\\u00e9rez', "
        "'')");
    run("insertOptionalInfo(1, 's4', 'Van', '', '', '', 'ZH-77', '', '')");
    // s5 was renamed by the operator; the recorder calls it Tanker.
    run("setReportedName('s5', 'Tanker 9')");
    const QString shown = "Array.prototype.filter.call(document.querySelectorAll('.listEntry'),"
                          " function (e) { return getComputedStyle(e).display !== 'none'; })"
                          ".map(function (e) { return e.id; })";
    const QString count = "document.getElementById('searchCount').textContent";
    ASSERT_TRUE(m_page->waitFor([&] { return js(count).toString() == "5 of 5"; }));

    struct Case
    {
        QString needle;
        QStringList ids;
    };
    const Case cases[] = {
        {"zurich", {"s1", "s2"}}, {QString::fromUtf8("ZÜRICH"), {"s1", "s2"}},
        {"jose perez", {"s3"}},   {"zh-", {"s4"}},
        {"tanker", {"s5"}},       {"  owl ", {"s5"}},
        {"nothing like it", {}},
    };
    for (const Case& c : cases) {
        run(QString("setSearchText(decodeURIComponent('%1'))")
                .arg(QString::fromLatin1(QUrl::toPercentEncoding(c.needle))));
        EXPECT_EQ(js(shown).toStringList(), c.ids) << c.needle.toStdString();
        EXPECT_EQ(js(count).toString(), QString("%1 of 5").arg(c.ids.size()));
    }

    // Typed by an operator: the list follows each key; Escape clears.
    m_page->click(m_page->centreOf("#searchInput"), Qt::LeftButton);
    run("setSearchText('')");
    QTest::keyClicks(m_page->view().focusProxy(), "bus");
    ASSERT_TRUE(m_page->waitFor([&] { return js(count).toString() == "1 of 5"; }));
    EXPECT_EQ(js(shown).toStringList(), QStringList{"s3"});
    // A vehicle that arrives meanwhile is searched too.
    run(insertText(0, "s6", "Bus 40", now));
    ASSERT_TRUE(m_page->waitFor([&] { return js(count).toString() == "2 of 6"; }));
    QTest::keyClick(m_page->view().focusProxy(), Qt::Key_Escape);
    ASSERT_TRUE(m_page->waitFor([&] { return js(count).toString() == "6 of 6"; }));
    EXPECT_EQ(js("document.getElementById('searchInput').value").toString(), QString());

    // Ordered by last report, newest first, and back by name.
    run("var o = document.getElementById('listOrder'); o.value = 'time';"
        " o.dispatchEvent(new Event('change'))");
    EXPECT_EQ(js("Array.prototype.map.call(document.querySelectorAll('.listEntry'),"
                 " function (e) { return e.id; })")
                  .toStringList(),
              (QStringList{"s6", "s3", "s4", "s2", "s5", "s1"}));
    run("sortVehicleList()");
    EXPECT_EQ(js("Array.prototype.map.call(document.querySelectorAll('.listEntry'),"
                 " function (e) { return e.id; })")
                  .toStringList(),
              (QStringList{"s3", "s6", "s5", "s4", "s2", "s1"}));
}

TEST_F(MapPageAttention, ChosenAlarmsFlashUntilOpenedAndSoundUnlessMuted)
{
    run(insertText(1, "a1", "one", secondsAgo(0)));
    run(insertText(1, "a2", "two", secondsAgo(0)));
    const QString flashing = "(function (id) { return document.getElementById(id).classList"
                             ".contains('alarm') && findMarker(id).alarm; })('%1')";
    struct Case
    {
        const char* what;
        QString setup;
        int type;
        bool flashes;
        int sounds;
    };
    const Case cases[] = {
        {"Emergency by default", "", 13, true, 1},
        {"Motion is no alarm by default", "", 1, false, 0},
        {"Motion once chosen", "setAlarmKinds(2)", 1, true, 1},
        {"Emergency no longer chosen", "setAlarmKinds(2)", 13, false, 0},
        {"muted: flashes in silence", "setAlarmKinds(8192); setAlarmMuted(1)", 13, true, 0},
        {"unknown type", "setAlarmKinds(4294967295); setAlarmMuted(0)", 14, false, 0},
        // Its bit would be bit 8 (1000 modulo 32): the kinds choose recorder codes only.
        {"a zone entry is no recorder code", "setAlarmKinds(4294967295)", 1000, false, 0},
        {"an overspeed neither", "setAlarmKinds(4294967295)", 1002, false, 0},
        // The station's own events have kinds of their own.
        {"overspeed once chosen", "setZoneAlarmKinds(4)", 1002, true, 1},
        {"a zone exit not chosen", "setZoneAlarmKinds(4)", 1001, false, 0},
        {"a zone entry chosen", "setZoneAlarmKinds(1)", 1000, true, 1},
        {"no station code past Overspeed", "setZoneAlarmKinds(4294967295)", 1003, false, 0},
    };
    for (const Case& c : cases) {
        run("alarmSeen('a1');" + c.setup);
        const int before = js("vehicleAlarms.sounds").toInt();
        run(QString("updateEventInfo(%1, 'one', 't', ' ', 'a1')").arg(c.type));
        EXPECT_EQ(js(flashing.arg("a1")).toBool(), c.flashes) << c.what;
        EXPECT_EQ(js("vehicleAlarms.sounds").toInt() - before, c.sounds) << c.what;
        EXPECT_FALSE(js(flashing.arg("a2")).toBool()) << c.what;
    }

    // It flashes on, whatever else arrives, until the operator opens the vehicle.
    run("setAlarmKinds(8192); updateEventInfo(13, 'one', 't', ' ', 'a1')");
    run("moveTo(3, 3, 1, 1, 1, 1, 90, 'a1'); updateEventInfo(1, 'one', 't', ' ', 'a1')");
    QTest::qWait(1200);
    EXPECT_TRUE(js(flashing.arg("a1")).toBool());
    m_page->click(m_page->centreOf("#a1"), Qt::LeftButton);
    EXPECT_TRUE(m_page->waitFor([&] { return !js(flashing.arg("a1")).toBool(); }));

    // The header toggle mutes, tells the station, and shows it.
    run("setAlarmMuted(0)");
    m_page->click(m_page->centreOf("#muteButton"), Qt::LeftButton);
    ASSERT_TRUE(m_page->waitFor([&] { return js("vehicleAlarms.muted").toBool(); }));
    EXPECT_EQ(m_page->takeCalls(), QStringList{"onChangeAlarmMute|1"});
    EXPECT_EQ(js("document.getElementById('muteButton').textContent").toString(),
              QString("Sound off"));
    m_page->click(m_page->centreOf("#muteButton"), Qt::LeftButton);
    ASSERT_TRUE(m_page->waitFor([&] { return !js("vehicleAlarms.muted").toBool(); }));
    EXPECT_EQ(m_page->takeCalls(), QStringList{"onChangeAlarmMute|0"});
}

// What a marker shows of its glow, read from its sprite in the same script as the flash's
// phase: "on|off" of the flash, then the counts of green, amber, red and other coloured
// pixels, then the CSS filter the compositor would have to apply (none wanted), the list
// entry's background, the sprite's size and the highest opacity on its edge (a glow cut
// off by too small a sprite shows there as more than 5%). The filter is the marker layer's.
QString markerLook(const QString& id)
{
    return QStringLiteral(
               "(function (id) { var c = findMarker(id).sprite();"
               " var d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
               " var n = { green: 0, amber: 0, red: 0, coloured: 0 };"
               " for (var i = 0; i < d.length; i += 4) {"
               "   var r = d[i], g = d[i + 1], b = d[i + 2];"
               "   if (d[i + 3] < 40) { continue; }"
               "   if (g > r + 60 && g > b + 40) { n.green++; }"
               "   else if (r > 170 && g > 110 && b < 90 && r > g + 30) { n.amber++; }"
               "   else if (r > g + 100 && r > b + 100) { n.red++; }"
               "   else if (Math.max(r, g, b) - Math.min(r, g, b) > 40) { n.coloured++; } }"
               " var edge = 0;"
               " for (var y = 0; y < c.height; y++) { for (var x = 0; x < c.width; x++) {"
               "   if (x === 0 || y === 0 || x === c.width - 1 || y === c.height - 1) {"
               "     edge = Math.max(edge, d[(y * c.width + x) * 4 + 3]); } } }"
               " return [vehicleAlarms.flashOn ? 'on' : 'off', n.green, n.amber, n.red,"
               "   n.coloured, getComputedStyle(markerLayer.canvas).filter,"
               "   getComputedStyle(document.getElementById(id)).backgroundColor,"
               "   c.width + 'x' + c.height, edge].join('|'); })"
               "('%1')")
        .arg(id);
}

// A marker drawn without its picture (a picture that does not load): the north arrow in
// blue and white, so every other colour on the sprite is the glow's.
void useArrow(PageHarness& page, const QString& id)
{
    page.eval(QString("findMarker('%1').setImage('images/no-such-picture.png'); 0").arg(id));
    ASSERT_TRUE(page.waitFor([&] {
        return page.eval(QString("findMarker('%1').picture.state").arg(id)).toString() == "failed";
    }));
}

TEST_F(MapPageAttention, MarkerGlowIsDrawnIntoTheMarkerNotLeftToTheCompositor)
{
    run(insertText(1, "g1", "one", secondsAgo(0)));
    useArrow(*m_page, "g1");
    struct Case
    {
        const char* status;
        bool green, amber, coloured;
    };
    // Timed out is grey: the arrow itself loses its blue. The arrow is 24 pixels square,
    // its sprite 8 pixels wider on each side for the glow.
    const Case cases[] = {
        {"live", true, false, true},
        {"quiet", false, true, true},
        {"timedout", false, false, false},
        {"live", true, false, true},
    };
    for (const Case& c : cases) {
        const QStringList look =
            js(QString("applyStatus(global.listBox.find('g1'), '%1');").arg(c.status) +
               markerLook("g1"))
                .toString()
                .split('|');
        ASSERT_EQ(look.size(), 9) << c.status;
        EXPECT_EQ(look[1].toInt() > 0, c.green) << c.status;
        EXPECT_EQ(look[2].toInt() > 0, c.amber) << c.status;
        EXPECT_EQ(look[3].toInt(), 0) << c.status;
        EXPECT_EQ(look[4].toInt() > 0, c.coloured) << c.status;
        EXPECT_EQ(look[5], QString("none")) << c.status;
        EXPECT_EQ(look[7], QString("40x40")) << c.status;
        EXPECT_LT(look[8].toInt(), 13) << c.status;
    }
    // The glow's margin keeps the marker centred on its position.
    const QVariantList centre =
        js("(function () { markerLayer.drawNow(); var d = markerLayer.placement('g1');"
           " var p = global.map.map.latLngToContainerPoint(findMarker('g1').position);"
           " return [d.x - p.x, d.y - p.y]; })()")
            .toList();
    ASSERT_EQ(centre.size(), 2);
    EXPECT_LE(std::abs(centre[0].toDouble()), 0.5);
    EXPECT_LE(std::abs(centre[1].toDouble()), 0.5);
}

TEST_F(MapPageAttention, AlarmFlashesByTimerWithoutEndlessAnimation)
{
    run(insertText(1, "f1", "one", secondsAgo(0)));
    run(insertText(1, "f2", "two", secondsAgo(0)));
    useArrow(*m_page, "f1");
    run("updateEventInfo(13, 'one', 't', ' ', 'f1')");
    // Nothing animates by itself: the web engine makes frames only when the flash turns.
    EXPECT_EQ(js("document.getAnimations().length").toInt(), 0);
    EXPECT_NE(js("vehicleAlarms.flashTimer").toInt(), 0);

    // Both phases come round, each with its marker glow and entry colour; the flash goes
    // on after a report.
    struct Phase
    {
        const char* flash;
        bool red;
        QString background;
    };
    const Phase phases[] = {
        {"off", false, "rgb(255, 255, 255)"},
        {"on", true, "rgb(248, 180, 180)"},
        {"off", false, "rgb(255, 255, 255)"},
    };
    for (const Phase& p : phases) {
        QStringList look;
        ASSERT_TRUE(m_page->waitFor(
            [&] {
                look = js(markerLook("f1")).toString().split('|');
                return look.size() == 9 && look[0] == p.flash;
            },
            5000))
            << p.flash;
        EXPECT_EQ(look[3].toInt() > 0, p.red) << p.flash;
        EXPECT_EQ(look[1].toInt(), 0) << p.flash; // no status colour while it flashes
        EXPECT_EQ(look[5], QString("none")) << p.flash;
        EXPECT_EQ(look[6], p.background) << p.flash;
        EXPECT_EQ(look[7], QString("40x40")) << p.flash;
        EXPECT_LT(look[8].toInt(), 13) << p.flash;
        run("moveTo(3, 3, 1, 1, 1, 1, 90, 'f1')");
    }
    // The vehicle that has no alarm keeps its own look.
    EXPECT_EQ(js("getComputedStyle(document.getElementById('f2')).backgroundColor").toString(),
              QString("rgb(255, 255, 255)"));

    // Seen: the timer stops and the marker shows its status again.
    const QStringList seen = js("alarmSeen('f1');" + markerLook("f1")).toString().split('|');
    ASSERT_EQ(seen.size(), 9);
    EXPECT_GT(seen[1].toInt(), 0);
    EXPECT_EQ(seen[3].toInt(), 0);
    EXPECT_EQ(js("vehicleAlarms.flashTimer").toInt(), 0);

    // A flashing vehicle that is deleted stops the timer too.
    run("updateEventInfo(13, 'two', 't', ' ', 'f2')");
    EXPECT_NE(js("vehicleAlarms.flashTimer").toInt(), 0);
    run("deleteVehicle('f2')");
    EXPECT_EQ(js("vehicleAlarms.flashTimer").toInt(), 0);
    EXPECT_EQ(js("Object.keys(vehicleAlarms.flashing).length").toInt(), 0);
}

// The sea and land colours of the world layer, as drawn.
bool near(QRgb pixel, QRgb expected)
{
    return std::abs(qRed(pixel) - qRed(expected)) < 12 &&
           std::abs(qGreen(pixel) - qGreen(expected)) < 12 &&
           std::abs(qBlue(pixel) - qBlue(expected)) < 12;
}

TEST_F(MapPageAttention, WorldLayerShowsLandWhereTilesFail)
{
    // Tiles from an address nobody answers: as without a network.
    run("setMapSources('http://127.0.0.1:9/{z}/{x}/{y}.png', 'http://127.0.0.1:9/{z}/{y}/{x}', "
        "'')");
    run("global.map.map.setView([10, 10], 3, { animate: false })");
    EXPECT_TRUE(js("document.querySelector('.leaflet-control-attribution').textContent"
                   ".indexOf('Natural Earth') >= 0")
                    .toBool());
    struct Place
    {
        const char* what;
        double lat, lng;
        bool land;
    };
    const Place places[] = {
        {"Chad", 15, 19, true},
        {"Brazil", -10, -50, true},
        {"Saudi Arabia", 24, 45, true},
        {"Gulf of Guinea", 0, 3, false},
        {"Atlantic", 10, -30, false},
        {"Mediterranean", 34, 18, false},
        // Fiji's latitude: its islands must not become a band round the world.
        {"South Atlantic", -17.5, -20, false},
        {"Indian Ocean", -17, 70, false},
    };
    const QRgb land = qRgb(0xF2, 0xEF, 0xE9);
    const QRgb sea = qRgb(0xAA, 0xD3, 0xDF);
    for (const char* type : {"map", "offline"}) {
        run(QString("var s = document.getElementById('mapSelect'); s.value = '%1';"
                    " s.dispatchEvent(new Event('change'))")
                .arg(type));
        EXPECT_EQ(js("global.map.tileLayer === null").toBool(), QString(type) == "offline");
        // Where each place is drawn, in view pixels.
        std::vector<QPoint> points;
        for (const Place& p : places) {
            const QVariantList at =
                js(QString("(function () { var p = global.map.map.latLngToContainerPoint([%1, %2]);"
                           " var r = document.getElementById('map').getBoundingClientRect();"
                           " return [r.left + p.x, r.top + p.y]; })()")
                       .arg(p.lat)
                       .arg(p.lng))
                    .toList();
            ASSERT_EQ(at.size(), 2);
            points.emplace_back(qRound(at[0].toDouble()), qRound(at[1].toDouble()));
        }
        // The view shows the new state a frame or two later.
        QImage shot;
        auto allRight = [&] {
            shot = m_page->view().grab().toImage();
            for (size_t i = 0; i < std::size(places); ++i) {
                if (!shot.rect().contains(points[i]) ||
                    !near(shot.pixel(points[i]), places[i].land ? land : sea))
                    return false;
            }
            return true;
        };
        m_page->waitFor(allRight, 10000);
        for (size_t i = 0; i < std::size(places); ++i) {
            ASSERT_TRUE(shot.rect().contains(points[i])) << places[i].what;
            const QRgb pixel = shot.pixel(points[i]);
            EXPECT_TRUE(near(pixel, places[i].land ? land : sea))
                << type << " " << places[i].what << ": " << QColor(pixel).name().toStdString();
        }
        if (QString(type) == "offline")
            shot.save("/tmp/corvane-offline.png");
    }
}

// The alarm desk as the station feeds it: a burst of one vehicle's alarms is one group with
// its count, an acknowledgement leaves through the native road with the typed note, and the
// alarm leaves only when the station's next list says so.
TEST_F(MapPageAttention, AlarmDeskGroupsAcknowledgesAndRepeatsTheTone)
{
    run(insertText(1, "d1", "one", secondsAgo(0)));
    run(insertText(1, "d2", "two", secondsAgo(0)));
    QString burst;
    for (int id = 100; id >= 3; --id)
        burst += QStringLiteral("[%1,'d1',13,'Cab','%2'],").arg(id).arg(secondsAgo(100 - id));
    const QString open = QStringLiteral("setOpenAlarms({alarms: [%1[2,'d2',13,'Boot','%2']], "
                                        "total: 99, vehicles: [['d1',98,100],['d2',1,2]]})")
                             .arg(burst, secondsAgo(0));
    run(open);
    const QString look = "[...document.querySelectorAll('.alarmGroup')].map(function (g) {"
                         " return g.dataset.vehicle + ':' + g.querySelector('.alarmGroupCount')"
                         ".textContent + ':' + g.querySelectorAll('.alarmRow').length; })"
                         ".join(' ') + '|' + document.getElementById('alarmDeskCount').textContent";
    EXPECT_EQ(js(look).toString(), QString("d1:98:5 d2:1:1|99"));
    EXPECT_EQ(js("document.querySelector('.alarmGroup .alarmRow .alarmKind').textContent")
                  .toString(),
              QString("Emergency"));
    const QString flashing = "document.getElementById('%1').classList.contains('alarm')";
    EXPECT_TRUE(js(flashing.arg("d1")).toBool()) << "open at the page's start";
    EXPECT_TRUE(js(flashing.arg("d2")).toBool());

    run("document.getElementById('alarmNote').value = 'Called, \\'all fine\\''");
    m_page->click(m_page->centreOf(".alarmGroup[data-vehicle=\"d1\"] .ackAll"), Qt::LeftButton);
    QStringList calls;
    ASSERT_TRUE(m_page->waitFor([&] {
        calls += m_page->takeCalls();
        return !calls.isEmpty();
    }));
    EXPECT_EQ(calls, QStringList{"onAcknowledgeAlarms|100|d1|Called, 'all fine'"});
    // The note went with the call and the field is empty for the next one.
    EXPECT_EQ(js("document.getElementById('alarmNote').value").toString(), QString());
    EXPECT_TRUE(js(flashing.arg("d1")).toBool()) << "nothing changes before the station says so";

    run("setOpenAlarms({alarms: [[2,'d2',13,'Boot','" + secondsAgo(0) +
        "']], total: 1, vehicles: [['d2',1,2]]})");
    EXPECT_EQ(js(look).toString(), QString("d2:1:1|1"));
    EXPECT_FALSE(js(flashing.arg("d1")).toBool());
    EXPECT_TRUE(js(flashing.arg("d2")).toBool());

    run("alarmAckRefused('The acknowledgement could not be stored now.')");
    EXPECT_EQ(js("document.getElementById('alarmDeskMessage').textContent").toString(),
              QString("The acknowledgement could not be stored now."));

    // The tone again while an alarm is open, not while muted, not once none is open.
    run("alarmDesk.repeatMs = 300; setAlarmMuted(0)");
    const int before = js("vehicleAlarms.sounds").toInt();
    EXPECT_TRUE(m_page->waitFor([&] { return js("vehicleAlarms.sounds").toInt() > before; }));
    // Three periods of 300 ms each time: long enough for a tone that should not come.
    const int muted = js("setAlarmMuted(1); vehicleAlarms.sounds").toInt();
    QTest::qWait(1000);
    EXPECT_EQ(js("vehicleAlarms.sounds").toInt(), muted);
    const int closed =
        js("setAlarmMuted(0); setOpenAlarms({alarms: [], total: 0, vehicles: []}); "
           "vehicleAlarms.sounds")
            .toInt();
    QTest::qWait(1000);
    EXPECT_EQ(js("vehicleAlarms.sounds").toInt(), closed);
    EXPECT_FALSE(js(flashing.arg("d2")).toBool());
}

} // namespace
} // namespace corvane
