#pragma once

#include "base/DateTime.h"
#include "base/ThreadAffinity.h"
#include "base/UniqueID.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace corvane {

class CallbackInfo;
class DropCounts;
class MapPage;
class StationRecords;
class VehicleInfo;

// What the main window does with every piece of work that reaches it: the
// recorders' callbacks, the page's requests and the operator's commands. It
// decides which vehicle records change, what is queued for the database and
// which calls go to the map page (MapPage); the window (CorvaneDlg) adds what needs
// the toolkit (message boxes, dialogs, the browser) and calls in here.
//
// Rules kept here:
// - a callback without a usable vehicle identifier (none, not a GUID, or the
//   all-zero one) changes nothing and is counted;
// - an alarm event or details message from a vehicle that has never sent a
//   position report changes nothing and is counted;
// - a GPS report without a position (receiver without a fix, or coordinates
//   that GPSReading does not take) is stored as a sample but moves nothing
//   and keeps the vehicle's last position;
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
// outlive the controller. Threads: the main window's thread only (the thread
// that made it; debug builds check every public call).
// Throws: only std::bad_alloc.
class StationController
{
public:
    StationController(StationRecords& records, MapPage& page);

    // A received callback, by its type: below 100 an alarm event, 100 a GPS
    // report, 101 vehicle details; any other type is ignored. The record's
    // name may be replaced by the operator's name of the vehicle.
    void handleCallback(CallbackInfo& record);

    // Where dropped callbacks are counted; may be null.
    void setDropCounts(DropCounts* counts) { m_counts = counts; }

    // The page has finished loading: the time-out, every vehicle that is not
    // deleted, the one the station heard from last first (the page lists
    // only so many; the recorders' clocks play no part;
    // with its reported name when the operator renamed it, for the page's
    // search), and the sort.
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
    std::int64_t m_lastHeard = 0;
    bool m_heardCounted = false;
    bool m_pageThere = true;
    // The vehicles created while the page was away.
    std::set<UniqueID> m_createdWhileAway;
    ThreadAffinity m_guiThread;
};

} // namespace corvane
