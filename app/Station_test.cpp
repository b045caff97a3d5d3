// The whole station in this process, headless, in a fresh start-up folder:
// datagrams sent to its port over 127.0.0.1 must reach app.db and the page.

#include "app/AlarmDeskFeed.h"
#include "app/CorvaneDlg.h"
#include "app/SingletonStationRecords.h"
#include "app/testsupport/StationTestSupport.h"
#include "browser/testsupport/TileFileMaker.h"
#include "data/AbstractDatabaseRecord.h"
#include "data/DBManager.h"
#include "data/TileCache.h"
#include "data/VehicleInfo.h"
#include "dialogs/SetupDlg.h"
#include "proof/LoopbackSender.h"
#include "proof/TableRows.h"
#include "testsupport/BlockedUdpPort.h"
#include "testsupport/RecorderSamples.h"
#include "testsupport/TempFolder.h"
#include "testsupport/UdpPorts.h"
#include "tools/RecorderMessageBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace corvane;
using namespace corvane::test;

namespace {

// Generous: the writer commits every half second, but a loaded machine is slow.
constexpr int deadlineMs = 30000;

const TempFolder* folder = nullptr;

std::string newId()
{
    // A prefix of this process's own, so that runs never share a vehicle.
    static int serial = 0;
    char prefix[9];
    std::snprintf(prefix, sizeof prefix, "5a1e%04x", ::getpid() & 0xffff);
    return sampleVehicleId(++serial, prefix);
}

RecorderHeader header(const std::string& id, const std::string& name, int minute = 0)
{
    RecorderHeader h = sampleHeader(id, name, 13, minute, 30);
    h.deviceTitle = "Cab";
    return h;
}

std::string report(const std::string& id, const std::string& name, double latitude,
                   double longitude, int minute = 0)
{
    GprmcFix fix = sampleFix(latitude, longitude, 13, minute);
    fix.speedKnots = 12.5;
    fix.courseDegrees = 90.0;
    return positionReport(header(id, name, minute), fix);
}

std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

// Answers the next Yes/No question the station asks; remembers its text.
class QuestionAnswerer : public QObject
{
public:
    explicit QuestionAnswerer(QMessageBox::StandardButton answer) : m_answer(answer)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || box->objectName() != QLatin1String("question"))
                return;
            question = box->text();
            m_timer.stop();
            box->button(m_answer)->click();
        });
        m_timer.start(20);
    }
    QString question;

private:
    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
};

