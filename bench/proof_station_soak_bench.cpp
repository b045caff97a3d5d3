// Soak of the whole station program, headless: a fleet reporting its
// positions at a fixed rate plus one alarm a second, for a given time.
// Prints what reached app.db (rows missing), how often the writer committed,
// and the station's resident memory, threads and descriptors at the start,
// after a tenth of the run, in the middle and at the end.
//
//   proof_station_soak_bench [seconds] [vehicles] [reports per vehicle per second]
//                            [burst|spread]
//   (default 120 s, 101 vehicles, 10 Hz, burst). burst: every vehicle reports
//   at the same moment of each period, the harshest case for the write queue;
//   spread: the reports are spaced evenly over the period, as independent
//   recorders send them. The station program is the one
//   built beside this program, or CORVANE_STATION_BINARY.

#include "proof/ProcessFigures.h"
#include "proof/StationFixture.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/RecorderSamples.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

using namespace corvane;
using Clock = std::chrono::steady_clock;

namespace {

std::string vehicleId(int number)
{
    return test::sampleVehicleId(number, "50a50a50");
}

// The recorder of a vehicle, its clock at the given second of the samples' day.
RecorderHeader header(int vehicle, int second)
{
    RecorderHeader h = test::sampleHeader(vehicleId(vehicle), "Unit " + std::to_string(vehicle),
                                          second / 3600 % 24, second / 60 % 60, second % 60);
    h.deviceTitle = "DVR";
    return h;
}

// A report that moves the vehicle a little along a circle each time.
std::string report(int vehicle, int sequence, int second)
{
    const double angle = sequence * 0.001 + vehicle;
    GprmcFix fix = test::sampleFix(50.0 + 0.01 * std::sin(angle), 8.0 + 0.01 * std::cos(angle),
                                   second / 3600 % 24, second / 60 % 60, second % 60);
    fix.speedKnots = 12.5;
    fix.courseDegrees = std::fmod(angle * 57.3, 360.0);
    return test::positionReport(header(vehicle, second), fix);
}

struct Sample
{
    double at;
    ProcessFigures figures;
};

void print(const char* label, const Sample& s)
{
    std::printf("%-7s t=%6.1fs  station RSS %7ld KiB  threads %3ld  descriptors %4ld  "
                "helpers %ld (RSS %7ld KiB)\n",
                label, s.at, s.figures.residentKiB, s.figures.threads, s.figures.descriptors,
                s.figures.descendants, s.figures.descendantsResidentKiB);
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 120;
    const int vehicles = argc > 2 ? std::atoi(argv[2]) : 101;
    const int rate = argc > 3 ? std::atoi(argv[3]) : 10;
    const bool spread = argc > 4 && std::string(argv[4]) == "spread";
    if (seconds <= 0 || vehicles <= 0 || rate <= 0 || rate > 1000) {
        std::fprintf(stderr,
                     "usage: %s [seconds] [vehicles] [reports per second 1..1000] [burst|spread]\n",
                     argv[0]);
        return 2;
    }

    StationFixture station;
    if (!station.start()) {
        std::fprintf(stderr, "station did not start:\n%s\n", station.process().log().c_str());
        return 1;
    }
    const pid_t pid = station.process().pid();
    std::printf("station %s, pid %d, port %d: %d vehicles at %d Hz plus one alarm a second "
                "for %d s (%s)\n",
                StationFixture::binary().c_str(), pid, station.port(), vehicles, rate, seconds,
                spread ? "spread over each period" : "in one burst each period");

    long long reports = 0, alarms = 0, refused = 0;
    std::vector<Sample> samples;
    std::vector<double> commitTimes;
    long long lastStored = 0;
    const Clock::time_point start = Clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    const auto tick = std::chrono::microseconds(1000000 / rate);
    Clock::time_point nextTick = start;
    Clock::time_point nextPoll = start;
    int lastAlarmSecond = 0;
    samples.push_back({0.0, ProcessFigures::read(pid)});

    for (long long round = 0; Clock::now() < start + std::chrono::seconds(seconds); ++round) {
        const int second = static_cast<int>(elapsed()) + 12 * 3600;
        for (int v = 0; v < vehicles; ++v) {
            if (spread)
                std::this_thread::sleep_until(nextTick + tick * v / vehicles);
            if (!station.sender().send(report(v, static_cast<int>(round), second)))
                ++refused;
            ++reports;
        }
        // One alarm a second, from a vehicle that has already reported.
        if (second != lastAlarmSecond && round > 0) {
            lastAlarmSecond = second;
            if (!station.sender().send(RecorderMessageBuilder::event(
                    header(static_cast<int>(alarms % vehicles), second),
                    1 + static_cast<int>(alarms % 13))))
                ++refused;
            ++alarms;
        }
        if (Clock::now() >= nextPoll) {
            nextPoll += std::chrono::milliseconds(250);
            const long long stored = station.appDb().number("SELECT count(*) FROM gps_data;");
            if (stored > lastStored) {
                lastStored = stored;
                commitTimes.push_back(elapsed());
            }
            const double t = elapsed();
            // After the page has settled, halfway, and (below) at the end.
            if ((samples.size() == 1 && t >= seconds / 10.0) ||
                (samples.size() == 2 && t >= seconds / 2.0))
                samples.push_back({t, ProcessFigures::read(pid)});
        }
        nextTick += tick;
        std::this_thread::sleep_until(nextTick);
    }
    const double sendEnd = elapsed();
    samples.push_back({sendEnd, ProcessFigures::read(pid)});

    // The last batches: everything sent should arrive within a few periods.
    const long dropped = LoopbackSender::drops(station.port()).value_or(-1);
    test::waitFor(
        [&] {
            return station.appDb().number("SELECT count(*) FROM gps_data;") >= reports &&
                   station.appDb().number("SELECT count(*) FROM event_info;") >= alarms;
        },
        std::chrono::seconds(120));
    const double drained = elapsed() - sendEnd;
    const long long storedReports = station.appDb().number("SELECT count(*) FROM gps_data;");
    const long long storedAlarms = station.appDb().number("SELECT count(*) FROM event_info;");
    const long long storedVehicles = station.appDb().number("SELECT count(*) FROM vehicle_info;");
    const bool alive = station.process().running();

    double longestGap = 0, gapSum = 0;
    for (std::size_t i = 1; i < commitTimes.size(); ++i) {
        longestGap = std::max(longestGap, commitTimes[i] - commitTimes[i - 1]);
        gapSum += commitTimes[i] - commitTimes[i - 1];
    }

    std::printf("sent      %lld reports, %lld alarms in %.1f s (%lld refused by the kernel)\n",
                reports, alarms, sendEnd, refused);
    std::printf("socket    %ld datagrams dropped by the kernel (station's receive queue full)\n",
                dropped);
    std::printf("stored    %.1f s after the last send: %lld gps_data rows (%lld missing), %lld "
                "event_info rows (%lld "
                "missing), %lld vehicles\n",
                drained, storedReports, reports - storedReports, storedAlarms,
                alarms - storedAlarms, storedVehicles);
    std::printf("commits   %zu seen while sending (polled every 250 ms); between them mean %.2f "
                "s, longest %.2f s (period 0.5 s, earlier when a batch's worth waits)\n",
                commitTimes.size(),
                commitTimes.size() > 1 ? gapSum / (commitTimes.size() - 1) : 0.0, longestGap);
    const char* labels[] = {"start", "10%", "middle", "end"};
    for (std::size_t i = 0; i < samples.size(); ++i)
        print(i + 1 == samples.size() ? "end" : labels[i], samples[i]);
    std::printf("station   %s\n", alive ? "still running" : "ENDED");

    station.process().signal(SIGTERM);
    const auto status = station.process().waitExit(60000);
    std::printf("shutdown  %s\n", status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0
                                      ? "orderly (exit 0)"
                                      : "NOT orderly");
    // What the station traced about records it could not take or keep.
    std::ifstream trace(station.folder().file("corvane.log"));
    std::string line;
    while (std::getline(trace, line))
        if (line.find("FALSE") != std::string::npos || line.find("False") != std::string::npos ||
            line.find("receive buffer") != std::string::npos ||
            line.find("gave way") != std::string::npos)
            std::printf("trace     %s\n", line.c_str());
    return alive && storedReports == reports && storedAlarms == alarms ? 0 : 1;
}
