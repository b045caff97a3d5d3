#pragma once

#include "app/TrackLoader.h"
#include "base/ThreadAffinity.h"
#include "browser/CefClientV8Listener.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>

class QWidget;

namespace corvane {

class ReceptionHandoff;
class StationController;
class StationRecords;

// What the operator asks of the station from the page (its native functions)
// and the dialogs that answer: the event log, the setup, the vehicle editor,
// the delete question, the image chooser and the stored track's range. A
// request that opens a dialog does so once the page's call has returned (a
// queued call to this object), so that the modal run does not hold the
// page's channel until the operator answers; a name, the optional details
// and the alarm sound's switch are applied at once.
//
// What a dialog saves reaches the station through its signals: the setup's
// port goes to the reception, its time-out to the controller, its days kept
// to the database writer, its alarm kinds out through alarmKindsChanged and
// zoneAlarmKindsChanged, its speed limit out through speedLimitChanged, its
// list limit out through listLimitChanged, its tile files, cache size and
// cache clearing out through tileFilesChanged, tileCacheChanged and
// cacheClearRequested; the senders' list is read again when the setup has
// closed, however it closed.
// A chosen stored track goes out through storedTrackChosen.
//
// Ownership: borrows the window (the dialogs' parent), the records, the
// controller and the reception, which must outlive it; each dialog lives on
// the stack for its modal run. Threads: the GUI thread only.
// Throws: never but std::bad_alloc (the listener calls must not throw).
class DialogWiring final : public QObject, public CefClientV8Listener
{
    Q_OBJECT

public:
    DialogWiring(QWidget* window, StationRecords& records, StationController& controller,
                 ReceptionHandoff& reception);

    void onClickLog() override;
    void onClickSetup() override;
    void onClickEdit(const std::string& id) override;
    void onClickRemove(const std::string& id) override;
    void onChangeName(const std::string& id, const std::string& name) override;
    void onUpdateOptionalInfo(const std::string& id, const std::string& imagePath,
                              const std::string& info1, const std::string& info2) override;
    void onClickImgBtn(const std::string& id) override;
    void onChangeAlarmMute(bool muted) override;
    void onClickTrackHistory(const std::string& id) override;
    // Zone edits on the map go out through zoneSaved and zoneDeleted.
    void onZoneSaved(const std::string& id, const std::string& name,
                     const std::string& geometry) override;
    void onZoneDeleted(const std::string& id) override;
    void onAcknowledgeAlarms(const std::string& eventId, const std::string& vehicleId,
                             const std::string& note) override;

signals:
    // The operator chose a range of a vehicle's stored track; name is the
    // vehicle's shown name (its identifier when it is not known).
    void storedTrackChosen(const std::string& id, const QString& name, const TrackRange& range);
    // The setup saved new alarm kinds: the mask of the known types.
    void alarmKindsChanged(std::uint32_t mask);
    // The page's acknowledgement, its texts unchecked (AlarmDeskFeed checks).
    void alarmsAcknowledged(const std::string& eventId, const std::string& vehicleId,
                            const std::string& note);
    void zoneAlarmKindsChanged(std::uint32_t mask);
    void zoneSaved(const std::string& id, const std::string& name, const std::string& geometry);
    void zoneDeleted(const std::string& id);
    // The speed limit outside zones, km/h (0: none).
    void speedLimitChanged(int kmh);
    // The most vehicles the page lists.
    void listLimitChanged(int vehicles);
    // The operator's MBTiles files, in answer order.
    void tileFilesChanged(const QStringList& paths);
    void tileCacheChanged(int megabytes);
    void cacheClearRequested();

private:
    // Runs step on this thread once the current call has returned.
    template <typename Step>
    void later(Step step);
    void showLog();
    void showSetup();
    void editVehicle(const std::string& id);
    void removeVehicle(const std::string& id);
    void chooseImage(const std::string& id);
    void chooseStoredTrack(const std::string& id);

    QWidget* m_window;
    StationRecords& m_records;
    StationController& m_controller;
    ReceptionHandoff& m_reception;
    // The GUI thread, which made the object; debug builds check the calls.
    ThreadAffinity m_guiThread;
};

} // namespace corvane