class Station : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        port = test::freeUdpPort();
        writeSetupPort(folder->file("setup.db"), port);
        storeSilentVehicle();
        storeOfflineMap();
        records = new SingletonStationRecords;
        window = new CorvaneDlg(*records);
        ASSERT_TRUE(window->initialize());
        window->show();
        ASSERT_TRUE(waitFor(
            [] {
                return evaluate(page(), "typeof findVehicle === 'function' && !!global.listBox")
                    .toBool();
            },
            60000))
            << "the page did not load";
        db = new TableRows(folder->file("app.db"));
    }

    // A vehicle the station knew before this start, silent for two days: as
    // after a restart.
    static void storeSilentVehicle()
    {
        DBManager& database = DBManager::getInstance();
        database.open(folder->file("app.db"), 5000);
        VehicleInfo silent{UniqueID(silentId)};
        silent.name = "Silent";
        silent.last_updated_latitude = "47.000000";
        silent.last_updated_longitude = "8.000000";
        silent.last_updated_time =
            QDateTime::currentDateTime().addDays(-2).toString("yyyy-MM-dd HH:mm:ss").toStdString();
        ASSERT_TRUE(database.enqueue(silent));
        database.close();
        // And a zone the operator stored while the station was stopped.
        Database file;
        file.open(folder->file("app.db").c_str(), 5000);
        file.execute("INSERT INTO zone (name, geometry) VALUES ('Yard <1>', '{\"type\":\"Feature\","
                     "\"properties\":{\"radius\":300},\"geometry\":{\"type\":\"Point\","
                     "\"coordinates\":[8.0,47.0]}}');");
    }
    static constexpr const char* silentId = "5a1e0000-0000-4000-8000-00000000001d";

    // A tile file the operator listed before this start, with the road tiles pointed at a
    // port nothing listens on (no tile comes from a network), and one tile an earlier run
    // fetched into the cache.
    static void storeOfflineMap()
    {
        ASSERT_TRUE(TileFileMaker::write(QString::fromStdString(folder->file("start.mbtiles")),
                                         {{1, 0, 0, TileFileMaker::plainTile(Qt::red)}}));
        Database settings;
        settings.open(folder->file("setup.db").c_str(), 5000);
        settings.execute(("INSERT INTO setup VALUES ('map/TileFiles', '" +
                          folder->file("start.mbtiles") + "'), ('map/RoadTiles', '" +
                          deadRoadTiles + "');")
                             .c_str());
        const QByteArray tile = TileFileMaker::plainTile(Qt::blue);
        TileCache(folder->file("tiles.db"), 1 << 20)
            .store(deadRoadTiles, 5, 0, 0, std::vector<std::uint8_t>(tile.begin(), tile.end()));
    }
    static constexpr const char* deadRoadTiles = "http://127.0.0.1:9/{z}/{x}/{y}.png";

    static void TearDownTestSuite()
    {
        window->shutdown();
        delete db;
        delete window;
        delete records;
    }

    static QWebEnginePage& page() { return *window->browserView()->page(); }
    static QVariant js(const std::string& script)
    {
        return evaluate(page(), QString::fromStdString(script));
    }
    // Runs a page call after emptying the element that tells its outcome;
    // whether the element then tells what `told` accepts, within the deadline.
    static bool tells(const std::string& call, const std::string& element,
                      bool (*told)(const QString&))
    {
        const std::string text = "document.getElementById('" + element + "').textContent";
        js(text + " = ''");
        js(call);
        return waitFor([&] { return told(js(text).toString()); }, deadlineMs);
    }
    static bool onPage(const std::string& id)
    {
        return js("!!document.getElementById(" + quoted(id) + ")").toBool();
    }
    static long long gpsRows(const std::string& id)
    {
        return db->number("SELECT count(*) FROM gps_data WHERE vehicle_id = " + quoted(id));
    }
    static std::string vehicleColumn(const std::string& id, const char* column)
    {
        return firstText(*db, std::string("SELECT ") + column +
                                  " FROM vehicle_info WHERE id = " + quoted(id));
    }
    static void postPortChange(int newPort)
    {
        window->reception().changePort(newPort);
        ASSERT_TRUE(waitFor([&] { return window->port() == newPort; }, deadlineMs));
    }

    static inline int port = 0;
    static inline SingletonStationRecords* records = nullptr;
    static inline CorvaneDlg* window = nullptr;
    static inline TableRows* db = nullptr;
};

TEST_F(Station, PositionReportsReachTheDatabaseAndMoveTheMarker)
{
    const std::string id = newId();
    sendDatagram(port, report(id, "Truck 1", 52.5, 13.4, 0));
    sendDatagram(port, report(id, "Truck 1", 52.6, 13.5, 1));

    EXPECT_TRUE(waitFor(
        [&] {
            return js("(findMarker(" + quoted(id) + ") || {position: {lat: 0}}).position.lat")
                       .toDouble() == 52.6;
        },
        deadlineMs));
    EXPECT_TRUE(onPage(id)) << "no list entry";
    EXPECT_NEAR(js("findMarker(" + quoted(id) + ").position.lng").toDouble(), 13.5, 1e-9);

    ASSERT_TRUE(waitFor([&] { return gpsRows(id) == 2; }, deadlineMs));
    ASSERT_TRUE(waitFor([&] { return vehicleColumn(id, "last_updated_latitude") == "52.600000"; },
                        deadlineMs));
    EXPECT_EQ(vehicleColumn(id, "name"), "Truck 1");
    EXPECT_EQ(vehicleColumn(id, "last_updated_time"), "2011-05-31 13:01:30");
    EXPECT_EQ(vehicleColumn(id, "last_updated_longitude"), "13.500000");
    EXPECT_EQ(vehicleColumn(id, "deleted"), "0");
}

