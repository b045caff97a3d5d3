#pragma once

#include "app/TrackLoader.h"
#include "data/TrackReplay.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

namespace corvane {

class MapPage;

// A vehicle's stored track on the page, in place of its live view, and the
// replay of it.
//
// show() loads the samples of a range off the GUI thread (TrackLoader); the
// page then gets them in one call, thinned to what a screen can show, with
// start and end marks and their times, and the live marker of that vehicle
// stops following its reports until live() (the page keeps receiving them).
// A range without samples says "No positions in this range." on the page.
// Every sample stays here, for the replay and for export. A range of more
// than TrackLoader::drawnRows samples is drawn from every k-th of them as
// soon as those are read; replay and export wait until every sample is in
// (isComplete(); replayNote() says so meanwhile), and the line drawn stays.
//
// The replay moves a marker along the whole track at pace × real time,
// turning with the course (TrackReplay); a timer steps it while playing.
//
// Ownership: owns the loader, the samples and the timer; borrows the map
// page, which must outlive it. Threads: the GUI thread.
// Throws: only std::bad_alloc (and std::system_error from show() when no
// thread can be started).
class TrackHistory : public QObject
{
    Q_OBJECT

public:
    static constexpr int frameIntervalMs = 40;
    // The page draws at most this many points of a track; the cell they are
    // thinned to is the track's extent over thinPixels.
    static constexpr int thinPixels = 2048;
    static constexpr std::size_t drawnPointLimit = 20000;

    TrackHistory(MapPage& page, std::string databasePath, QObject* parent = nullptr);
    ~TrackHistory() override;

    void show(const std::string& vehicleId, const QString& vehicleName, const TrackRange& range);
    // Back to the live view of every vehicle.
    void live();

    // Showing (or loading) a stored track.
    bool isShown() const { return m_shown; }
    // Until the page has the track (or its message).
    bool isLoading() const { return m_loading; }
    // Every sample of the shown range is in (replay and export can start).
    bool isComplete() const { return m_complete; }
    // Why replay and export wait or are unavailable; empty when they are not.
    QString replayNote() const { return m_note; }
    // "<name>: <from> to <to>", empty while live.
    QString title() const { return m_title; }
    // The name of the vehicle whose track is shown (or was, once live).
    QString vehicleName() const { return m_vehicleName; }
    // Every sample of the shown range; empty until isComplete().
    const std::vector<TrackPoint>& points() const;
    const std::optional<TrackResult>& result() const { return m_result; }

    // The replay (do nothing without samples).
    void play();
    void pause();
    bool isPlaying() const { return m_timer.isActive(); }
    void setPace(int pace);
    int pace() const;
    void seek(double time);
    double startTime() const;
    double endTime() const;
    double now() const;
    // Moves the replay on by realSeconds and puts the marker there; the
    // timer calls it with the time elapsed since its last call.
    void step(double realSeconds);

signals:
    // Shown, loaded, or back to live.
    void changed();
    // The replay marker moved.
    void moved();

private:
    void onLoaded(const TrackResult& result);
    void sendMarker();
    void startReplay();
    void sendTrack(const TrackResult& result);

    MapPage& m_page;
    TrackLoader m_loader;
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::string m_vehicleId;
    QString m_vehicleName;
    QString m_title;
    QString m_note;
    std::optional<TrackResult> m_result;
    std::unique_ptr<TrackReplay> m_replay;
    int m_pace = 1;
    bool m_shown = false;
    bool m_loading = false;
    bool m_complete = false;
};

} // namespace corvane
