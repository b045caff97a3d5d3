#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace corvane {

class TrackHistory;

// The bar under the map while a stored track is shown: play/pause, the pace
// (x1 to x64), a time slider that can be dragged, the replay time, export of
// the track to GPX or KML, and "Live" back to the live view. Replay and
// export wait, and the bar says so, until every sample of the range is in.
// The bar names only the vehicle (the page's banner gives the range), elided
// to at most titleShare of the bar's width, so that the slider keeps the
// spare width; the whole name is the title's tool tip.
//
// Ownership: Qt's parent rules; borrows the history, which must outlive the
// bar. Threads: the GUI thread. Throws: only std::bad_alloc.
class TrackReplayBar : public QWidget
{
public:
    static constexpr int sliderSteps = 10000;
    // The title takes at most 1/titleShare of the bar's width.
    static constexpr int titleShare = 6;

    TrackReplayBar(TrackHistory& history, QWidget* parent = nullptr);

    // Writes the shown track to path as GPX (gpx true) or KML; on failure
    // tells the operator why and returns false (no partial file is left).
    bool exportTrack(const QString& path, bool gpx);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    // The vehicle's name elided to the share of barWidth; whole when barWidth < 0.
    void showTitle(int barWidth);
    void showTime();
    void chooseExport(bool gpx);

    TrackHistory& m_history;
    QPushButton* m_play = nullptr;
    QComboBox* m_pace = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_time = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_gpx = nullptr;
    QPushButton* m_kml = nullptr;
    QPushButton* m_live = nullptr;
};

} // namespace corvane
