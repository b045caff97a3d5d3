#include "page/PageTest.h"

#include <QTest>
#include <gtest/gtest.h>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace corvane {
namespace {

// A fleet of `count` vehicles v0, v1, ... named "car 0", "car 1", ..., in three towns far
// apart (Lisbon, Munich, Helsinki), each vehicle a little off the last.
QString fleetText(int count)
{
    return QStringLiteral("setListLimit(%1);"
                          " var towns = [[38.72, -9.14], [48.14, 11.58], [60.17, 24.94]];"
                          " for (var i = 0; i < %1; i++) { var t = towns[i % 3];"
                          "   insertVehicle(1, String(t[0] + (i % 40) * 0.001),"
                          "     String(t[1] + Math.floor(i / 40) * 0.001), 'v' + i, 'car ' + i,"
                          "     '2011-05-31 13:45:30'); }")
        .arg(count);
}

const QString rowsInDocument = QStringLiteral("document.querySelectorAll('#vehicleList .listEntry').length");
const QString searchCount = QStringLiteral("document.getElementById('searchCount').textContent");

class MapPageFleet : public PageTest
{
protected:
    // The clusters the marker layer draws now: their number, the vehicles they count, and
    // the vehicles drawn alone.
    QVariantList crowd()
    {
        return js("(function () { markerLayer.drawNow(); var c = markerLayer.clusters;"
                  " return [c.length, c.reduce(function (s, x) { return s + x.count; }, 0),"
                  "   Object.keys(markerLayer.placements).length]; })()")
            .toList();
    }
};

TEST_F(MapPageFleet, ThousandsAreListedSearchedAndScrolledWithFewRowsInTheDocument)
{
    run(fleetText(3000));
    EXPECT_EQ(js("listLimit").toInt(), 3000);
    EXPECT_EQ(js("document.getElementById('unlistedCount').textContent").toString(), QString());
    EXPECT_TRUE(js("!!findVehicle('v2999') && !!findMarker('v2999')").toBool());
    EXPECT_EQ(js(rowsInDocument).toInt(), 101);
    // The list is as tall as all of them: its scroll bar tells where one is.
    EXPECT_EQ(js("document.getElementById('vehicleList').scrollHeight").toInt(), 3000 * 23);
    ASSERT_TRUE(m_page->waitFor([&] { return js(searchCount).toString() == "3000 of 3000"; }));

    struct Case
    {
        const char* needle;
        int found;
        const char* firstId; // the first row in the document
    };
    const Case cases[] = {
        {"car 2999", 1, "v2999"},
        {"CAR 1234", 1, "v1234"},
        {"car 29", 1 + 10 + 100, "v29"},
        {"no such car", 0, ""},
        {"", 3000, "v0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.needle);
        run(QString("setSearchText('%1')").arg(c.needle));
        EXPECT_EQ(js(searchCount).toString(), QString("%1 of 3000").arg(c.found));
        EXPECT_EQ(js(rowsInDocument).toInt(), std::min(c.found, 101));
        EXPECT_EQ(js("(document.querySelector('#vehicleList .listEntry') || {}).id || ''").toString(),
                  QString(c.firstId));
    }

    // Sorted by name and scrolled to the end: the last name is there, and still only the
    // rows round the view are in the document. A press on it selects that vehicle.
    run("sortVehicleList(); var list = document.getElementById('vehicleList');"
        " list.scrollTop = list.scrollHeight; list.dispatchEvent(new Event('scroll'))");
    EXPECT_EQ(js(rowsInDocument).toInt(), 101);
    EXPECT_EQ(js("Array.prototype.slice.call(document.querySelectorAll('#vehicleList .listEntry')).pop().id").toString(),
              QString("v999"));
    m_page->click(m_page->centreOf("#v999"), Qt::LeftButton);
    EXPECT_TRUE(m_page->waitFor([&] { return js("global.currentVehicle").toString() == "v999"; }));

    // Status colours hold for every vehicle, in the document or not: all were stored long
    // ago; one far from the view reports and is live.
    EXPECT_TRUE(js("global.listBox.all().every(function (e) {"
                   " return e.classList.contains('status-quiet'); })")
                    .toBool());
    EXPECT_FALSE(js("document.getElementById('v5') !== null").toBool());
    run("moveTo(38.5, -9.0, 10, 13, 45, 30, 90, 'v5')");
    EXPECT_TRUE(js("global.listBox.find('v5').classList.contains('status-live')"
                   " && findMarker('v5').status === 'live'")
                    .toBool());

    // A vehicle chosen away from the list (its marker, the alarm desk, an event), hundreds
    // of rows from the view and out of the document, is scrolled into the middle of it.
    const QString inView =
        QStringLiteral("(function (id) { var e = document.getElementById(id); if (!e) return false;"
                       " var r = e.getBoundingClientRect();"
                       " var l = document.getElementById('vehicleList').getBoundingClientRect();"
                       " return r.top >= l.top && r.bottom <= l.bottom; })");
    ASSERT_FALSE(js(inView + "('v7')").toBool());
    run("var p = findVehicle('v7').getPosition();"
        " global.map.map.setView([p.lat, p.lng], 18, { animate: false })");
    m_page->click(m_page->markerCentre("v7"), Qt::LeftButton);
    ASSERT_TRUE(m_page->waitFor([&] { return js("global.currentVehicle").toString() == "v7"; }));
    EXPECT_TRUE(js(inView + "('v7')").toBool());
    EXPECT_TRUE(js("document.getElementById('v7').classList.contains('selected')").toBool());
    EXPECT_EQ(js(rowsInDocument).toInt(), 101);
    // One already in view stays where it is.
    const int scrolled = js("document.getElementById('vehicleList').scrollTop").toInt();
    run("selectVehicle(global.listBox.shown[global.listBox.find('v7').shownAt + 1].id)");
    EXPECT_EQ(js("document.getElementById('vehicleList').scrollTop").toInt(), scrolled);
}

TEST_F(MapPageFleet, ClustersCountTheFleetAtLowZoomAndAnAlarmShowsThrough)
{
    run(fleetText(3000));
    run("global.map.map.setView([50, 8], 3, { animate: false })");
    // Three towns, three clusters: every vehicle counted once.
    QVariantList seen = crowd();
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[0].toInt(), 3);
    EXPECT_EQ(seen[1].toInt(), 3000);
    EXPECT_EQ(seen[2].toInt(), 0);

    // The selected vehicle stands alone, drawn on its own.
    run("selectVehicle('v4')");
    seen = crowd();
    EXPECT_EQ(seen[1].toInt(), 2999);
    EXPECT_FALSE(js("markerLayer.placement('v4') === null").toBool());

    // An alarm of a vehicle inside a cluster: its cluster flashes red, and stops when the
    // vehicle is opened.
    const QString redAtAlarmingCluster =
        "(function () { var c = markerLayer.clusters.filter(function (x) { return x.alarm; })[0];"
        " if (!c) { return 'none'; } var r = window.devicePixelRatio || 1;"
        " var d = markerLayer.canvas.getContext('2d').getImageData(Math.round((c.x - c.reach + 3) * r),"
        "   Math.round(c.y * r), 1, 1).data;"
        " return (d[0] > 180 && d[1] < 90 && d[2] < 90 ? 'red' : 'not red') + (c.lit ? ' lit' : ''); })()";
    run("updateEventInfo(13, 'car 1000', '2011-05-31 13:45:40', ' ', 'v1000')");
    ASSERT_TRUE(m_page->waitFor([&] { return js(redAtAlarmingCluster).toString() == "red lit"; }));
    EXPECT_EQ(js("markerLayer.clusters.filter(function (x) { return x.alarm; }).length").toInt(), 1);
    ASSERT_TRUE(m_page->waitFor([&] { return js(redAtAlarmingCluster).toString() == "not red"; }));
    run("selectVehicle('v1000')");
    ASSERT_TRUE(m_page->waitFor([&] {
        return js("markerLayer.drawNow(), markerLayer.clusters.every(function (x) { return !x.alarm; })")
            .toBool();
    }));

    // A click on a cluster zooms in until it falls apart.
    const QVariantList at =
        js("(function () { var c = markerLayer.clusters[0];"
           " var r = global.map.map.getContainer().getBoundingClientRect();"
           " return [r.left + c.x, r.top + c.y, c.count]; })()")
            .toList();
    ASSERT_EQ(at.size(), 3);
    m_page->click(QPoint(qRound(at[0].toDouble()), qRound(at[1].toDouble())), Qt::LeftButton);
    ASSERT_TRUE(m_page->waitFor([&] { return js("global.map.map.getZoom()").toInt() > 3; }));
    seen = crowd();
    EXPECT_TRUE(seen[0].toInt() > 1 || seen[2].toInt() > 1) << "still one cluster";

    // Close enough, every vehicle is a marker of its own.
    run("global.map.map.setView([38.74, -9.1], 16, { animate: false })");
    seen = crowd();
    EXPECT_EQ(seen[0].toInt(), 0);
    EXPECT_GT(seen[2].toInt(), 1);
}

TEST_F(MapPageFleet, AtTheDefaultLimitNothingIsClustered)
{
    run("for (var i = 0; i < 103; i++) insertVehicle(1, '48.1', String(11.5 + i * 0.0001),"
        " 'd' + i, 'car ' + i, '2011-05-31 13:45:30')");
    run("global.map.map.setView([48.1, 11.5], 2, { animate: false })");
    const QVariantList seen = crowd();
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[0].toInt(), 0);
    EXPECT_EQ(seen[2].toInt(), 101);
    EXPECT_EQ(js("document.getElementById('unlistedCount').textContent").toString(),
              QString("+2 not listed"));
    // A limit out of range is no limit: the default stays.
    for (const char* limit : {"100", "'abc'", "NaN", "-5"})
        run(QString("setListLimit(%1)").arg(limit));
    EXPECT_EQ(js("listLimit").toInt(), 101);
    run("setListLimit(1e9)");
    EXPECT_EQ(js("listLimit").toInt(), 10000);
}