// An Emergency from a recorder flashes on the page until the operator opens the vehicle;
// the page's mute toggle is remembered in setup.db.
// Its silence counts from its stored report: marked from the first moment the page
// shows it, not ten minutes later.
TEST_F(Station, VehicleSilentBeforeTheStartIsMarkedAtOnce)
{
    ASSERT_TRUE(waitFor([&] { return onPage(silentId); }, deadlineMs));
    const std::string entry = "document.getElementById(" + quoted(silentId) + ")";
    EXPECT_TRUE(js(entry + ".classList.contains('status-timedout')").toBool());
    EXPECT_EQ(js("getComputedStyle(" + entry + ".timeoutIcon).display").toString(),
              QString("block"));
    EXPECT_EQ(js("findMarker(" + quoted(silentId) + ").status").toString(),
              QString("timedout"));
}

TEST_F(Station, EmergencyFlashesAndTheMuteIsRemembered)
{
    const std::string id = newId();
    sendDatagram(port, report(id, "Ambulance", 48.1, 11.5));
    ASSERT_TRUE(waitFor([&] { return onPage(id); }, deadlineMs));
    const std::string flashing =
        "document.getElementById(" + quoted(id) + ").classList.contains('alarm')";
    sendDatagram(port, RecorderMessageBuilder::event(header(id, "Ambulance"), 13));
    ASSERT_TRUE(waitFor([&] { return js(flashing).toBool(); }, deadlineMs));
    js("selectVehicle(" + quoted(id) + ")");
    EXPECT_FALSE(js(flashing).toBool());

    TableRows settings(folder->file("setup.db"));
    const std::string muted = "SELECT value FROM setup WHERE key = 'page/AlarmMuted'";
    EXPECT_EQ(settings.number(muted), 0) << "the page was given the stored setting";
    for (long long expected : {1, 0}) {
        js("document.getElementById('muteButton').dispatchEvent(new MouseEvent('click',"
           " { button: 0 }))");
        EXPECT_TRUE(waitFor([&] { return settings.number(muted) == expected; }, deadlineMs))
            << expected;
    }
}

TEST_F(Station, EventsAreStoredUnderTheOperatorsNameAndPopUp)
{
    const std::string id = newId();
    sendDatagram(port, report(id, "DVR 7", 48.1, 11.5));
    ASSERT_TRUE(waitFor([&] { return onPage(id); }, deadlineMs));
    // What the page asks when the operator renames the vehicle.
    window->pageRequests().onChangeName(id, "Boss's car");
    sendDatagram(port, RecorderMessageBuilder::event(header(id, "DVR 7"), 3));

    ASSERT_TRUE(waitFor(
        [&] {
            return db->number("SELECT count(*) FROM event_info WHERE vehicle_id = " + quoted(id)) ==
                   1;
        },
        deadlineMs));
    const std::string where = " FROM event_info WHERE vehicle_id = " + quoted(id);
    EXPECT_EQ(firstText(*db, "SELECT name" + where), "Boss's car");
    EXPECT_EQ(firstText(*db, "SELECT event_type" + where), "3");
    EXPECT_EQ(firstText(*db, "SELECT time" + where), "2011-05-31 13:00:30");
    EXPECT_EQ(firstText(*db, "SELECT device_title" + where), "Cab");
    EXPECT_EQ(firstText(*db, "SELECT address" + where), "127.0.0.1");
    EXPECT_TRUE(waitFor(
        [&] {
            return js("global.eventPopup.entries().some(function (e) {"
                      " return e.lastChild.textContent.indexOf(\"Boss's car\") === 0; })")
                .toBool();
        },
        deadlineMs));
}

TEST_F(Station, EventsAndDetailsOfUnknownVehiclesChangeNothing)
{
    const std::string stranger = newId();
    const std::string sentinel = newId();
    sendDatagram(port, RecorderMessageBuilder::event(header(stranger, "Ghost"), 5));
    sendDatagram(port,
                 RecorderMessageBuilder::details(header(stranger, "Ghost"), {{"Company", "Acme"}}));
    sendDatagram(port, report(sentinel, "Sentinel", 40.0, -3.7));
    // Datagrams are handled in order: once the sentinel is stored, the
    // stranger's messages have been dealt with.
    ASSERT_TRUE(waitFor([&] { return gpsRows(sentinel) == 1; }, deadlineMs));
    EXPECT_EQ(db->number("SELECT count(*) FROM event_info WHERE vehicle_id = " + quoted(stranger)),
              0);
    EXPECT_EQ(db->number("SELECT count(*) FROM vehicle_info WHERE id = " + quoted(stranger)), 0);
    EXPECT_FALSE(onPage(stranger));
}

