#pragma once

#include <string>

namespace corvane {

// The main window's side of the page's native functions (cef.extension.*).
// Called on the GUI thread, one call per page request, with narrow (UTF-8)
// texts that are only valid for the call. Must not throw.
class CefClientV8Listener
{
public:
    virtual ~CefClientV8Listener() = default;

    virtual void onClickLog() = 0;
    virtual void onClickSetup() = 0;
    virtual void onClickEdit(const std::string& id) = 0;
    virtual void onClickRemove(const std::string& id) = 0;
    virtual void onChangeName(const std::string& id, const std::string& name) = 0;
    virtual void onUpdateOptionalInfo(const std::string& id, const std::string& imagePath,
                                      const std::string& info1, const std::string& info2) = 0;
    virtual void onClickImgBtn(const std::string& id) = 0;
    // The operator switched the alarm sound off (muted) or on in the page's
    // header. Listeners that keep no settings ignore it.
    virtual void onChangeAlarmMute(bool muted) { (void)muted; }
    // "Track history..." in the vehicle pop-up or the list's menu.
    virtual void onClickTrackHistory(const std::string& id) {}
    // A zone drawn on the map and named (id empty), or a zone's new shape
    // (name empty); geometry is the page's GeoJSON text.
    virtual void onZoneSaved(const std::string& id, const std::string& name,
                             const std::string& geometry)
    {}
    // A zone removed on the map.
    virtual void onZoneDeleted(const std::string& id) {}
    // The operator acknowledged an open alarm (vehicleId empty: the alarm
    // eventId) or every open alarm of vehicleId up to eventId, with a note
    // that may be empty. The texts are the page's, unchecked.
    virtual void onAcknowledgeAlarms(const std::string& eventId, const std::string& vehicleId,
                                     const std::string& note)
    {}
};

} // namespace corvane
