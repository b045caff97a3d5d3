#include "data/TrackReplay.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

constexpr double pi = 3.14159265358979323846;

bool samePlace(const TrackPoint& a, const TrackPoint& b) noexcept
{
    return a.latitude == b.latitude && a.longitude == b.longitude;
}

// Initial great-circle bearing from a to b, degrees 0..360.
double bearing(const TrackPoint& a, const TrackPoint& b) noexcept
{
    const double rad = pi / 180.0;
    const double phi1 = a.latitude * rad, phi2 = b.latitude * rad;
    const double dl = (b.longitude - a.longitude) * rad;
    const double y = std::sin(dl) * std::cos(phi2);
    const double x =
        std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dl);
    const double deg = std::atan2(y, x) / rad;
    return deg < 0 ? deg + 360.0 : deg;
}

} // namespace

TrackReplay::TrackReplay(std::shared_ptr<const std::vector<TrackPoint>> points)
    : m_points(std::move(points))
{
    const std::vector<TrackPoint>& p = *m_points;
    const std::size_t n = p.size();
    m_courses.assign(n, 0.0);
    // Index of the next sample at another place, n when there is none.
    std::vector<std::size_t> next(n, n);
    for (std::size_t i = n; i-- > 1;)
        next[i - 1] = samePlace(p[i - 1], p[i]) ? next[i] : i;
    double known = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i].course >= 0)
            known = p[i].course;
        else if (next[i] < n)
            known = bearing(p[i], p[next[i]]);
        m_courses[i] = known;
    }
    m_now = startTime();
}

double TrackReplay::startTime() const noexcept
{
    return m_points->empty() ? 0.0 : static_cast<double>(m_points->front().time);
}

double TrackReplay::endTime() const noexcept
{
    return m_points->empty() ? 0.0 : static_cast<double>(m_points->back().time);
}

double TrackReplay::courseAt(std::size_t index) const noexcept
{
    return m_courses[index];
}

TrackReplay::Position TrackReplay::at(double time) const noexcept
{
    Position result;
    const std::vector<TrackPoint>& p = *m_points;
    if (p.empty())
        return result;
    time = std::clamp(time, startTime(), endTime());
    // The first sample later than time; the one before it has been passed.
    const auto later =
        std::upper_bound(p.begin(), p.end(), time, [](double t, const TrackPoint& point) {
            return t < static_cast<double>(point.time);
        });
    const std::size_t j = static_cast<std::size_t>(later - p.begin());
    const std::size_t i = j == 0 ? 0 : j - 1;
    result.time = time;
    result.index = i;
    result.course = courseAt(i);
    result.latitude = p[i].latitude;
    result.longitude = p[i].longitude;
    if (j < p.size() && j > 0) {
        const double span = static_cast<double>(p[j].time - p[i].time);
        const double f = (time - static_cast<double>(p[i].time)) / span;
        double dLon = p[j].longitude - p[i].longitude;
        if (dLon > 180.0)
            dLon -= 360.0;
        else if (dLon < -180.0)
            dLon += 360.0;
        result.latitude += (p[j].latitude - p[i].latitude) * f;
        double lon = p[i].longitude + dLon * f;
        if (lon > 180.0)
            lon -= 360.0;
        else if (lon < -180.0)
            lon += 360.0;
        result.longitude = lon;
    }
    return result;
}

void TrackReplay::seek(double time) noexcept
{
    m_now = std::clamp(time, startTime(), endTime());
}

bool TrackReplay::advance(double realSeconds) noexcept
{
    seek(m_now + realSeconds * m_pace);
    return m_now < endTime();
}

} // namespace corvane