TEST_F(Station, DeletedVehicleStillAddsGpsRowsAndNothingElse)
{
    const std::string id = newId();
    sendDatagram(port, report(id, "Van", 45.0, 9.0, 0));
    ASSERT_TRUE(waitFor([&] { return vehicleColumn(id, "last_updated_latitude") == "45.000000"; },
                        deadlineMs));

    QuestionAnswerer yes(QMessageBox::Yes);
    window->pageRequests().onClickRemove(id);
    ASSERT_TRUE(waitFor([&] { return vehicleColumn(id, "deleted") == "1"; }, deadlineMs));
    EXPECT_EQ(yes.question, QStringLiteral("Do you want to delete this Vehicle?"));
    EXPECT_TRUE(waitFor([&] { return !onPage(id); }, deadlineMs));

    sendDatagram(port, report(id, "Van renamed", 46.0, 10.0, 5));
    sendDatagram(port, RecorderMessageBuilder::event(header(id, "Van renamed"), 1));
    sendDatagram(port, report(id, "Van renamed", 47.0, 11.0, 6));
    ASSERT_TRUE(waitFor([&] { return gpsRows(id) == 3; }, deadlineMs));
    EXPECT_EQ(vehicleColumn(id, "name"), "Van");
    EXPECT_EQ(vehicleColumn(id, "last_updated_time"), "2011-05-31 13:00:30");
    EXPECT_EQ(vehicleColumn(id, "last_updated_latitude"), "45.000000");
    EXPECT_EQ(db->number("SELECT count(*) FROM event_info WHERE vehicle_id = " + quoted(id)), 0);
    EXPECT_FALSE(onPage(id));
}

TEST_F(Station, VehicleEditorRenamesTheVehicleOnThePageAndInTheDatabase)
{
    const std::string id = newId();
    sendDatagram(port, report(id, "Reported", 30.0, 30.0));
    ASSERT_TRUE(waitFor([&] { return onPage(id); }, deadlineMs));
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (editor == nullptr || editor->findChild<QLineEdit*>("nameBox") == nullptr)
            return;
        operatorHand.stop();
        editor->findChild<QLineEdit*>("nameBox")->setText("Operator's van");
        editor->findChild<QLineEdit*>("info1Box")->setText("Depot 4");
        editor->accept();
    });
    operatorHand.start(20);
    window->pageRequests().onClickEdit(id);
    ASSERT_TRUE(
        waitFor([&] { return vehicleColumn(id, "edited_name") == "Operator's van"; }, deadlineMs));
    EXPECT_EQ(vehicleColumn(id, "info1"), "Depot 4");
    EXPECT_EQ(vehicleColumn(id, "name"), "Reported");
    EXPECT_TRUE(waitFor(
        [&] {
            return js("document.getElementById(" + quoted(id) + ").textContent")
                .toString()
                .contains("Operator's van");
        },
        deadlineMs));
}

TEST_F(Station, PortChangedInTheSetupRestartsReceptionOnTheNewPort)
{
    const int oldPort = port;
    const int newPort = freeUdpPortBetween(1500, 32000);
    // The operator opens the setup from the page, types the new port and a
    // new time-out, and presses OK.
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        auto* setup = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (setup == nullptr || setup->findChild<QLineEdit*>("portBox") == nullptr)
            return;
        operatorHand.stop();
        setup->findChild<QLineEdit*>("portBox")->setText(QString::number(newPort));
        setup->findChild<QLineEdit*>("timeoutBox")->setText("15");
        setup->accept();
    });
    operatorHand.start(20);
    window->pageRequests().onClickSetup();
    ASSERT_TRUE(waitFor([&] { return window->port() == newPort; }, deadlineMs));
    port = newPort;
    EXPECT_TRUE(waitFor([] { return js("global.timeout").toInt() == 15 * 60000; }, deadlineMs));

    const std::string viaOld = newId();
    const std::string viaNew = newId();
    sendDatagram(oldPort, report(viaOld, "Old port", 10.0, 10.0));
    sendDatagram(newPort, report(viaNew, "New port", 11.0, 11.0));
    ASSERT_TRUE(waitFor([&] { return gpsRows(viaNew) == 1; }, deadlineMs));
    EXPECT_EQ(gpsRows(viaOld), 0);
    EXPECT_FALSE(LoopbackSender::receiveQueue(oldPort).has_value()) << "the old port is still open";
}

