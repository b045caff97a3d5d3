#include "app/TrackHistory.h"

#include "browser/scriptcalls/MapPage.h"
#include "data/TrackThinner.h"

namespace corvane {

namespace {

const std::vector<TrackPoint> noPoints;

} // namespace

TrackHistory::TrackHistory(MapPage& page, std::string databasePath, QObject* parent)
    : QObject(parent), m_page(page), m_loader(std::move(databasePath))
{
    m_timer.setInterval(frameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const double elapsed = static_cast<double>(m_clock.restart()) / 1000.0;
        step(elapsed);
    });
    connect(&m_loader, &TrackLoader::loaded, this, &TrackHistory::onLoaded);
}

TrackHistory::~TrackHistory() = default;

void TrackHistory::show(const std::string& vehicleId, const QString& vehicleName,
                        const TrackRange& range)
{
    pause();
    m_vehicleId = vehicleId;
    m_vehicleName = vehicleName;
    m_result.reset();
    m_replay.reset();
    m_shown = true;
    m_loading = true;
    m_complete = false;
    m_note.clear();
    m_title = vehicleName + QStringLiteral(": loading...");
    m_loader.load(vehicleId, range);
    // The page answers at once (a long range takes its time to read); the
    // track replaces this when it comes.
    m_page.showTrackHistory(vehicleId, m_title.toStdString(), "Loading positions...");
    emit changed();
}

void TrackHistory::live()
{
    if (!m_shown)
        return;
    pause();
    // Every sample of a long range may still be being read: not needed now.
    m_loader.cancel();
    m_shown = false;
    m_loading = false;
    m_complete = false;
    m_note.clear();
    m_result.reset();
    m_replay.reset();
    m_title.clear();
    m_page.showLiveView();
    emit changed();
}

void TrackHistory::onLoaded(const TrackResult& result)
{
    if (!m_shown || result.vehicleId != m_vehicleId)
        return;
    if (!m_loading) {
        // Every sample of a range that was drawn from a sample of it: the
        // line stays as drawn, the replay and export get the whole track.
        if (result.error.isEmpty()) {
            m_result = result;
            m_complete = true;
            m_note.clear();
            startReplay();
        } else {
            m_note = QStringLiteral("Replay and export are not available: ") + result.error;
        }
        emit changed();
        return;
    }
    m_loading = false;
    m_result = result;
    m_complete = result.complete;
    if (m_complete)
        startReplay();
    else
        m_note = QStringLiteral("Reading all %1 samples for replay and export...")
                     .arg(static_cast<qulonglong>(result.rows));
    m_title = result.from.empty() ? m_vehicleName
                                  : QStringLiteral("%1: %2 to %3")
                                        .arg(m_vehicleName, QString::fromStdString(result.from),
                                             QString::fromStdString(result.to));
    // Told before the page is: a page that answers at once may let the
    // whole range in meanwhile.
    emit changed();
    sendTrack(result);
}

void TrackHistory::startReplay()
{
    m_replay = std::make_unique<TrackReplay>(m_result->points);
    m_replay->setPace(m_pace);
}

void TrackHistory::sendTrack(const TrackResult& result)
{
    const std::vector<TrackPoint>& points = *result.points;
    const std::string title = m_title.toStdString();
    if (!result.error.isEmpty()) {
        m_page.showTrackHistory(result.vehicleId, title,
                                ("The track could not be read: " + result.error).toStdString());
    } else if (points.empty()) {
        m_page.showTrackHistory(result.vehicleId, title, "No positions in this range.");
    } else {
        // A sampled answer counts the samples in range, not those drawn.
        const auto count = static_cast<std::int64_t>(result.complete ? points.size() : result.rows);
        m_page.showTrackHistory(result.vehicleId, title, points,
                                TrackThinner::thin(points, thinPixels, drawnPointLimit), count);
    }
}

const std::vector<TrackPoint>& TrackHistory::points() const
{
    return m_result && m_complete ? *m_result->points : noPoints;
}

void TrackHistory::play()
{
    if (m_replay == nullptr || m_replay->empty())
        return;
    if (m_replay->now() >= m_replay->endTime())
        m_replay->seek(m_replay->startTime());
    m_clock.start();
    m_timer.start();
    emit moved();
}

void TrackHistory::pause()
{
    m_timer.stop();
}

void TrackHistory::setPace(int pace)
{
    m_pace = pace;
    if (m_replay)
        m_replay->setPace(pace);
}

int TrackHistory::pace() const
{
    return m_pace;
}

void TrackHistory::seek(double time)
{
    if (m_replay == nullptr || m_replay->empty())
        return;
    m_replay->seek(time);
    sendMarker();
}

double TrackHistory::startTime() const
{
    return m_replay ? m_replay->startTime() : 0.0;
}

double TrackHistory::endTime() const
{
    return m_replay ? m_replay->endTime() : 0.0;
}

double TrackHistory::now() const
{
    return m_replay ? m_replay->now() : 0.0;
}

void TrackHistory::step(double realSeconds)
{
    if (m_replay == nullptr || m_replay->empty())
        return;
    if (!m_replay->advance(realSeconds))
        pause();
    sendMarker();
}

void TrackHistory::sendMarker()
{
    m_page.moveHistoryMarker(m_replay->at(m_replay->now()));
    emit moved();
}

} // namespace corvane
