#pragma once

#include "tools/RecorderMessageBuilder.h"
#include "tools/SimulatedVehicle.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace corvane {

struct SimulatedDatagram
{
    size_t vehicle = 0;
    int32_t type = 0; // event code, 100 position report or 101 details
    std::string text;
};

// A fleet of simulated recorders. Every vehicle drives its own route round one of
// a few cities on both hemispheres; at each of its turns it reports its position
// and now and then raises an alarm (codes 0 to 13) or repeats its details. Names,
// device titles and details deliberately carry commas, apostrophes, backslashes,
// non-ASCII letters and markup, the texts a station must store and show intact.
//
// Repeatable for a given seed. Used by one thread; never throws except
// std::bad_alloc and std::invalid_argument for a fleet of no vehicles.
class RecorderSimulation
{
public:
    struct Options
    {
        size_t vehicles = 5;
        unsigned seed = 1;
        double eventProbability = 0.1; // per turn, after the first
        unsigned detailsEvery = 60;    // turns between details repeats; 0: only once
    };

    explicit RecorderSimulation(const Options& options);

    size_t vehicleCount() const { return m_fleet.size(); }
    const RecorderHeader& header(size_t vehicle) const { return m_fleet.at(vehicle).header; }

    // What the vehicle sends at its turn, in sending order, having driven for
    // secondsSinceLastTurn. Its first turn sends the position before the details,
    // since a station ignores details of vehicles it has no position of.
    std::vector<SimulatedDatagram> turn(size_t vehicle, double secondsSinceLastTurn,
                                        std::chrono::system_clock::time_point now);

private:
    struct Member
    {
        SimulatedVehicle vehicle;
        RecorderHeader header;
        std::map<std::string, std::string> details;
        unsigned turns = 0;
    };

    std::string makeId();
    void stampClock(RecorderHeader& header, std::chrono::system_clock::time_point now) const;

    Options m_options;
    std::mt19937 m_random;
    std::vector<Member> m_fleet;
};

} // namespace corvane
