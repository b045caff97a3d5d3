#pragma once

#include "data/TrackPoint.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace corvane {

// Where a replayed vehicle is at a given moment of its stored track, and the
// replay clock that moves that moment on at a chosen pace.
//
// Between two samples the position is interpolated linearly in time (the
// shorter way round across the date line); before the first sample it is
// the first, after the last the last. The marker turns with the course of
// the sample it has passed; a sample without a course takes the bearing
// towards the next sample that lies elsewhere, or the last course known.
//
// Ownership: shares the points (they are never changed). Threads: one at a
// time. Throws: std::bad_alloc from construction only.
class TrackReplay
{
public:
    struct Position
    {
        double time = 0; // seconds, as TrackPoint::time, with a fraction
        double latitude = 0;
        double longitude = 0;
        double course = 0;
        std::size_t index = 0; // the last sample at or before time
    };

    explicit TrackReplay(std::shared_ptr<const std::vector<TrackPoint>> points);

    bool empty() const noexcept { return m_points->empty(); }
    double startTime() const noexcept;
    double endTime() const noexcept;

    // The position at time (clamped to the track).
    Position at(double time) const noexcept;

    // The clock: the moment shown, and the pace (track seconds per real
    // second). advance moves the moment on by realSeconds × pace and stops
    // at the end; it returns false once the end is reached.
    double now() const noexcept { return m_now; }
    void seek(double time) noexcept;
    void setPace(int pace) noexcept { m_pace = pace < 1 ? 1 : pace; }
    int pace() const noexcept { return m_pace; }
    bool advance(double realSeconds) noexcept;

private:
    double courseAt(std::size_t index) const noexcept;

    std::shared_ptr<const std::vector<TrackPoint>> m_points;
    std::vector<double> m_courses; // resolved course of each sample
    double m_now = 0;
    int m_pace = 1;
};

} // namespace corvane
