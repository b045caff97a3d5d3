// A details flood beside a reporting fleet, through the whole station
// program, headless: how many of the fleet's position reports reached app.db,
// what share of a core the receive thread (and the whole station process)
// used while the flood ran, and how large the trace log grew. A station
// whose threads carry no system name shows 0 for the receive thread.
//
//   proof_details_flood_bench [seconds] [vehicles] [reports per vehicle per second]
//                             [details per second] [bytes per details message]
//   (default 10 s, 100 vehicles, 10 Hz, 2000 details of 4000 bytes, about
//   770 pairs each). The station program is the one built beside this
//   program, or CORVANE_STATION_BINARY.

#include "proof/FleetFlood.h"
#include "proof/StationFixture.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

using namespace corvane;

int main(int argc, char** argv)
{
    FleetFlood::Plan plan;
    plan.seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    plan.vehicles = argc > 2 ? std::atoi(argv[2]) : 100;
    plan.reportsPerSecond = argc > 3 ? std::atoi(argv[3]) : 10;
    plan.detailsPerSecond = argc > 4 ? std::atoi(argv[4]) : 2000;
    plan.detailsBytes = argc > 5 ? static_cast<std::size_t>(std::atol(argv[5])) : 4000;
    if (plan.seconds <= 0 || plan.vehicles <= 0 || plan.reportsPerSecond <= 0 ||
        plan.detailsPerSecond < 0 || plan.detailsBytes > 4094) {
        std::fprintf(stderr,
                     "usage: %s [seconds] [vehicles] [reports per second] [details per second] "
                     "[bytes per details message, at most 4094]\n",
                     argv[0]);
        return 2;
    }
    StationFixture station;
    if (!station.start()) {
        std::fprintf(stderr, "station did not start:\n%s\n", station.process().log().c_str());
        return 1;
    }
    std::printf("station %s, port %d: %d vehicles at %d Hz beside %d details messages of %zu "
                "bytes a second, for %d s\n",
                StationFixture::binary().c_str(), station.port(), plan.vehicles,
                plan.reportsPerSecond, plan.detailsPerSecond,
                FleetFlood::details(FleetFlood::vehicleId(0), plan.detailsBytes).size(),
                plan.seconds);
    const FleetFlood::Figures f = FleetFlood::run(station, plan);
    const double cpu = static_cast<double>(f.receiveTicks) / f.ticksPerSecond;
    std::printf("sent      %lld reports and %lld details messages in %.1f s\n", f.reportsSent,
                f.detailsSent, f.sendSeconds);
    std::printf("stored    %lld of %lld reports (%lld missing); %ld datagrams dropped by the "
                "kernel\n",
                f.reportsStored, f.reportsSent, f.reportsSent - f.reportsStored, f.kernelDrops);
    std::printf("receive   thread \"Callback Server\" used %.2f s of processor time: %.0f%% of "
                "one core while sending\n",
                cpu, f.sendSeconds > 0 ? 100.0 * cpu / f.sendSeconds : 0.0);
    const double stationCpu = static_cast<double>(f.stationTicks) / f.ticksPerSecond;
    std::printf("station   process used %.2f s of processor time: %.0f%% of one core while "
                "sending\n",
                stationCpu, f.sendSeconds > 0 ? 100.0 * stationCpu / f.sendSeconds : 0.0);
    std::printf("log       %lld bytes (corvane.log and corvane.1.log)\n", f.logBytes);
    const bool alive = station.process().running();
    std::printf("station   %s\n", alive ? "still running" : "ENDED");
    station.process().signal(SIGTERM);
    station.process().waitExit(60000);
    return alive && f.reportsStored == f.reportsSent ? 0 : 1;
}