TEST_F(Station, PortThatCannotBeOpenedIsToldOnceWithTheReason)
{
    // A socket without address reuse keeps the port from the station.
    BlockedUdpPort blocker;
    const int taken = blocker.port();

    const int goodPort = port;
    postPortChange(taken);
    auto failureBoxes = [] {
        QList<QMessageBox*> boxes;
        for (QMessageBox* box : window->findChildren<QMessageBox*>())
            if (box->objectName() == QLatin1String("portFailureMessage") && box->isVisible())
                boxes.append(box);
        return boxes;
    };
    ASSERT_TRUE(waitFor([&] { return !failureBoxes().isEmpty(); }, deadlineMs));
    QTest::qWait(0);
    ASSERT_EQ(failureBoxes().size(), 1);
    const QString text = failureBoxes().first()->text();
    EXPECT_TRUE(text.contains(QString::number(taken))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Address already in use"))) << text.toStdString();
    EXPECT_EQ(failureBoxes().first()->windowTitle(), QStringLiteral("ORVEX Corvane"));
    failureBoxes().first()->accept();
    blocker.release();

    postPortChange(goodPort);
    const std::string id = newId();
    sendDatagram(goodPort, report(id, "Back", 1.0, 1.0));
    EXPECT_TRUE(waitFor([&] { return gpsRows(id) == 1; }, deadlineMs));
}

TEST_F(Station, EnterEscapeAndNoDoNotCloseTheWindow)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &press);
        EXPECT_TRUE(window->isVisible()) << key;
    }
    QuestionAnswerer no(QMessageBox::No);
    window->close();
    EXPECT_EQ(no.question, QStringLiteral("Are you sure to close?"));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Station, ZonesStoredBeforeTheStartAreDrawnOnTheMap)
{
    EXPECT_TRUE(waitFor(
        [] {
            return js("document.querySelectorAll('.leaflet-zone-pane path').length").toInt() == 1;
        },
        deadlineMs));
    EXPECT_EQ(js("document.querySelector('.zoneName').textContent").toString(),
              QStringLiteral("Yard <1>"));
}

// From the page's own native road: a drawn zone is stored and drawn back; a
// shape that is none, a script in its place or an unknown zone stores nothing
// and is told on the page.
TEST_F(Station, ZoneEditsFromThePageAreStoredOrRefusedAndTold)
{
    auto zones = [] { return db->number("SELECT count(*) FROM zone WHERE deleted = 0"); };
    auto drawn = [] {
        return js("document.querySelectorAll('.leaflet-zone-pane path').length").toInt();
    };
    const long long before = zones();
    js(R"(cef.extension.onZoneSaved('', 'Gate', '{"type":"Polygon","coordinates":)"
       R"([[[8.1,47.1],[8.2,47.1],[8.2,47.2],[8.1,47.1]]]}'))");
    ASSERT_TRUE(waitFor([&] { return zones() == before + 1; }, deadlineMs));
    EXPECT_EQ(
        firstText(*db, "SELECT geometry FROM zone WHERE name = 'Gate'"),
        R"({"type":"Polygon","coordinates":[[[8.1,47.1],[8.2,47.1],[8.2,47.2],[8.1,47.1]]]})");
    EXPECT_TRUE(waitFor([&] { return drawn() == before + 1; }, deadlineMs));

    const char* const refused[] = {
        R"(cef.extension.onZoneSaved('', 'Bad', '{"type":"Polygon"}'))",
        R"(cef.extension.onZoneSaved('', 'Bad', "'); window.__pwned = 1; ('"))",
        R"(cef.extension.onZoneSaved('', 'Bad', 'NaN'))",
        R"(cef.extension.onZoneSaved('999', '', '{"type":"Polygon"}'))",
        R"(cef.extension.onZoneDeleted('1 OR 1=1'))",
    };
    for (const char* call : refused) {
        EXPECT_TRUE(tells(call, "zoneMessage", [](const QString& text) {
            return text.startsWith("Not stored: ");
        })) << call;
        EXPECT_EQ(zones(), before + 1) << call;
    }
    EXPECT_FALSE(js("!!window.__pwned").toBool());
    EXPECT_EQ(db->number("SELECT count(*) FROM zone WHERE name = 'Bad'"), 0);
}

