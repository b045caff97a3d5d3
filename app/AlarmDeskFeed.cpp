#include "app/AlarmDeskFeed.h"

#include "base/Trace.h"
#include "base/UniqueID.h"
#include "browser/scriptcalls/MapPage.h"
#include "data/AlarmAck.h"
#include "data/DBManager.h"
#include "data/OpenAlarms.h"
#include "dialogs/AlarmKinds.h"

#include <cstdlib>
#include <ctime>
#include <pwd.h>
#include <unistd.h>

namespace corvane {

namespace {

// A positive decimal id, digits only; 0 when the text is anything else.
std::int64_t parseId(const std::string& text)
{
    if (text.empty() || text.size() > 18)
        return 0;
    std::int64_t id = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        id = id * 10 + (c - '0');
    }
    return id;
}

} // namespace

AlarmDeskFeed::AlarmDeskFeed(MapPage& page, const OpenAlarms& alarms, QObject* parent)
    : QObject(parent), m_page(page), m_alarms(alarms)
{
    m_timer.setInterval(pollMs);
    connect(&m_timer, &QTimer::timeout, this, &AlarmDeskFeed::look);
}

void AlarmDeskFeed::setAlarmKinds(std::uint32_t mask)
{
    m_alarmMask = mask;
    applyKinds();
}

void AlarmDeskFeed::setZoneAlarmKinds(std::uint32_t mask)
{
    m_zoneMask = mask;
    applyKinds();
}

void AlarmDeskFeed::applyKinds()
{
    DBManager::getInstance().setAlarmKinds(AlarmKinds(m_alarmMask, m_zoneMask).types());
}

void AlarmDeskFeed::resend()
{
    m_sentAny = false;
    if (!m_timer.isActive())
        m_timer.start();
    look();
}

void AlarmDeskFeed::look()
{
    if (m_sentAny && m_alarms.generation() == m_sent)
        return;
    const OpenAlarms::Snapshot open = m_alarms.snapshot(maxAlarms, maxVehicles);
    m_page.setOpenAlarms(open);
    m_sent = open.generation;
    m_sentAny = true;
}

void AlarmDeskFeed::acknowledge(const std::string& eventId, const std::string& vehicleId,
                                const std::string& note)
{
    AlarmAck ack;
    ack.event_id = parseId(eventId);
    if (ack.event_id == 0)
        return refuse("The alarm to acknowledge is not known.");
    if (!vehicleId.empty()) {
        ack.wholeVehicle = true;
        ack.vehicle_id = UniqueID(vehicleId.c_str());
        if (ack.vehicle_id.isZero())
            return refuse("The vehicle whose alarms to acknowledge is not known.");
    }
    ack.acknowledged = stationTime();
    ack.setOperator(operatorName());
    ack.setNote(note);
    if (!DBManager::getInstance().enqueue(ack))
        return refuse("The acknowledgement could not be stored now; the alarm stays open.");
    DBManager::getInstance().requestBatch();
}

void AlarmDeskFeed::refuse(const std::string& reason)
{
    traceMessage("Alarm acknowledgement refused: %s", reason.c_str());
    m_page.alarmAckRefused(reason);
}

std::string AlarmDeskFeed::operatorName()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr && found->pw_name[0] != '\0')
        return found->pw_name;
    // A user without an entry (a container's uid): the name the shell gives,
    // else the number.
    for (const char* variable : {"LOGNAME", "USER"}) {
        const char* name = std::getenv(variable);
        if (name != nullptr && name[0] != '\0')
            return name;
    }
    return std::to_string(geteuid());
}

std::string AlarmDeskFeed::stationTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(text, length);
}

} // namespace corvane
