#include "app/StationController.h"

#include "app/StationRecords.h"
#include "app/ZoneAlarms.h"
#include "base/FormatableBuffer.h"
#include "base/Trace.h"
#include "browser/scriptcalls/MapPage.h"
#include "browser/scriptcalls/ScriptCalls.h"
#include "callback/AppConstants.h"
#include "callback/CallbackInfo.h"
#include "callback/DropCounts.h"
#include "callback/GPSInfo.h"
#include "data/DisplayTime.h"
#include "data/VehicleInfo.h"
#include "data/VehicleInfoContainer.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <mutex>

namespace corvane {

namespace {

// The details keys a details message may carry, and the vehicle field each fills.
struct DetailField
{
    const char* key;
    std::string VehicleInfo::*field;
};

constexpr DetailField detailFields[] = {
    {"Company", &VehicleInfo::company}, {"Maker", &VehicleInfo::maker},
    {"Model", &VehicleInfo::model},     {"Registration", &VehicleInfo::registration},
    {"Driver", &VehicleInfo::driver},   {"License", &VehicleInfo::license},
};

} // namespace

StationController::StationController(StationRecords& records, MapPage& page)
    : m_records(records), m_page(page)
{}

std::string StationController::displayTime(const DateTime& time)
{
    FormatableBuffer<64> text;
    formatDisplayTime(time, text);
    return text.getText();
}

std::string StationController::coordinateText(double degrees)
{
    // "%f" would follow LC_NUMERIC, which the toolkit sets from the user's
    // environment; the stored text must always use a decimal point.
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, degrees, std::chars_format::fixed, 6);
    if (result.ec != std::errc())
        return {};
    return std::string(text, result.ptr);
}

std::unique_lock<std::recursive_mutex> StationController::hold()
{
    return std::unique_lock(m_records.mutex());
}

VehicleInfo* StationController::find(const std::string& idText)
{
    return m_records.findVehicle(UniqueID(idText.c_str()));
}

void StationController::update(VehicleInfo& vehicle)
{
    if (!m_records.updateVehicle(vehicle))
        traceMessage("UPDATE FALSE");
}

void StationController::countUnstored(const char* trace)
{
    // The record is lost for good: the operator sees how many in the drop
    // figures, not only the trace.
    traceMessage("%s", trace);
    if (m_counts != nullptr)
        m_counts->countUnstored();
}

void StationController::handleCallback(CallbackInfo& record)
{
    std::lock_guard lock(m_records.mutex());
    // The all-zero id stands for a missing or unreadable one: such a record
    // would otherwise become a new vehicle, again and again.
    if (record.getId().isZero()) {
        if (m_counts != nullptr)
            m_counts->countUnidentified();
        return;
    }
    const int type = record.getType();
    if (type < AppConstants::gpsMessageType)
        handleEvent(record);
    else if (type == AppConstants::gpsMessageType)
        handleGpsReport(record);
    else if (type == AppConstants::optionalInfoMessageType)
        handleDetails(record);
}

void StationController::countUnknownVehicle()
{
    // Dropped on purpose, but the operator should see that someone sends them.
    if (m_counts != nullptr)
        m_counts->countUnknownVehicle();
}

void StationController::handleEvent(CallbackInfo& record)
{
    VehicleInfo* vehicle = m_records.findVehicle(record.getId());
    if (vehicle == nullptr) {
        countUnknownVehicle();
        return;
    }
    // The stored event carries the operator's name for the vehicle.
    if (!vehicle->edited_name.empty() && vehicle->edited_name != record.getName())
        record.setName(vehicle->edited_name);
    if (vehicle->deleted)
        return;
    if (!m_records.addEvent(record))
        countUnstored("INSERT FALSE");
    m_page.updateEventInfo(record);
}

void StationController::handleGpsReport(const CallbackInfo& record)
{
    const std::string time = displayTime(record.getTime());
    VehicleInfo* vehicle = m_records.findVehicle(record.getId());
    const bool known = vehicle != nullptr;
    if (!known) {
        std::unique_ptr<VehicleInfo> created =
            VehicleInfoContainer::create(record.getId(), record.getName().c_str(), time.c_str());
        if (m_pageThere)
            m_page.insertVehicle(false, *created);
        else
            m_createdWhileAway.insert(created->id);
        if (!m_records.insertVehicle(std::move(created)))
            traceMessage("INSERT FALSE");
        vehicle = m_records.findVehicle(record.getId());
    }
    if (vehicle != nullptr)
        vehicle->heard = nextHeard();
    // A known vehicle's row is written once per report: when the report
    // moves it, the one update carries its new time and name as well.
    bool updated = false;
    if (known && !vehicle->deleted) {
        vehicle->last_updated_time = time;
        setReportedName(*vehicle, record.getName());
        m_page.updateVehicle(*vehicle);
        updated = true;
    }

    const std::string& sentence = record.getGpsData();
    // The one reading of the sentence: the page gets its values, the record
    // its position. Without a fix the receiver sends no position; the sample
    // is still kept as received.
    if (!sentence.empty() && vehicle != nullptr && !vehicle->deleted) {
        const GPSInfo gps(sentence);
        if (gps.hasPosition()) {
            m_page.moveTo(vehicle->id, gps.reading());
            vehicle->last_updated_latitude = coordinateText(gps.latitude());
            vehicle->last_updated_longitude = coordinateText(gps.longitude());
            updated = true;
            // Zones and speed: only a position counts.
            if (m_zones != nullptr)
                m_zones->check(record, gps,
                               vehicle->edited_name.empty() ? record.getName()
                                                            : vehicle->edited_name);
        }
    }
    if (updated)
        update(*vehicle);
    if (sentence.empty())
        return;
    // Samples of deleted vehicles are kept as well: the track stays complete.
    if (!m_records.addGpsSample(time, record.getId(), sentence))
        countUnstored("Insert False");
}