TEST_F(MapPageFleet, PressesReachTheMarkerUnderThemButNotThroughTheMapControls)
{
    // One vehicle right under the zoom button, one in the open.
    run("global.map.map.setView([20, 20], 4, { animate: false });"
        " var r = document.querySelector('.leaflet-control-zoom-in').getBoundingClientRect();"
        " var m = global.map.map.getContainer().getBoundingClientRect();"
        " var under = global.map.map.containerPointToLatLng([r.left + r.width / 2 - m.left,"
        "   r.top + r.height / 2 - m.top]);"
        " insertVehicle(1, String(under.lat), String(under.lng), 'under', 'under', '2011-05-31 13:45:30');"
        " insertVehicle(1, '20', '20', 'open', 'open', '2011-05-31 13:45:30')");
    ASSERT_NE(m_page->markerCentre("under"), QPoint(-1, -1));
    m_page->click(m_page->centreOf(".leaflet-control-zoom-in"), Qt::LeftButton);
    ASSERT_TRUE(m_page->waitFor([&] { return js("global.map.map.getZoom()").toInt() == 5; }));
    EXPECT_EQ(js("global.currentVehicle").toInt(), 0);
    m_page->click(m_page->markerCentre("open"), Qt::LeftButton);
    EXPECT_TRUE(m_page->waitFor([&] { return js("global.currentVehicle").toString() == "open"; }));
}

} // namespace
} // namespace corvane
