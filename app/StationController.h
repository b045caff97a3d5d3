#pragma once

#include "base/DateTime.h"
#include "base/UniqueID.h"

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace corvane {

class CallbackInfo;
class DropCounts;
class MapPage;
class StationRecords;
class VehicleInfo;
class ZoneAlarms;

// What the station does with every piece of work about its vehicles: the
// recorders' callbacks (from the CallbackDecider's thread), the page's
// requests and the operator's commands (from the window's). It decides which
// vehicle records change, what is queued for the database and which calls go
// to the map page (MapPage, in the station through the PageCallRelay); the
// window (CorvaneDlg) adds what needs the toolkit (message boxes, dialogs,
// the browser) and calls in here.
//
// Rules kept here:
// - a callback without a usable vehicle identifier (none, not a GUID, or the
//   all-zero one) changes nothing and is counted;
// - an alarm event or details message from a vehicle that has never sent a
//   position report changes nothing and is counted;
// - a GPS report without a position (receiver without a fix, or coordinates
//   that GPSReading does not take) is stored as a sample but moves nothing,
//   keeps the vehicle's last position and changes nothing in its zones;
// - a deleted vehicle is never shown again and no callback changes it, but
//   its GPS samples are still stored;
// - a failed queue put is traced ("INSERT FALSE", "UPDATE FALSE",
//   "Insert False") and the work goes on;
// - page calls go to the map page whether or not the page is there; its
//   sink keeps what waits for the page, and the page gets the whole state from
//   pageLoaded(). Only a vehicle created while the page is away
//   (pageUnavailable() until pageLoaded()) is not announced at once: the
//   whole state announces it as added, so the page never gets it twice.
//
// Ownership: uses the records store and the map page, owns neither; both must
// outlive the controller.
// Threads: any thread. Every public call holds the records' lock
// (StationRecords::mutex()) throughout, so a callback is decided whole
// between two of the operator's commands, and the page calls of both reach
// the map page's sink in the order they were decided. The setters and the
// zone alarms are set before callbacks flow.
// Throws: only std::bad_alloc.
class StationController
{
public:
    StationController(StationRecords& records, MapPage& page);

    // While the returned lock is held no callback is decided and no command
    // runs on another thread (the window gives the page its whole state
    // under it).
    std::unique_lock<std::recursive_mutex> hold();

    // A received callback, by its type: below 100 an alarm event, 100 a GPS
    // report, 101 vehicle details; any other type is ignored. The record's
    // name may be replaced by the operator's name of the vehicle.
    void handleCallback(CallbackInfo& record);

    // Where dropped callbacks are counted; may be null.
    void setDropCounts(DropCounts* counts) { m_counts = counts; }

    // What checks each report with a position against the zones and speed
    // limits; may be null (none).
    void setZoneAlarms(ZoneAlarms* zones) { m_zones = zones; }

    // The page has finished loading: the time-out, every vehicle that is not
    // deleted, the one the station heard from last first (the page lists
    // only so many; the recorders' clocks play no part;
    // with its reported name when the operator renamed it, for the page's
    // search), the zones watched (setZoneAlarms), and the sort.
    // Vehicles created while the page is away (those since pageUnavailable())
    // are sent as new ones ("is added").
    void pageLoaded(int timeoutMinutes);

    // The page is not there (not loaded yet, reloading after a loss) until
    // the next pageLoaded().
    void pageUnavailable();

    // The page renamed a vehicle (empty name: show the reported name again).
    void changeName(const std::string& id, const std::string& name);

    // The page stored a vehicle's picture path and free information texts.
    void updateOptionalInfo(const std::string& id, const std::string& imagePath,
                            const std::string& info1, const std::string& info2);

    // The vehicle editor closed; accepted when it ended with OK.
    void vehicleEdited(const std::string& id, bool accepted);

    // The operator answered the delete question for a vehicle.
    void removeVehicle(const std::string& id, bool confirmed);

    // The operator chose a picture file for a vehicle.
    void imageChosen(const std::string& id, const std::string& path);

    // A modal dialog (event log, setup) is about to open over the page.
    void dialogOpening();

    void timeoutChanged(int minutes);

    // The browser window now has this client size.
    void pageResized(int width, int height);

    // The display time text of a callback time (as stored and shown).
    static std::string displayTime(const DateTime& time);

    // A coordinate as stored in a vehicle record: fixed-point, six decimals,
    // whatever the process locale.
    static std::string coordinateText(double degrees);

private:
    void handleEvent(CallbackInfo& record);
    void handleGpsReport(const CallbackInfo& record);
    void handleDetails(const CallbackInfo& record);
    VehicleInfo* find(const std::string& idText);
    void update(VehicleInfo& vehicle);
    // A sample or event the writer refused: traced and counted as dropped.
    void countUnstored(const char* trace);
    void countUnknownVehicle();
    void setReportedName(VehicleInfo& vehicle, const std::string& name);
    // The heard order of a report handled now.
    std::int64_t nextHeard();

    StationRecords& m_records;
    MapPage& m_page;
    DropCounts* m_counts = nullptr;
    ZoneAlarms* m_zones = nullptr;
    std::int64_t m_lastHeard = 0;
    bool m_heardCounted = false;
    bool m_pageThere = true;
    // The vehicles created while the page was away.
    std::set<UniqueID> m_createdWhileAway;
};

} // namespace corvane