std::int64_t StationController::nextHeard()
{
    // Above every order loaded with the vehicles, so this run's reports come
    // first.
    if (!m_heardCounted) {
        m_records.forEachVehicle(
            [this](VehicleInfo& vehicle) { m_lastHeard = std::max(m_lastHeard, vehicle.heard); });
        m_heardCounted = true;
    }
    return ++m_lastHeard;
}

void StationController::setReportedName(VehicleInfo& vehicle, const std::string& name)
{
    // The page searches the reported name too; it only needs it while another
    // name is shown.
    if (vehicle.name == name)
        return;
    vehicle.name = name;
    if (!vehicle.edited_name.empty())
        m_page.setReportedName(vehicle);
}

void StationController::handleDetails(const CallbackInfo& record)
{
    VehicleInfo* vehicle = m_records.findVehicle(record.getId());
    if (vehicle == nullptr)
        countUnknownVehicle();
    if (vehicle == nullptr || vehicle->deleted)
        return;
    // A key the message lacks leaves what the station already knows.
    const CallbackInfo::OptionalInfo& details = record.getOptionalInfo();
    for (const DetailField& detail : detailFields) {
        const auto found = details.find(detail.key);
        if (found != details.end())
            (*vehicle).*detail.field = found->second;
    }
    setReportedName(*vehicle, record.getName());
    m_page.updateOptionalInfo(*vehicle);
    update(*vehicle);
}

void StationController::pageLoaded(int timeoutMinutes)
{
    std::lock_guard lock(m_records.mutex());
    m_page.resetTimeout(timeoutMinutes);
    std::vector<VehicleInfo*> shown;
    m_records.forEachVehicle([&shown](VehicleInfo& vehicle) {
        if (!vehicle.deleted)
            shown.push_back(&vehicle);
    });
    // The page lists only so many: those the station heard from last come
    // first, so no sender can push the fleet out with identifiers that sort
    // early or a clock that runs ahead. Vehicles it has no order for (stored
    // before it kept one) follow, by their time (the display time text sorts
    // as the time it shows).
    std::stable_sort(shown.begin(), shown.end(), [](const VehicleInfo* a, const VehicleInfo* b) {
        if (a->heard != b->heard)
            return a->heard > b->heard;
        return a->last_updated_time > b->last_updated_time;
    });
    for (VehicleInfo* vehicle : shown) {
        const bool created = m_createdWhileAway.count(vehicle->id) != 0;
        // Normalises the picture path in memory on the way.
        m_page.insertVehicle(!created, *vehicle);
        if (!vehicle->edited_name.empty())
            m_page.setReportedName(*vehicle);
    }
    if (m_zones != nullptr)
        m_page.setZones(m_zones->drawings());
    m_page.sortVehicleList();
    m_createdWhileAway.clear();
    m_pageThere = true;
}

void StationController::pageUnavailable()
{
    std::lock_guard lock(m_records.mutex());
    m_pageThere = false;
}

void StationController::changeName(const std::string& id, const std::string& name)
{
    std::lock_guard lock(m_records.mutex());
    VehicleInfo* vehicle = find(id);
    if (vehicle == nullptr)
        return;
    if (name == vehicle->name)
        vehicle->edited_name.clear();
    else if (!name.empty()) {
        vehicle->edited_name = name;
        m_page.setReportedName(*vehicle);
    } else
        m_page.updateVehicleName(*vehicle);
    update(*vehicle);
}

void StationController::updateOptionalInfo(const std::string& id, const std::string& imagePath,
                                           const std::string& info1, const std::string& info2)
{
    std::lock_guard lock(m_records.mutex());
    VehicleInfo* vehicle = find(id);
    if (vehicle == nullptr)
        return;
    vehicle->image_path = imagePath;
    vehicle->info1 = info1;
    vehicle->info2 = info2;
    update(*vehicle);
}

void StationController::vehicleEdited(const std::string& id, bool accepted)
{
    std::lock_guard lock(m_records.mutex());
    if (accepted) {
        if (VehicleInfo* vehicle = find(id))
            m_page.updateUserDefinedInfo(*vehicle);
    }
    m_page.enableTooltip();
}

void StationController::removeVehicle(const std::string& id, bool confirmed)
{
    std::lock_guard lock(m_records.mutex());
    if (confirmed) {
        if (VehicleInfo* vehicle = find(id)) {
            vehicle->deleted = true;
            update(*vehicle);
            m_page.deleteVehicle(id);
        }
    }
    m_page.enableTooltip();
}

void StationController::imageChosen(const std::string& id, const std::string& path)
{
    std::lock_guard lock(m_records.mutex());
    VehicleInfo* vehicle = find(id);
    if (vehicle == nullptr)
        return;
    vehicle->image_path = ScriptCalls::normaliseImagePath(path);
    m_page.updateImgPath(*vehicle);
    update(*vehicle);
}

void StationController::dialogOpening()
{
    std::lock_guard lock(m_records.mutex());
    m_page.hideTooltip();
}

void StationController::timeoutChanged(int minutes)
{
    std::lock_guard lock(m_records.mutex());
    m_page.resetTimeout(minutes);
}

void StationController::pageResized(int width, int height)
{
    std::lock_guard lock(m_records.mutex());
    m_page.setPageSize(width, height);
}

} // namespace corvane
