#pragma once

#include <cstddef>
#include <string>

namespace corvane {

class StationFixture;

// A fleet reporting its positions while a hostile sender floods the station
// with details messages, run against a started station: the figures say
// whether the fleet's reports all reached app.db and what the flood cost.
//
// Each details message is a type-101 datagram of about `detailsBytes` made of
// short pairs whose keys no vehicle uses (about 700 of them in 4 kB), with
// the six keys the station does use only at its end; it names one of the
// fleet's vehicles, so that the station does all it does for a known one.
// The sends are spaced evenly over each second, as many senders' are.
//
// Plain functions; one run at a time per station. Throws: std::runtime_error
// when the sender cannot be made.
class FleetFlood
{
public:
    struct Plan
    {
        int seconds = 10;
        int vehicles = 100;
        int reportsPerSecond = 10; // per vehicle
        int detailsPerSecond = 2000;
        std::size_t detailsBytes = 4000;
    };

    struct Figures
    {
        long long reportsSent = 0;
        long long detailsSent = 0;
        long long reportsStored = 0;
        double sendSeconds = 0;
        // Processor time of the station's receive thread while sending, in
        // clock ticks, and the ticks of a second.
        long long receiveTicks = 0;
        // The same for the whole station process (its helpers left out).
        long long stationTicks = 0;
        long ticksPerSecond = 100;
        // Datagrams the kernel dropped because the station's socket was full.
        long kernelDrops = 0;
        // The trace log and its older file, in bytes.
        long long logBytes = 0;
    };

    static std::string vehicleId(int vehicle);
    static std::string details(const std::string& vehicleId, std::size_t bytes);
    static std::string report(const std::string& vehicleId, int sequence);

    // Sends the plan, then waits (up to drainMs) until every report sent is
    // stored or nothing more arrives.
    static Figures run(StationFixture& station, const Plan& plan, int drainMs = 60000);
};

} // namespace corvane