TEST_F(Station, AlarmsStayOnTheDeskUntilAcknowledgedFromThePage)
{
    const std::string id = newId();
    sendDatagram(port, report(id, "Patrol", 48.2, 11.6));
    ASSERT_TRUE(waitFor([&] { return onPage(id); }, deadlineMs));
    for (int i = 0; i < 3; ++i)
        sendDatagram(port, RecorderMessageBuilder::event(header(id, "Patrol"), 13));
    sendDatagram(port, RecorderMessageBuilder::event(header(id, "Patrol"), 3)); // not chosen
    const std::string group = "document.querySelector('.alarmGroup[data-vehicle=\"" + id + "\"]')";
    const std::string count = "(function () { var g = " + group +
                              "; return g ? g.querySelector('.alarmGroupCount').textContent : "
                              "'none'; })()";
    const std::string flashing =
        "document.getElementById(" + quoted(id) + ").classList.contains('alarm')";
    ASSERT_TRUE(waitFor([&] { return js(count).toString() == "3"; }, deadlineMs))
        << js(count).toString().toStdString();
    EXPECT_TRUE(js(flashing).toBool());
    const std::string acks = "SELECT count(*) FROM alarm_ack JOIN event_info ON id = event_id "
                             "WHERE vehicle_id = " +
                             quoted(id);

    // One, with the operator's note, by the page's own button.
    const std::string note = "Called the driver: it's fine; \"false alarm\" <b>";
    js("document.getElementById('alarmNote').value = " +
       QJsonDocument(QJsonArray{QString::fromStdString(note)})
           .toJson(QJsonDocument::Compact)
           .mid(1)
           .chopped(1)
           .toStdString() +
       ";" + group + ".querySelector('.ackOne').click()");
    ASSERT_TRUE(waitFor([&] { return db->number(acks) == 1; }, deadlineMs));
    const std::string newest = firstText(*db, "SELECT max(id) FROM event_info WHERE event_type "
                                              "= 13 AND vehicle_id = " +
                                                  quoted(id));
    EXPECT_EQ(firstText(*db, "SELECT event_id || '|' || operator || '|' || note FROM alarm_ack "
                             "ORDER BY rowid DESC LIMIT 1"),
              newest + "|" + AlarmDeskFeed::operatorName() + "|" + note);
    const QDateTime acknowledged = QDateTime::fromString(
        QString::fromStdString(firstText(*db, "SELECT acknowledged FROM alarm_ack ORDER BY rowid "
                                              "DESC LIMIT 1")),
        "yyyy-MM-dd HH:mm:ss");
    ASSERT_TRUE(acknowledged.isValid());
    EXPECT_LE(std::abs(acknowledged.secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_TRUE(waitFor([&] { return js(count).toString() == "2"; }, deadlineMs));
    EXPECT_TRUE(js(flashing).toBool()) << "two are still open";

    // What the page's road may carry that names no open alarm stores nothing.
    const char* const refused[] = {
        "cef.extension.onAcknowledgeAlarms('1 OR 1=1', '', '')",
        "cef.extension.onAcknowledgeAlarms('-5', '', '')",
        "cef.extension.onAcknowledgeAlarms('NaN', '', '')",
        "cef.extension.onAcknowledgeAlarms('999999999', 'not-a-vehicle', '')",
    };
    for (const char* call : refused)
        EXPECT_TRUE(tells(call, "alarmDeskMessage", [](const QString& text) {
            return text.endsWith("is not known.");
        })) << call;
    // An id of no alarm at all goes through and acknowledges nothing.
    js("cef.extension.onAcknowledgeAlarms('999999999', '', 'none')");

    // All of the vehicle's: the group leaves and the flash ends.
    js(group + ".querySelector('.ackAll').click()");
    ASSERT_TRUE(waitFor([&] { return db->number(acks) == 3; }, deadlineMs));
    EXPECT_TRUE(waitFor([&] { return js(count).toString() == "none"; }, deadlineMs));
    EXPECT_FALSE(js(flashing).toBool());
    EXPECT_EQ(db->number("SELECT count(*) FROM alarm_ack WHERE note = 'none'"), 0);
}

// The window's thread held for ten seconds, as a long query or a busy page would
// hold it: the reports that arrive meanwhile reach app.db meanwhile, none is lost,
// and once the window runs again the page shows where each vehicle went.
TEST_F(Station, AWindowHeldTenSecondsStoresOnAndLosesNothing)
{
    constexpr int vehicles = 20;
    constexpr int rounds = 40; // one every 200 ms: the fleet is done after eight seconds
    std::vector<std::string> ids;
    for (int v = 0; v < vehicles; ++v)
        ids.push_back(newId());
    const std::string inFleet = "vehicle_id IN (" + [&] {
        std::string list;
        for (const std::string& id : ids)
            list += (list.empty() ? "" : ",") + quoted(id);
        return list;
    }() + ")";
    const std::uint64_t overBefore = window->dropCounts().figures().overBacklog;
    std::thread fleet([&] {
        LoopbackSender sender(port);
        const auto start = std::chrono::steady_clock::now();
        for (int round = 0; round < rounds; ++round) {
            std::this_thread::sleep_until(start + std::chrono::milliseconds(200 * round));
            for (int v = 0; v < vehicles; ++v)
                sender.send(report(ids[v], "Held " + std::to_string(v), 40.0 + 0.01 * round,
                                   10.0 + 0.01 * v, round % 60));
        }
    });
    // This thread is the window's: while it is held nothing of the toolkit runs.
    std::vector<long long> stored;
    const auto heldUntil = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < heldUntil) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        stored.push_back(db->number("SELECT count(*) FROM gps_data WHERE " + inFleet));
    }
    fleet.join();
    const long kernelDrops = LoopbackSender::drops(port).value_or(0);
    int rises = 0;
    for (std::size_t i = 1; i < stored.size(); ++i)
        rises += stored[i] > stored[i - 1] ? 1 : 0;
    EXPECT_GE(rises, 8) << "the rows did not keep arriving while the window was held";
    EXPECT_EQ(stored.back(), vehicles * rounds) << kernelDrops << " lost in the kernel";
    EXPECT_EQ(window->dropCounts().figures().overBacklog, overBefore);

    const std::string last = std::to_string(40.0 + 0.01 * (rounds - 1)).substr(0, 5);
    for (const std::string& id : ids) {
        EXPECT_TRUE(waitFor(
            [&] {
                return std::abs(js("(findMarker(" + quoted(id) +
                                   ") || {position: {lat: 0}})"
                                   ".position.lat")
                                    .toDouble() -
                                (40.0 + 0.01 * (rounds - 1))) < 1e-6;
            },
            deadlineMs))
            << id;
        EXPECT_EQ(vehicleColumn(id, "last_updated_latitude").substr(0, 5), last);
    }
}

