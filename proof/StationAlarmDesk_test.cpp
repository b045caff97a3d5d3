// The station in this process, headless, with its app.db in the start-up folder:
// alarms sent by recorders open on the page's alarm desk, are acknowledged from
// the page, and a station started again shows the ones still open, and only
// those.

#include "app/AlarmDeskFeed.h"
#include "app/testsupport/StationTestSupport.h"
#include "app/testsupport/StationWindowTest.h"
#include "proof/TableRows.h"
#include "testsupport/RawDatagrams.h"
#include "testsupport/VehicleIds.h"

#include <QApplication>
#include <cstdio>
#include <gtest/gtest.h>

namespace corvane {
namespace {

constexpr int deadlineMs = 60000;

std::string report(const std::string& name, const std::string& id)
{
    return test::rawHead(name, "100", "Cab", id) +
           ",$GPRMC,134530,A,4807.0380,N,01131.0000,E,0.13,309.62,310511,,*10";
}

std::string emergency(const std::string& name, const std::string& id)
{
    return test::rawHead(name, "13", "Cab", id);
}

class StationAlarmDesk : public test::StationWindowTest
{
protected:
    void send(const std::string& datagram) { test::sendDatagram(m_port, datagram); }
    // "vehicle:count ..." of the desk's groups, then "|" and the header's count.
    std::string desk()
    {
        return js("[...document.querySelectorAll('.alarmGroup')].map(function (g) {"
                  " return g.dataset.vehicle.slice(-2) + ':' + "
                  "g.querySelector('.alarmGroupCount').textContent; }).join(' ') + '|' + "
                  "document.getElementById('alarmDeskCount').textContent")
            .toString()
            .toStdString();
    }
    bool deskShows(const std::string& expected)
    {
        return test::waitFor([&] { return desk() == expected; }, deadlineMs);
    }
    bool flashes(const std::string& id)
    {
        return js("!!vehicleAlarms.flashing['" + id + "']").toBool();
    }
    void restart()
    {
        m_window->shutdown();
        m_window.reset();
        SetUp();
    }
};

TEST_F(StationAlarmDesk, OpenAlarmsOutliveARestartAndAcknowledgedOnesDoNot)
{
    const std::string patrol = test::sampleVehicleId(1, "5a7e0000");
    const std::string van = test::sampleVehicleId(2, "5a7e0000");
    send(report("Patrol", patrol));
    send(report("Van", van));
    ASSERT_TRUE(test::waitFor([&] { return js("!!findVehicle('" + van + "')").toBool(); },
                              deadlineMs));
    for (int i = 0; i < 3; ++i)
        send(emergency("Patrol", patrol));
    send(emergency("Van", van));
    // Newest first: Van's alarm came last.
    ASSERT_TRUE(deskShows("02:1 01:3|4")) << desk();

    // One of Patrol's with a note, all of Van's, by the page's own buttons.
    const std::string group = "document.querySelector('.alarmGroup[data-vehicle=\"%s\"]')";
    char patrolGroup[160];
    char vanGroup[160];
    std::snprintf(patrolGroup, sizeof patrolGroup, group.c_str(), patrol.c_str());
    std::snprintf(vanGroup, sizeof vanGroup, group.c_str(), van.c_str());
    js("document.getElementById('alarmNote').value = 'Driver called back';" +
       std::string(patrolGroup) + ".querySelector('.ackOne').click()");
    ASSERT_TRUE(deskShows("02:1 01:2|3")) << desk();
    js(std::string(vanGroup) + ".querySelector('.ackAll').click()");
    ASSERT_TRUE(deskShows("01:2|2")) << desk();
    EXPECT_FALSE(flashes(van));

    TableRows db("app.db");
    EXPECT_EQ(db.number("SELECT count(*) FROM alarm_ack"), 2);
    EXPECT_EQ(test::firstText(db, "SELECT operator || '|' || note FROM alarm_ack ORDER BY "
                                  "event_id LIMIT 1"),
              AlarmDeskFeed::operatorName() + "|Driver called back");

    restart();
    EXPECT_TRUE(deskShows("01:2|2")) << desk();
    EXPECT_TRUE(test::waitFor([&] { return flashes(patrol); }, deadlineMs))
        << "an alarm nobody acknowledged flashes again";
    EXPECT_FALSE(flashes(van));
}

} // namespace
} // namespace corvane

int main(int argc, char** argv)
{
    return corvane::test::runInStation(argc, argv, {{0, 0, 1280, 800}});
}
