#include "page/PageTest.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace corvane {
namespace {

// Script helpers: the native side calls the page with these very texts.
QString insertText(int isLoaded, const QString& lat, const QString& lng, const QString& id,
                   const QString& name)
{
    return QStringLiteral("insertVehicle(%1, '%2', '%3', '%4', '%5', '2011-05-31 13:45:30')")
        .arg(isLoaded)
        .arg(lat, lng, id, name);
}
QString moveText(double lat, double lng, double speed, double course, const QString& id)
{
    return QStringLiteral("moveTo(%1, %2, %3, 13, 45, 30, %4, '%5');")
        .arg(lat, 0, 'f', 6)
        .arg(lng, 0, 'f', 6)
        .arg(speed, 0, 'f', 6)
        .arg(course, 0, 'f', 6)
        .arg(id);
}
QString listNames()
{
    return QStringLiteral(
        "Array.prototype.map.call(document.querySelectorAll('#vehicleList .vehicleName'),"
        " function (e) { return e.textContent; })");
}
QString eventTexts()
{
    return QStringLiteral(
        "global.eventPopup.entries().map(function (e) { return e.lastChild.textContent; })");
}

class MapPageView : public PageTest
{
};

TEST_F(MapPageView, DuplicateNamesAreNumberedAndReported)
{
    run(insertText(0, "", "", "v1", "Truck"));
    run(insertText(0, "1.5", "2.5", "v2", "Truck"));
    run(insertText(1, "", "", "v3", "Truck"));
    EXPECT_EQ(js(listNames()).toStringList(), (QStringList{"Truck", "Truck(1)", "Truck(2)"}));
    EXPECT_EQ(m_page->takeCalls(),
              (QStringList{"onChangeName|v2|Truck(1)", "onChangeName|v3|Truck(2)"}));
    // Only vehicles that are new to the station announce themselves; loaded ones do not.
    EXPECT_EQ(js(eventTexts()).toStringList(),
              (QStringList{"Truck(1) is added", "Truck is added"}));

    // A deleted vehicle reports its name, leaves the list and frees its name.
    run("deleteVehicle('v2')");
    EXPECT_EQ(m_page->takeCalls(), QStringList{"onChangeName|v2|Truck(1)"});
    EXPECT_EQ(js(listNames()).toStringList(), (QStringList{"Truck", "Truck(2)"}));
    EXPECT_EQ(js("imageContainer.length").toInt(), 2);
    run(insertText(1, "", "", "v4", "Truck"));
    EXPECT_EQ(js(listNames()).toStringList(), (QStringList{"Truck", "Truck(2)", "Truck(1)"}));
    EXPECT_EQ(m_page->takeCalls(), QStringList{"onChangeName|v4|Truck(1)"});

    // Names in later updates keep clear of the others, too, without a report.
    run("updateVehicle('3.000000', '4.000000', 'v1', 'Truck(2)', '2011-05-31 13:46:00')");
    EXPECT_EQ(js(listNames()).toStringList(), (QStringList{"Truck(2)(1)", "Truck(2)", "Truck(1)"}));
    EXPECT_TRUE(m_page->takeCalls().isEmpty());

    // An operator name that is emptied is reported empty (the station then restores the
    // recorder's name); an operator name is shown without restarting the time-out.
    run("updateUserDefinedInfo('v3', '', 'i1', 'i2', 'pics/a.png')");
    EXPECT_EQ(m_page->takeCalls(), QStringList{"onChangeName|v3|"});
    run("updateVehicleName('v3', 'Truck')");
    EXPECT_EQ(js(listNames()).toStringList(), (QStringList{"Truck(2)(1)", "Truck", "Truck(1)"}));
}

TEST_F(MapPageView, ListsAtMost101VehiclesAndStillShowsTheOthersAlarms)
{
    QString script;
    for (int i = 0; i < 103; ++i) {
        script += insertText(i < 101 ? 1 : 0, "10.0", QString::number(i * 0.01, 'f', 6),
                             QString("id%1").arg(i), QString("car %1").arg(i)) +
                  ";";
    }
    run(script);
    const QString entries = "document.querySelectorAll('#vehicleList .listEntry').length";
    const QString header = "document.getElementById('unlistedCount').textContent";
    EXPECT_EQ(js(entries).toInt(), 101);
    EXPECT_EQ(js("vehicleInfoContainer.length").toInt(), 101);
    // No marker that would never move.
    EXPECT_EQ(js("imageContainer.length").toInt(), 101);
    EXPECT_TRUE(js("findMarker('id101') === null").toBool());
    EXPECT_EQ(js(header).toString(), "+2 not listed");
    EXPECT_EQ(js(eventTexts()).toStringList(),
              (QStringList{"car 102 is added (not listed)", "car 101 is added (not listed)"}));

    // Reports of an unlisted vehicle change nothing on the map; its alarms pop up.
    run(moveText(20, 20, 5, 90, "id101") + moveText(20, 20, 5, 90, "id100"));
    EXPECT_EQ(js("findMarker('id100').position.lat").toDouble(), 20.0);
    EXPECT_EQ(js("findVehicle('id100').getTrack().length").toInt(), 2);
    run("updateEventInfo(13, 'car 101', '2011-05-31 13:45:30', ' ', 'id101')");
    EXPECT_EQ(js(eventTexts()).toStringList().value(0), "car 101 Emergency");
    // An event of a vehicle the page never heard of still changes nothing.
    run("updateEventInfo(13, 'ghost', '2011-05-31 13:45:30', ' ', 'nobody')");
    EXPECT_EQ(js(eventTexts()).toStringList().value(0), "car 101 Emergency");

    // A deleted vehicle no longer counts: the next report of an unlisted one takes
    // the free place, with its marker.
    run("deleteVehicle('id5')");
    run("updateVehicle('30.000000', '40.000000', 'id101', 'car 101', '2011-05-31 13:46:00')");
    EXPECT_EQ(js(entries).toInt(), 101);
    EXPECT_TRUE(js("document.getElementById('id101') !== null").toBool());
    EXPECT_EQ(js("findMarker('id101').position.lat").toDouble(), 30.0);
    EXPECT_EQ(js(header).toString(), "+1 not listed");
    run("deleteVehicle('id102')");
    EXPECT_EQ(js(header).toString(), "");
    EXPECT_FALSE(js("document.getElementById('unlistedCount').offsetParent !== null").toBool());
    run(insertText(1, "", "", "late", "late"));
    EXPECT_EQ(js(header).toString(), "+1 not listed");
    EXPECT_FALSE(js("document.getElementById('late') !== null").toBool());
}

TEST_F(MapPageView, SortsCaseInsensitivelyLowerCaseFirst)
{
    const QStringList names{"b", "A", "a", "B", "truck10", "Truck1"};
    for (int i = 0; i < names.size(); ++i) {
        run(insertText(1, "", "", QString("s%1").arg(i), names[i]));
    }
    run("sortVehicleList()");
    EXPECT_EQ(js(listNames()).toStringList(),
              (QStringList{"a", "A", "b", "B", "Truck1", "truck10"}));

    // A click on the list title sorts again; any other button does nothing.
    run(insertText(1, "", "", "s9", "0"));
    run("sortVehicleList({ button: 2 })");
    EXPECT_EQ(js(listNames()).toStringList().last(), QString("0"));
    m_page->click(m_page->centreOf("#listTitle"), Qt::LeftButton);
    EXPECT_TRUE(m_page->waitFor([&] { return js(listNames()).toStringList().first() == "0"; }));
}

TEST_F(MapPageView, TimeOutMarksSilentVehiclesUntilTheirNextReport)
{
    const QString timedOut =
        "getComputedStyle(document.getElementById('%1').lastChild).display === 'block'";
    // New to the station: their silence starts now (a stored vehicle's would start at its
    // stored report time).
    run(insertText(0, "1", "1", "t1", "one"));
    run(insertText(0, "1", "1", "t2", "two"));
    // 0.0005 minutes is 30 ms.
    run("resetTimeout(0.0005)");
    ASSERT_TRUE(m_page->waitFor(
        [&] { return js(timedOut.arg("t1")).toBool() && js(timedOut.arg("t2")).toBool(); }));

    struct Case
    {
        const char* what;
        QString call;
        bool clears;
    };
    const Case cases[] = {
        {"GPS report", moveText(2, 2, 0, -1, "t1"), true},
        {"event", "updateEventInfo(1, 'one', 't', ' ', 't1')", true},
        {"unknown event", "updateEventInfo(14, 'one', 't', ' ', 't1')", true},
        {"details", "updateOptionalInfo('t1', 'one', 'c', 'm', 'mo', 'r', 'd', 'l')", true},
        {"operator edit", "updateUserDefinedInfo('t1', 'one', 'x', 'y', '')", false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(m_page->waitFor([&] { return js(timedOut.arg("t1")).toBool(); })) << c.what;
        // The call and the look in one script, so no timer can bring the icon back between.
        EXPECT_EQ(js(c.call + ";" + timedOut.arg("t1")).toBool(), !c.clears) << c.what;
    }

    // The same period again restarts nothing.
    const QVariant timer = js("document.getElementById('t1').timerID");
    run("resetTimeout(0.0005)");
    EXPECT_EQ(js("document.getElementById('t1').timerID"), timer);
    // A new period counts the silence already passed: longer than it, the mark goes;
    // shorter again, it is back at once.
    EXPECT_FALSE(js("resetTimeout(10);" + timedOut.arg("t2")).toBool());
    EXPECT_TRUE(js("resetTimeout(0.0005);" + timedOut.arg("t2")).toBool());
}

TEST_F(MapPageView, TheStationsOwnEventsShowWithTheirNames)
{
    run(insertText(1, "1", "1", "z1", "Truck"));
    const QString calls[][2] = {
        {"updateEventInfo(1000, 'Truck', 't', 'Depot', 'z1')", "Truck Zone enter (Depot)"},
        {"updateEventInfo(1001, 'Truck', 't', 'Depot', 'z1')", "Truck Zone exit (Depot)"},
        {"updateEventInfo(1002, 'Truck', 't', 'Depot 72 km/h > 50 km/h', 'z1')",
         "Truck Overspeed (Depot 72 km/h > 50 km/h)"},
    };
    for (const auto& call : calls) {
        run(call[0]);
        EXPECT_EQ(js("global.eventPopup.entries()[0].lastChild.textContent").toString(), call[1]);
        EXPECT_TRUE(
            js("global.eventPopup.entries()[0].firstChild.style.display !== 'none'").toBool())
            << call[1].toStdString();
    }
    EXPECT_EQ(js("document.getElementById('z1').eventIcon.hoverText").toString(),
              QString("Overspeed"));
}

TEST_F(MapPageView, ZonesAreDrawnUnderTheVehiclesWithTheirNamesAsText)
{
    run(QStringLiteral(
        R"(setZones([{"geometry":"{\"type\":\"Polygon\",\"coordinates\":[[[11.5,48.1],)"
        R"([11.6,48.1],[11.6,48.2],[11.5,48.1]]]}","id":4,"name":"<b>Depot</b>"},)"
        R"({"geometry":"{\"type\":\"Feature\",\"properties\":{\"radius\":500},)"
        R"(\"geometry\":{\"type\":\"Point\",\"coordinates\":[11.55,48.15]}}","id":5,)"
        R"("name":"Yard"},{"geometry":"not a shape","id":6,"name":"Broken"}]);)"));
    const QString shapes =
        QStringLiteral("document.querySelectorAll('.leaflet-zone-pane path').length");
    EXPECT_EQ(js(shapes).toInt(), 2);
    EXPECT_EQ(js("Array.prototype.map.call(document.querySelectorAll('.zoneName'),"
                 " function (e) { return e.textContent; }).join('|')")
                  .toString(),
              QStringLiteral("<b>Depot</b>|Yard"));
    EXPECT_EQ(js("document.querySelectorAll('.zoneName b').length").toInt(), 0);
    EXPECT_LT(
        js("Number(document.querySelector('.leaflet-zone-pane').style.zIndex)").toInt(),
        js("Number(document.querySelector('.leaflet-vehicleMarker-pane').style.zIndex)").toInt());
    // The whole list each time: a zone no longer watched goes.
    run(QStringLiteral("setZones([]);"));
    EXPECT_EQ(js(shapes).toInt(), 0);
}

// The page proposes, the station stores: each edit leaves as one native call with
// the exact GeoJSON, and a new zone is named in the page's own bar, never a box.
TEST_F(MapPageView, ZonesDrawnChangedAndRemovedAreProposedToTheStation)
{
    run("var map = global.map.map;"
        "var drawn = L.polygon([[48.1, 11.5], [48.1, 11.6], [48.2, 11.6]]).addTo(map);"
        "map.fire('pm:create', { layer: drawn, shape: 'Polygon' });");
    EXPECT_EQ(js("document.getElementById('zoneNaming').style.display").toString(), "block");
    EXPECT_FALSE(js("map.hasLayer(drawn)").toBool()) << "the station draws what it stored";
    // No name, no call.
    run("document.getElementById('zoneSave').click()");
    EXPECT_EQ(js("document.getElementById('zoneMessage').textContent").toString(),
              "Give the zone a name");
    EXPECT_TRUE(m_page->takeCalls().isEmpty());
    run("document.getElementById('zoneNameInput').value = '  Depot <1> ';"
        "document.getElementById('zoneSave').click()");
    EXPECT_EQ(m_page->takeCalls(),
              QStringList{"onZoneSaved||Depot <1>|{\"type\":\"Polygon\",\"coordinates\":"
                          "[[[11.5,48.1],[11.6,48.1],[11.6,48.2],[11.5,48.1]]]}"});
    EXPECT_EQ(js("document.getElementById('zoneNaming').style.display").toString(), "none");

    // A circle, then the station's zones changed and removed with the tools.
    run("var circle = L.circle([48.15, 11.55], { radius: 250 }).addTo(map);"
        "map.fire('pm:create', { layer: circle, shape: 'Circle' });"
        "document.getElementById('zoneNameInput').value = 'Yard';"
        "document.getElementById('zoneSave').click()");
    EXPECT_EQ(m_page->takeCalls(),
              QStringList{"onZoneSaved||Yard|{\"type\":\"Feature\",\"properties\":"
                          "{\"radius\":250},\"geometry\":{\"type\":\"Point\","
                          "\"coordinates\":[11.55,48.15]}}"});
    run(QStringLiteral(
        R"(setZones([{"geometry":"{\"type\":\"Feature\",\"properties\":{\"radius\":500},)"
        R"(\"geometry\":{\"type\":\"Point\",\"coordinates\":[11.55,48.15]}}","id":7,)"
        R"("name":"Yard"}]);)"));
    run("var zone = null; map.eachLayer(function (l) { if (l.zoneId === 7) { zone = l; } });"
        "zone.setRadius(600); zone.fire('pm:edit', { layer: zone });"
        "map.fire('pm:remove', { layer: zone });"
        "map.fire('pm:remove', { layer: drawn });");
    EXPECT_EQ(m_page->takeCalls(),
              (QStringList{"onZoneSaved|7||{\"type\":\"Feature\",\"properties\":"
                           "{\"radius\":600},\"geometry\":{\"type\":\"Point\","
                           "\"coordinates\":[11.55,48.15]}}",
                           "onZoneDeleted|7"}));

    // What the station refused is said in the bar.
    run("zoneRefused('the shape is <b>bad</b>')");
    EXPECT_EQ(js("document.getElementById('zoneMessage').textContent").toString(),
              "Not stored: the shape is <b>bad</b>");
    EXPECT_EQ(js("document.querySelectorAll('#zoneNaming b').length").toInt(), 0);
}

TEST_F(MapPageView, EventPopupKeepsTheNewest17WithTheirTexts)
{
    run(insertText(1, "1", "1", "e1", "Truck"));
    struct Case
    {
        QString call;
        QString text;
        bool picture;
    };
    const Case cases[] = {
        {"updateEventInfo(1, 'Truck', 't', ' ', 'e1')", "Truck Motion", true},
        {"updateEventInfo(1, 'Truck', 't', 'Cam1', 'e1')", "Truck Motion (Cam1)", true},
        {"updateEventInfo(1, 'Truck', 't', '', 'e1')", "Truck Motion ()", true},
        {"updateEventInfo(6, 'Truck', 't', ' ', 'e1')", "Truck Record Bad", true},
        {"updateEventInfo(14, 'Truck', 't', 'Cam2', 'e1')", "Truck  (Cam2)", false},
    };
    for (const Case& c : cases) {
        run(c.call);
        EXPECT_EQ(js("global.eventPopup.entries()[0].lastChild.textContent").toString(), c.text);
        EXPECT_EQ(js("global.eventPopup.entries()[0].firstChild.style.display !== 'none'").toBool(),
                  c.picture)
            << c.text.toStdString();
    }
    // The unknown kind left the list entry's last event picture and its hover text alone.
    EXPECT_TRUE(
        js("document.getElementById('e1').eventIcon.src.endsWith('images/icon_record%20bad.png')")
            .toBool());
    EXPECT_EQ(js("document.getElementById('e1').eventIcon.hoverText").toString(),
              QString("Record Bad"));
    EXPECT_TRUE(js("global.eventPopup.entries()[0].classList.contains('noPicture')").toBool());
    // Events of vehicles the page does not hold change nothing.
    run("updateEventInfo(1, 'Ghost', 't', ' ', 'nobody')");
    EXPECT_EQ(js("global.eventPopup.entries().length").toInt(), 5);

    for (int i = 0; i < 20; ++i) {
        run(QString("updateEventInfo(0, 'Truck', 't', 'n%1', 'e1')").arg(i));
        const int entries = std::min(6 + i, 17);
        ASSERT_EQ(js("global.eventPopup.entries().length").toInt(), entries);
        // Grows by one row per entry from the ninth entry on.
        EXPECT_EQ(js("global.eventPopup.element.style.height || '150px'").toString(),
                  QString("%1px").arg(150 + 16 * std::max(0, entries - 8)));
    }
    const QStringList texts = js(eventTexts()).toStringList();
    EXPECT_EQ(texts.first(), QString("Truck Sensor (n19)"));
    EXPECT_EQ(texts.last(), QString("Truck Sensor (n3)"));

    // The close button empties the pop-up, which stays visible at its first height.
    m_page->click(m_page->centreOf("#EventPopup .closeButton"), Qt::LeftButton);
    EXPECT_TRUE(
        m_page->waitFor([&] { return js("global.eventPopup.entries().length").toInt() == 0; }));
    EXPECT_EQ(js("global.eventPopup.element.style.height").toString(), QString("150px"));
    EXPECT_EQ(js("global.eventPopup.element.style.display").toString(), QString("block"));
}

TEST_F(MapPageView, MarkerPressShowsTheVehiclePopupWithItsTexts)
{
    run(insertText(1, "", "", "p1", "Truck"));
    run("insertOptionalInfo(1, 'p1', 'Truck', 'ACME', '', 'Model X', 'AB-123', '', 'L-9')");
    run(moveText(-0.5, 0.5, 10, 90, "p1"));
    const QPoint marker = m_page->markerCentre("p1");
    m_page->click(marker, Qt::LeftButton);
    ASSERT_TRUE(m_page->waitFor([&] { return js("global.contextMenu.isVisible()").toBool(); }));

    struct Field
    {
        const char* key;
        QString text;
    };
    const Field fields[] = {
        {"Driver", "Driver Name"},
        {"Company", "ACME"},
        {"Maker", "Vehicle Maker"},
        {"Model", "Model X"},
        {"Registration", "AB-123"},
        {"License", "L-9"},
        {"'Speed'", "18.52km/h (11.51 mph)"},
        {"'Latitude'", QString::fromUtf8("0\u00B0 30' 0.00\" S")},
        {"'Longitude'", QString::fromUtf8("0\u00B0 30' 0.00\" E")},
        {"'Update Time'", "2011-05-31 13:45:30"},
        {"'Info1'", ""},
    };
    for (const Field& f : fields) {
        EXPECT_EQ(js(QString("global.contextMenu.text(%1)").arg(f.key)).toString(), f.text)
            << f.key;
    }
    EXPECT_EQ(js("global.contextMenu.title.textContent").toString(), QString("Truck"));
    EXPECT_TRUE(js("global.contextMenu.picture.src.endsWith('images/user_blank.png')").toBool());
    EXPECT_EQ(js("global.currentVehicle").toString(), QString("p1"));
    EXPECT_TRUE(js("document.getElementById('p1').classList.contains('selected')").toBool());
    // The marker is turned to the heading and drawn with the selected picture.
    EXPECT_NEAR(js("findMarker('p1').angle").toDouble(), M_PI / 2, 1e-9);
    EXPECT_EQ(js("findMarker('p1').imageSrc").toString(), QString("images/point_select.png"));

    // Later reports refresh the moving values of the shown vehicle; a course of -1 keeps the
    // heading.
    run(moveText(12.25, -45.5, 0, -1, "p1"));
    EXPECT_EQ(js("global.contextMenu.text('Latitude')").toString(),
              QString::fromUtf8("12\u00B0 15' 0.00\" N"));
    EXPECT_EQ(js("global.contextMenu.text('Longitude')").toString(),
              QString::fromUtf8("45\u00B0 30' 0.00\" W"));
    EXPECT_EQ(js("global.contextMenu.text('Speed')").toString(), QString("0km/h (0 mph)"));
    EXPECT_NEAR(js("findMarker('p1').angle").toDouble(), M_PI / 2, 1e-9);
    // The selected vehicle is followed: the map pans to it when it leaves the view.
    EXPECT_TRUE(js("global.map.contains(L.latLng(12.25, -45.5))").toBool());
    EXPECT_TRUE(m_page->waitFor(
        [&] { return js("global.polyline.line.getLatLngs().length").toInt() == 2; }));

    // Details open near the bottom edge keep the card inside the page.
    run("global.contextMenu.toggleDetails({ clientY: 590 })");
    EXPECT_EQ(js("global.contextMenu.element.style.height").toString(), QString("327px"));
    EXPECT_EQ(js("global.contextMenu.top").toInt(), 600 - 327 - 4);
    m_page->click(m_page->centreOf("#ContextMenu .closeButton"), Qt::LeftButton);
    EXPECT_TRUE(m_page->waitFor([&] { return !js("global.contextMenu.isVisible()").toBool(); }));
}

TEST_F(MapPageView, CoordinateAndSpeedTexts)
{
    struct Case
    {
        QString call;
        QString text;
    };
    const Case cases[] = {
        {"latitudeToText(-0.5)", QString::fromUtf8("0\u00B0 30' 0.00\" S")},
        {"latitudeToText(0)", QString::fromUtf8("0\u00B0 0' 0.00\" N")},
        {"latitudeToText(37.5666)", QString::fromUtf8("37\u00B0 33' 59.76\" N")},
        {"longitudeToText(-122.419416)", QString::fromUtf8("122\u00B0 25' 9.90\" W")},
        // Rounding the seconds carries into the minutes instead of reading 60.00.
        {"longitudeToText(10.9999999)", QString::fromUtf8("11\u00B0 0' 0.00\" E")},
        {"speedToText(10)", "18.52km/h (11.51 mph)"},
        {"speedToText(0.5)", "0.93km/h (0.58 mph)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(js(c.call).toString(), c.text) << c.call.toStdString();
    }
}

TEST_F(MapPageView, RecorderTextsAreShownLiterallyAndRunNothing)
{
    const QString evil = "<img src=x onerror=\"window.__pwned=1\">";
    const QString quoted = "<img src=x onerror=\\\"window.__pwned=1\\\">";
    run(insertText(0, "1", "1", "x1", quoted));
    run(QString("insertOptionalInfo(1, 'x1', '%1', '%1', '%1', '%1', '%1', '%1', '%1')")
            .arg(quoted));
    run(QString("insertUserDefinedInfo('x1', 'x\" onerror=\"window.__pwned=2', '%1', '%1')")
            .arg(quoted));
    run(QString("updateEventInfo(1, '%1', 't', '%1', 'x1')").arg(quoted));
    run("onMarkerPressed('x1', { clientX: 10, clientY: 10 })");
    // Hover the name to bring up the tool-tip.
    QTest::mouseMove(m_page->view().focusProxy(), m_page->centreOf("#x1 .vehicleName"));
    ASSERT_TRUE(m_page->waitFor(
        [&] { return js("global.tooltip.element.style.display").toString() == "block"; }));

    EXPECT_EQ(js("document.querySelector('#x1 .vehicleName').textContent").toString(), evil);
    EXPECT_EQ(js("global.tooltip.element.textContent").toString(), evil);
    EXPECT_EQ(js("global.contextMenu.title.textContent").toString(), evil);
    EXPECT_EQ(js("global.contextMenu.text(Driver)").toString(), evil);
    EXPECT_EQ(js("global.contextMenu.text('Info1')").toString(), evil);
    EXPECT_EQ(js(eventTexts()).toStringList().first(), evil + " Motion (" + evil + ")");
    EXPECT_EQ(js(eventTexts()).toStringList().last(), evil + " is added");
    // Only the page's own pictures exist; none was made from the texts.
    EXPECT_EQ(js("document.querySelectorAll('img[src=\"x\"], [onerror]').length").toInt(), 0);
    QTest::qWait(200);
    EXPECT_TRUE(js("window.__pwned === undefined").toBool());
}

TEST_F(MapPageView, OperatorActionsReachTheNativeSide)
{
    run(insertText(1, "", "", "c1", "first"));
    run(insertText(1, "", "", "c2", "second"));
    m_page->takeCalls();

    struct Case
    {
        const char* item;
        const char* vehicle;
        QString call;
    };
    const Case cases[] = {
        {"#remove", "#c2", "onClickRemove|c2"},
        {"#edit", "#c1", "onClickEdit|c1"},
    };
    for (const Case& c : cases) {
        // A real right click on the entry selects it and opens the menu at the mouse.
        m_page->click(m_page->centreOf(c.vehicle), Qt::RightButton);
        ASSERT_TRUE(m_page->waitFor([&] {
            return js("global.vehicleContextMenu.isVisible()").toBool();
        })) << c.item;
        EXPECT_TRUE(js(QString("document.querySelector('%1').classList.contains('selected')")
                           .arg(c.vehicle))
                        .toBool());
        m_page->click(m_page->centreOf(c.item), Qt::LeftButton);
        ASSERT_TRUE(
            m_page->waitFor([&] { return !js("global.vehicleContextMenu.isVisible()").toBool(); }));
        EXPECT_EQ(m_page->takeCalls(), QStringList{c.call});
        // Hovering the list shows nothing until the station's dialog has closed.
        EXPECT_FALSE(js("isTooltipEnable").toBool());
        run("enableTooltip()");
        EXPECT_TRUE(js("isTooltipEnable").toBool());
    }

    // Hovering the list shows no tool-tip while the station's dialog is open; the header
    // buttons still show theirs. Every line the tool-tip receives is recorded.
    run("window.__tipLines = []; new MutationObserver(function (records) { "
        "records.forEach(function (r) {"
        " r.addedNodes.forEach(function (n) { __tipLines.push(n.textContent); }); }); })"
        ".observe(global.tooltip.element, { childList: true })");
    m_page->click(m_page->centreOf("#c2"), Qt::RightButton);
    ASSERT_TRUE(
        m_page->waitFor([&] { return js("global.vehicleContextMenu.isVisible()").toBool(); }));
    m_page->click(m_page->centreOf("#remove"), Qt::LeftButton);
    ASSERT_TRUE(m_page->waitFor([&] { return !js("isTooltipEnable").toBool(); }));
    m_page->takeCalls();
    // The right-click itself may hover the second entry while tool-tips are still on;
    // only what the tool-tip receives from here on counts.
    run("__tipLines = []");
    QWidget* input = m_page->view().focusProxy();
    QTest::mouseMove(input, m_page->centreOf("#c1 .vehicleName"));
    QTest::mouseMove(input, m_page->centreOf("#setupButton"));
    ASSERT_TRUE(m_page->waitFor([&] { return js("__tipLines.length").toInt() > 0; }));
    EXPECT_EQ(js("__tipLines").toStringList(), QStringList{"Setup"});
    EXPECT_TRUE(
        js("document.getElementById('setupButton').src.endsWith('setup_mover.png')").toBool());
    run("enableTooltip()");
    QTest::mouseMove(input, m_page->centreOf("#c1 .vehicleName"));
    EXPECT_TRUE(m_page->waitFor([&] { return js("__tipLines").toStringList().contains("first"); }));
    EXPECT_TRUE(
        js("document.getElementById('setupButton').src.endsWith('setup_normal.png')").toBool());

    // A press anywhere else closes the menu without calling out.
    m_page->click(m_page->centreOf("#c1"), Qt::RightButton);
    ASSERT_TRUE(
        m_page->waitFor([&] { return js("global.vehicleContextMenu.isVisible()").toBool(); }));
    m_page->click(QPoint(600, 300), Qt::LeftButton);
    EXPECT_TRUE(
        m_page->waitFor([&] { return !js("global.vehicleContextMenu.isVisible()").toBool(); }));

    m_page->click(m_page->centreOf("#logButton"), Qt::LeftButton);
    m_page->click(m_page->centreOf("#setupButton"), Qt::LeftButton);
    m_page->click(m_page->centreOf("#setupButton"), Qt::RightButton);
    EXPECT_TRUE(m_page->waitFor([&] { return js("window.__nativeCalls.length").toInt() >= 2; }));
    EXPECT_EQ(m_page->takeCalls(), (QStringList{"onClickLog", "onClickSetup"}));

    // The tracking toggle switches the line off and on.
    m_page->click(m_page->centreOf("#trackingButton"), Qt::LeftButton);
    EXPECT_TRUE(m_page->waitFor([&] { return !js("global.enableTrackingLine").toBool(); }));
    EXPECT_TRUE(js("document.getElementById('trackingButton').src.endsWith('trackingline_mover_"
                   "normal.png')")
                    .toBool());
}

TEST_F(MapPageView, PageSizeLaysOutHeaderListAndMap)
{
    const QString size = "(function (id) { var e = document.getElementById(id);"
                         " return e.offsetWidth + 'x' + e.offsetHeight; })('%1')";
    struct Case
    {
        int cx, cy;
        bool listHidden;
        QString map, menu, list;
        int eventPopupLeft;
    };
    const Case cases[] = {
        {1200, 800, false, "1000x773", "1000x27", "200x773", 880},
        {1024, 620, false, "824x593", "824x27", "200x593", 704},
        {1024, 620, true, "1024x593", "1024x27", "0x0", 704},
        {900, 600, false, "700x573", "700x27", "200x573", 580},
    };
    for (const Case& c : cases) {
        const QString button = c.listHidden ? "#hideListButton" : "#showListButton";
        if (js("global.listHidden").toBool() != c.listHidden) {
            m_page->click(m_page->centreOf(button), Qt::LeftButton);
            ASSERT_TRUE(
                m_page->waitFor([&] { return js("global.listHidden").toBool() == c.listHidden; }));
        }
        run(QString("setPageSize(%1, %2)").arg(c.cx).arg(c.cy));
        EXPECT_EQ(js(size.arg("map")).toString(), c.map) << c.cx;
        EXPECT_EQ(js(size.arg("headerInternalMenu")).toString(), c.menu) << c.cx;
        EXPECT_EQ(js(size.arg("leftCol")).toString(), c.list) << c.cx;
        EXPECT_EQ(js("global.eventPopup.left").toInt(), c.eventPopupLeft);
        EXPECT_EQ(js("global.contextMenu.centerX").toDouble(), (c.cx + 200) / 2.0);
        EXPECT_EQ(js("global.contextMenu.centerY").toDouble(), (c.cy - 27) / 2.0);
    }
}

TEST_F(MapPageView, BadCoordinatesAndUnknownVehicles)
{
    // A stored position the page cannot use (unreadable, not finite, off the globe) is no
    // position: the vehicle is listed without one, and no box stops the page.
    const char* const unusable[][2] = {{"north", "1"}, {"1", "east"},   {"1e300", "1"},
                                       {"99.5", "1"},  {"1", "-180.5"}, {"NaN", "Infinity"},
                                       {"1", ""},      {" 1", "1"},     {"0x10", "1"}};
    int bad = 0;
    for (const auto& position : unusable) {
        const QString id = QString("b%1").arg(++bad);
        SCOPED_TRACE(id.toStdString());
        run(insertText(1, position[0], position[1], id, id));
        EXPECT_TRUE(m_page->takeAlerts().isEmpty());
        EXPECT_FALSE(js(QString("!!findVehicle('%1').getPosition()").arg(id)).toBool());
        EXPECT_EQ(m_page->markerCentre(id), QPoint(-1, -1));
        // Nor does a later update with one move it; a usable one does.
        run(QString("updateVehicle('%1', '%2', '%3', '%3', 't2')")
                .arg(position[0], position[1], id));
        EXPECT_TRUE(m_page->takeAlerts().isEmpty());
        EXPECT_FALSE(js(QString("!!findVehicle('%1').getPosition()").arg(id)).toBool());
        run(QString("updateVehicle('-12.5', '100.25', '%1', '%1', 't3')").arg(id));
        EXPECT_EQ(js(QString("findVehicle('%1').getPosition().toString()").arg(id)).toString(),
                  QString("LatLng(-12.5, 100.25)"));
        run(QString("updateVehicle('%1', '%2', '%3', '%3', 't4')")
                .arg(position[0], position[1], id));
        EXPECT_EQ(js(QString("findVehicle('%1').getPosition().toString()").arg(id)).toString(),
                  QString("LatLng(-12.5, 100.25)"));
        run(QString("deleteVehicle('%1')").arg(id));
    }
    // Numbers that are no position never reach a marker or a track either.
    run(insertText(1, "10", "20", "m1", "mover"));
    for (const char* move : {"NaN, 1", "1, Infinity", "91, 1", "1, -181", "'1', '1'", "1e300, 1"})
        run(QString("moveTo(%1, 1, 1, 1, 1, 1, 'm1')").arg(move));
    EXPECT_EQ(js("findVehicle('m1').getPosition().toString()").toString(),
              QString("LatLng(10, 20)"));
    EXPECT_EQ(js("findVehicle('m1').getTrack().length").toInt(), 1);
    run("addTrackPoints('m1', [NaN, 1, 95, 1, 1, 200, 3, 4])");
    EXPECT_EQ(js("findVehicle('m1').getTrack().length").toInt(), 2);
    run("deleteVehicle('m1')");
    EXPECT_TRUE(m_page->takeAlerts().isEmpty());
    m_page->takeCalls(); // the deletions' own

    // A vehicle without a position: listed, hidden on the map, its entry does not move the map.
    run(insertText(1, "", "", "n1", "nowhere"));
    run("global.map.setCenter(L.latLng(5, 5))");
    const QVariant centre = js("global.map.map.getCenter().toString()");
    m_page->click(m_page->centreOf("#n1"), Qt::LeftButton);
    EXPECT_TRUE(m_page->waitFor([&] { return js("global.currentVehicle").toString() == "n1"; }));
    EXPECT_EQ(js("global.map.map.getCenter().toString()"), centre);
    EXPECT_EQ(m_page->markerCentre("n1"), QPoint(-1, -1));
    // Its stored empty position comes back in later updates, and is no error.
    run("updateVehicle('', '', 'n1', 'nowhere', 't2')");
    EXPECT_TRUE(m_page->takeAlerts().isEmpty());
    run("updateVehicle('x', '1', 'n1', 'nowhere', 't2')");
    EXPECT_TRUE(m_page->takeAlerts().isEmpty());
    EXPECT_FALSE(js("!!findVehicle('n1').getPosition()").toBool());

    // Calls for identifiers the page does not hold change nothing and raise nothing.
    for (const char* call :
         {"updateVehicle('1', '1', 'zz', 'z', 't')", "moveTo(1, 1, 1, 1, 1, 1, 1, 'zz')",
          "insertOptionalInfo(1, 'zz', 'z', '', '', '', '', '', '')",
          "insertUserDefinedInfo('zz', '', '', '')", "deleteVehicle('zz')",
          "updateUserDefinedInfo('zz', 'z', '', '', '')", "updateImgPath('zz', 'p')"}) {
        EXPECT_TRUE(
            js(QString("(function () { try { %1; return true; } catch (e) { return false; } })()")
                   .arg(call))
                .toBool())
            << call;
    }
    EXPECT_EQ(js(listNames()).toStringList(), QStringList{"nowhere"});
    EXPECT_TRUE(m_page->takeCalls().isEmpty());
}

TEST_F(MapPageView, TrackKeepsTheNewestThousandPoints)
{
    run(insertText(1, "0", "0", "k1", "long"));
    run("for (var i = 1; i <= 1100; i++) moveTo(i / 1000, 0, 1, 0, 0, 0, 0, 'k1');");
    EXPECT_EQ(js("findVehicle('k1').getTrack().length").toInt(), 1001);
    EXPECT_DOUBLE_EQ(js("findVehicle('k1').getTrack()[1000].lat").toDouble(), 1.1);
    EXPECT_DOUBLE_EQ(js("findVehicle('k1').getTrack()[0].lat").toDouble(), 0.1);
    // Deleting the selected vehicle empties the line it was drawing.
    run("selectVehicle('k1')");
    EXPECT_EQ(js("global.polyline.line.getLatLngs().length").toInt(), 1001);
    run("deleteVehicle('k1')");
    EXPECT_EQ(js("global.polyline.line.getLatLngs().length").toInt(), 0);
    EXPECT_EQ(js("global.currentVehicle").toInt(), 0);
}

TEST_F(MapPageView, MarkersMoveTogetherInOneFrameToTheLatestReport)
{
    run(insertText(1, "", "", "m1", "first"));
    run(insertText(1, "1", "1", "m2", "second"));
    // Whether the layer's last frame drew the marker centred on its latest position, turned
    // to its latest heading.
    run("window.placed = function (id) { var m = findMarker(id), d = markerLayer.placement(id);"
        " if (!d || !m.position) { return false; }"
        " var p = global.map.map.latLngToContainerPoint(m.position);"
        " return Math.abs(d.x - p.x) <= 0.5 && Math.abs(d.y - p.y) <= 0.5"
        "   && Math.abs(d.angle - m.angle) < 1e-3; }");

    // A marker not on the map yet appears with the next frame, where its report puts it.
    run(moveText(2, 2, 1, 90, "m1"));
    EXPECT_TRUE(m_page->waitFor([&] { return js("placed('m1')").toBool(); }));

    // A frame's worth of reports: position and heading are the newest at once, the layer
    // follows in one frame, for both markers together.
    QString burst = "window.framesBefore = markerLayer.frames;";
    for (int i = 1; i <= 20; ++i)
        burst +=
            moveText(3 + i * 0.5, 3, 1, 10 * i, "m1") + moveText(-3, -3 - i * 0.5, 1, 5 * i, "m2");
    EXPECT_FALSE(js(burst + "placed('m1') || placed('m2')").toBool());
    EXPECT_DOUBLE_EQ(js("findMarker('m1').position.lat").toDouble(), 13.0);
    EXPECT_NEAR(js("findMarker('m2').angle").toDouble(), 100 * M_PI / 180, 1e-9);
    EXPECT_TRUE(m_page->waitFor([&] { return js("placed('m1') && placed('m2')").toBool(); }));
    EXPECT_EQ(js("markerLayer.frames - framesBefore").toInt(), 1);
    // The track still has every point.
    EXPECT_EQ(js("findVehicle('m1').getTrack().length").toInt(), 1 + 20);

    // A marker deleted while it waits stays off the map, and the next frame still comes.
    run(moveText(20, 20, 1, 0, "m2") + "deleteVehicle('m2');" + moveText(21, 21, 1, 0, "m1"));
    EXPECT_TRUE(m_page->waitFor([&] { return js("placed('m1')").toBool(); }));
    EXPECT_TRUE(js("markerLayer.placement('m2') === null").toBool());
    // However many markers, the map holds one element for them.
    EXPECT_EQ(js("document.querySelectorAll('#map canvas.markerLayer').length").toInt(), 1);
}

TEST_F(MapPageView, MarkerFramesAreSpacedByWhatTheLastOneCost)
{
    QString fleet;
    for (int i = 0; i < 100; ++i)
        fleet += insertText(1, "1", QString::number(i * 0.1), QString("s%1").arg(i),
                            QString("car %1").arg(i)) +
                 ";";
    run(fleet);
    // Each frame's start and what it cost, as the spacing counts them.
    run("window.frames = []; var draw = markerLayer.draw;"
        " markerLayer.draw = function () { draw.apply(this, arguments);"
        "   frames.push([this.lastFrame, this.lastCost]); }");
    double course = 0;
    for (int markers : {2, 50, 100}) {
        SCOPED_TRACE(markers);
        QString burst = "frames = [];";
        course += 7;
        for (int i = 0; i < markers; ++i)
            burst += moveText(1, i * 0.1, 1, course, QString("s%1").arg(i));
        run(burst);
        ASSERT_TRUE(m_page->waitFor([&] { return js("frames.length").toInt() == 1; }));
        // One marker turns right after: its frame waits for the spacing the burst set.
        run(moveText(1, 0, 1, course + 1, "s0"));
        ASSERT_TRUE(m_page->waitFor([&] { return js("frames.length").toInt() == 2; }));
        EXPECT_GE(js("frames[1][0] - frames[0][0]").toDouble(),
                  js("Math.max(MarkerLayer.frameMs, frames[0][1] * MarkerLayer.costShare)")
                          .toDouble() -
                      1);
    }
}

TEST_F(MapPageView, MapSourcesTypeAndHeaderAddress)
{
    const QString url = "global.map.tileLayer ? global.map.tileLayer._url : ''";
    const QString road = js("MapAdapter.defaultSources.road").toString();
    const QString satellite = js("MapAdapter.defaultSources.satellite").toString();
    EXPECT_EQ(js(url).toString(), road);
    run("setMapSources('http://127.0.0.1:9/{z}/{x}/{y}.png', '', "
        "'http://127.0.0.1:9/?lat={lat}&lon={lon}')");
    EXPECT_EQ(js(url).toString(), QString("http://127.0.0.1:9/{z}/{x}/{y}.png"));
    run("var select = document.getElementById('mapSelect'); select.value = 'satellite';"
        " select.dispatchEvent(new Event('change'))");
    EXPECT_EQ(js(url).toString(), satellite) << "an empty text keeps the default";
    EXPECT_EQ(js("global.mapSources.geocoder").toString(),
              QString("http://127.0.0.1:9/?lat={lat}&lon={lon}"));

    // The geocoder answers late or never; the header shows the coarser address of the
    // vehicle that is still selected, and a stale answer is dropped.
    run("window.__answers = []; global.geocoder = { reverseGeocode: function (p, cb) { "
        "__answers.push(cb); } }");
    run(insertText(1, "1", "1", "g1", "one"));
    run(insertText(1, "2", "2", "g2", "two"));
    run("selectVehicle('g1')");
    run("selectVehicle('g2')");
    run("__answers[0]('OK', [{ formatted_address: 'a, b' }, { formatted_address: 'stale' }])");
    EXPECT_EQ(js("document.getElementById('headerInfo').textContent").toString(), QString());
    run("__answers[1]('OK', [{ formatted_address: '<i>x</i>, Town' }])");
    EXPECT_EQ(js("document.getElementById('headerInfo').textContent").toString(), QString())
        << "one result only: nothing to show";
    run("selectVehicle('g2')");
    run("__answers[2]('OK', [{ formatted_address: '1 Road, Town' }, { formatted_address: "
        "'<i>Town</i>' }])");
    EXPECT_EQ(js("document.getElementById('headerInfo').textContent").toString(),
              QString("<i>Town</i>"));
    run("deleteVehicle('g2')");
    EXPECT_EQ(js("document.getElementById('headerInfo').textContent").toString(), QString());
}

TEST_F(MapPageView, VehiclePopupDragsInsideThePage)
{
    run(insertText(1, "1", "1", "d1", "drag"));
    run("onMarkerPressed('d1', { clientX: 0, clientY: 0 })");
    const QString mouse =
        "(function (type, target, x, y) { (target === 'title' ? global.contextMenu.titleBar"
        " : document).dispatchEvent(new MouseEvent(type, { clientX: x, clientY: y, button: 0,"
        " bubbles: true })); })";
    const QString position = "global.contextMenu.left + ',' + global.contextMenu.top";
    const QStringList start = js(position).toString().split(',');
    const int left = start[0].toInt();
    const int top = start[1].toInt();
    run(mouse + QString("('mousedown', 'title', %1, %2)").arg(left + 50).arg(top + 10));
    run(mouse + QString("('mousemove', 'doc', %1, %2)").arg(left + 90).arg(top + 30));
    EXPECT_EQ(js(position).toString(), QString("%1,%2").arg(left + 40).arg(top + 20));
    // Past the top edge it stays and the drag ends: later moves do nothing.
    run(mouse + QString("('mousemove', 'doc', %1, %2)").arg(left + 90).arg(0));
    EXPECT_EQ(js(position).toString(), QString("%1,%2").arg(left + 40).arg(top + 20));
    run(mouse + QString("('mousemove', 'doc', %1, %2)").arg(left + 60).arg(top + 30));
    EXPECT_EQ(js(position).toString(), QString("%1,%2").arg(left + 40).arg(top + 20));
    // A closed pop-up does not drag.
    run("global.contextMenu.closeButton.dispatchEvent(new MouseEvent('click', { button: 0 }))");
    run(mouse + QString("('mousedown', 'title', %1, %2)").arg(left + 50).arg(top + 30));
    EXPECT_FALSE(js("global.contextMenu.dragging").toBool());
}

// A populated page for a look by eye; not compared with anything.
TEST_F(MapPageView, Screenshot)
{
    run("setMapSources('', '', '')");
    const char* names[] = {"Truck 12", "Van <b>7</b>", "Bus 3", "Tanker", "Crane", "Taxi 22"};
    for (int i = 0; i < 6; ++i) {
        const QString id = QString("shot%1").arg(i);
        run(insertText(i < 2 ? 0 : 1, "", "", id, names[i]));
        run(moveText(20 - i * 9, -30 + i * 17, 20 + i * 7, i * 60, id));
    }
    run("resetTimeout(0.0002)");
    run("updateEventInfo(11, 'Bus 3', 't', 'Cam1', 'shot2')");
    run("updateEventInfo(13, 'Tanker', 't', ' ', 'shot3')");
    run("updateOptionalInfo('shot0', 'Truck 12', 'Northwind Haulage', 'Volvo', 'FH16', 'KX-204-A', "
        "'J. Smith', 'C1')");
    run("global.map.map.setView([0, 10], 3, { animate: false })");
    m_page->click(m_page->centreOf("#shot4"), Qt::LeftButton);
    m_page->waitFor([&] { return js("global.currentVehicle").toString() == "shot4"; });
    run("onMarkerPressed('shot0', {})");
    run("global.contextMenu.toggleDetails({ clientY: 0 })");
    m_page->waitFor([&] {
        return js("document.querySelectorAll('.timeoutIcon[style*=block]').length").toInt() > 0;
    });
    QTest::qWait(300);
    const QImage shot = m_page->view().grab().toImage();
    EXPECT_EQ(shot.size(), QSize(900, 600));
    shot.save("/tmp/corvane-page.png");
}

} // namespace
} // namespace corvane