TEST_F(Station, AFailingScriptCallDoesNotStopTheCallsAfterIt)
{
    // Calls made in one pass of the event loop travel together.
    window->pageCalls().call(PageCall::written("noSuchPageFunction(1, 2)"));
    window->pageCalls().call(PageCall::written("window.afterFailure = 'ran';"));
    EXPECT_TRUE(
        waitFor([] { return js("window.afterFailure || ''").toString() == "ran"; }, deadlineMs));
}

TEST_F(Station, ScreenSmallerThanTheMinimumEndsTheStart)
{
    // The second screen of this process is 1024 x 600.
    CorvaneDlg small(*records);
    small.move(1300, 20);
    QString shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box->objectName() == QLatin1String("resolutionMessage")) {
            shown = box->text();
            box->accept();
        }
    });
    closer.start(20);
    EXPECT_FALSE(small.initialize());
    EXPECT_EQ(shown, QStringLiteral("Bad resolution format or unsupported resolution."));
    EXPECT_EQ(small.browserView(), nullptr);
}

TEST_F(Station, TrackHistoryShowsTheChosenRangeUntilLive)
{
    const std::string id = newId();
    sendDatagram(port, report(id, "Truck H", 40.0, 20.0, 1));
    sendDatagram(port, report(id, "Truck H", 40.5, 20.5, 2));
    ASSERT_TRUE(waitFor([&] { return gpsRows(id) == 2; }, deadlineMs));
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog->findChild<QCheckBox*>("rangeCheck") == nullptr)
            return;
        operatorHand.stop();
        dialog->findChild<QCheckBox*>("rangeCheck")->setChecked(true);
        const QDate day(2011, 5, 31);
        dialog->findChild<QDateTimeEdit*>("fromTime")
            ->setDateTime(QDateTime(day, QTime(13, 1, 30)));
        dialog->findChild<QDateTimeEdit*>("toTime")->setDateTime(QDateTime(day, QTime(13, 1, 59)));
        dialog->accept();
    });
    operatorHand.start(20);
    window->pageRequests().onClickTrackHistory(id);
    ASSERT_TRUE(waitFor([] { return js("!!(global.history && global.history.line)").toBool(); },
                        deadlineMs));
    // Only the first sample lies in the range.
    EXPECT_EQ(js("global.history.line.getLatLngs().length").toInt(), 1);
    EXPECT_EQ(window->windowTitle(),
              "ORVEX Corvane - Truck H: 2011-05-31 13:01:30 to 2011-05-31 13:01:59");
    auto* bar = window->findChild<QWidget*>("replayBar");
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(window->browserView()->height(), window->height() - bar->height());

    bar->findChild<QPushButton*>("replayLive")->click();
    EXPECT_TRUE(waitFor([] { return js("global.history === null").toBool(); }, deadlineMs));
    EXPECT_EQ(window->windowTitle(), "ORVEX Corvane");
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(window->browserView()->height(), window->height());
}

