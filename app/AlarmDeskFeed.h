#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <string>

namespace corvane {

class MapPage;
class OpenAlarms;

// The station's side of the map page's alarm desk. It tells the database
// which event types are alarms (the bits of "page/AlarmKinds" and
// "page/ZoneAlarmKinds"), sends the page the open alarms each time the
// writer has committed a change to them (looked for every pollMs, at most
// maxAlarms alarms and maxVehicles vehicles per call), and queues the
// operator's acknowledgements: checked, with the operator's login name and
// the station's time, after the alarms they name. What it refuses is traced
// and told on the page (alarmAckRefused); nothing is stored then.
//
// Ownership: borrows the page and the open alarms, which must outlive it.
// Threads: the GUI thread. Throws: std::bad_alloc only.
class AlarmDeskFeed final : public QObject
{
public:
    static constexpr int pollMs = 250;
    static constexpr std::size_t maxAlarms = 500;
    static constexpr std::size_t maxVehicles = 200;

    AlarmDeskFeed(MapPage& page, const OpenAlarms& alarms, QObject* parent = nullptr);

    // The chosen kinds ("page/AlarmKinds", "page/ZoneAlarmKinds", see
    // AlarmKinds); either change reads the open alarms again. Set both
    // before the days retention keeps: retention spares the open alarms.
    void setAlarmKinds(std::uint32_t mask);
    void setZoneAlarmKinds(std::uint32_t mask);
    // Starts sending; the next look sends the whole list even if nothing
    // changed (a page loaded again has none).
    void resend();

    // From the page: eventId a decimal id; vehicleId empty for that one
    // alarm, or the vehicle whose open alarms up to eventId are meant.
    void acknowledge(const std::string& eventId, const std::string& vehicleId,
                     const std::string& note);

    // The login name of the user the station runs as.
    static std::string operatorName();
    // The station's clock as "%Y-%m-%d %H:%M:%S".
    static std::string stationTime();

private:
    void look();
    void applyKinds();
    void refuse(const std::string& reason);

    MapPage& m_page;
    const OpenAlarms& m_alarms;
    QTimer m_timer;
    std::uint64_t m_sent = 0; // the generation last sent; 0: none
    bool m_sentAny = false;
    std::uint32_t m_alarmMask = 0;
    std::uint32_t m_zoneMask = 0;
};

} // namespace corvane