// The operator's tile files answer the page's tiles without a network, from the start and
// as the setup changes them; the setup's cache size and clearing reach tiles.db.
TEST_F(Station, TileFilesAnswerThePageFromTheStartAndAfterTheSetup)
{
    // Each tile once, though the world shows more than once across the view.
    const std::string loaded =
        "Array.from(new Set(Array.from(document.querySelectorAll('.leaflet-tile-loaded'))"
        ".map(function (t) { return t.src; }))).sort().join(' ')";
    TableRows cache(folder->file("tiles.db"));
    EXPECT_EQ(cache.number("SELECT count(*) FROM tiles"), 1);
    js("var select = document.getElementById('mapSelect'); select.value = 'offline';"
       " select.dispatchEvent(new Event('change'));"
       " global.map.map.setView([0, 0], 1, { animate: false }); 0");
    // Of the four tiles in view only the file's is shown; the others fail at once.
    EXPECT_TRUE(waitFor([&] { return js(loaded).toString() == "corvane-tile://offline/1/0/0"; },
                        deadlineMs))
        << js(loaded).toString().toStdString();

    const QString added = QString::fromStdString(folder->file("added.mbtiles"));
    ASSERT_TRUE(TileFileMaker::write(added, {{1, 1, 1, TileFileMaker::plainTile(Qt::yellow)}}));
    QuestionAnswerer yes(QMessageBox::Yes);
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        auto* setup = qobject_cast<SetupDlg*>(QApplication::activeModalWidget());
        if (setup == nullptr)
            return;
        operatorHand.stop();
        // What "Add..." does with the file the file dialog gave.
        EXPECT_TRUE(setup->addTileFile(added));
        setup->findChild<QSpinBox*>("cacheSizeBox")->setValue(64);
        setup->findChild<QPushButton*>("clearCache")->click();
        setup->accept();
    });
    operatorHand.start(20);
    window->pageRequests().onClickSetup();
    EXPECT_TRUE(waitFor(
        [&] {
            return js(loaded).toString() ==
                   "corvane-tile://offline/1/0/0 corvane-tile://offline/1/1/1";
        },
        deadlineMs))
        << js(loaded).toString().toStdString();
    EXPECT_EQ(yes.question, QStringLiteral("Delete every map tile kept in the cache?"));
    TableRows settings(folder->file("setup.db"));
    EXPECT_EQ(firstText(settings, "SELECT value FROM setup WHERE key = 'map/TileFiles'"),
              folder->file("start.mbtiles") + "\n" + added.toStdString());
    EXPECT_EQ(settings.number("SELECT value FROM setup WHERE key = 'map/CacheMB'"), 64);
    EXPECT_TRUE(
        waitFor([&] { return cache.number("SELECT count(*) FROM tiles") == 0; }, deadlineMs));
}

} // namespace

int main(int argc, char** argv)
{
    return runInStation(argc, argv, {{0, 0, 1280, 800}, {1280, 0, 1024, 600}},
                        [](const TempFolder& startFolder) {
                            folder = &startFolder;
                            return true;
                        });
}
