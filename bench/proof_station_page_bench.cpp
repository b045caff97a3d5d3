// The station program in its own process, as an operator runs it, fed by a
// fleet over 127.0.0.1: how long a report takes from its datagram to the map
// page, how far the page lags at the end, what the station and the browser's
// helper processes each use (resident memory and processor), and the rows
// missing from app.db.
//
//   proof_station_page_bench [seconds] [vehicles] [reports per vehicle per second]
//   (default 30 s, 101 vehicles, 10 Hz: 1,010 reports a second; 101 vehicles at
//   100 Hz is 10,100 a second)
//
// One clock: the page notes the wall-clock time (Date.now()) at which each
// position of vehicle 0 reaches it, by moveTo or as a track point, through the
// station's page probe (CORVANE_PAGE_PROBE); this program notes the same
// clock when it sends. Vehicle 0 reports like the others; after the fleet one
// more report of it goes last, and its latency is the page's lag at the end.
// Memory is read after the first minute (or a tenth of a shorter run) and at
// the end; the processor share covers the sending time. The station program
// is the one built beside this program, or CORVANE_STATION_BINARY.
//
// A fleet above the page's default list limit (101) is stored as the
// station's "page/ListLimit" (at most 10,000) before it starts, so the page
// lists every vehicle. After the run the station is started again on the same
// app.db, now holding every vehicle of the fleet: "ready" is the time from
// that start until the page holds them all (as the probe notes the last
// insertVehicle that changed the page's count).

#include "data/SettingRule.h"
#include "data/SetupDatabase.h"
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
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace corvane;
using SteadyClock = std::chrono::steady_clock;

namespace {

constexpr double latitudeBase = 10.0;
constexpr double latitudeStep = 0.0001;
constexpr long sequenceWrap = 100000;

double wallMs()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string vehicleId(int number)
{
    return test::sampleVehicleId(number, "9a9e0000");
}

// Vehicle 0's latitude carries the report's sequence number, so the page's
// notes can be matched with the send times.
std::string report(int vehicle, long sequence)
{
    GprmcFix fix =
        test::sampleFix(latitudeBase + static_cast<double>(sequence % sequenceWrap) * latitudeStep,
                        vehicle * 0.01 + static_cast<double>(sequence % 1000) * 0.00001);
    fix.speedKnots = 20;
    fix.courseDegrees = static_cast<double>((sequence + vehicle) % 360);
    return test::positionReport(
        test::sampleHeader(vehicleId(vehicle), "Page " + std::to_string(vehicle), 12), fix);
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(
        values.size() - 1,
        static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5))];
}

// The probe file: arrival times by sequence number, the moveTo count, and
// the vehicles the page holds with the time that count was reached.
struct ProbeNotes
{
    std::map<long, double> arrived; // first arrival of each sequence
    long long moves = 0;
    long long held = 0;
    double heldAt = 0;

    static ProbeNotes read(const std::string& path)
    {
        ProbeNotes notes;
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("moves ", 0) == 0) {
                notes.moves = std::atoll(line.c_str() + 6);
                continue;
            }
            if (line.rfind("held ", 0) == 0) {
                std::istringstream(line.substr(5)) >> notes.heldAt >> notes.held;
                continue;
            }
            std::istringstream fields(line);
            double at = 0, latitude = 0;
            if (!(fields >> at >> latitude))
                continue;
            const long sequence = std::lround((latitude - latitudeBase) / latitudeStep);
            notes.arrived.try_emplace(sequence, at);
        }
        return notes;
    }
};

struct Sample
{
    double at;
    ProcessFigures figures;
    // The station's storage writer alone: the part of its share the disk road takes.
    long long writerTicks;
};

Sample sampleOf(double at, pid_t pid)
{
    return {at, ProcessFigures::read(pid), ProcessFigures::threadCpuTicks(pid, "DBManager::DBMa")};
}

double cpuShare(long long ticks, double seconds)
{
    return seconds > 0 ? 100.0 * static_cast<double>(ticks) /
                             (static_cast<double>(sysconf(_SC_CLK_TCK)) * seconds)
                       : 0.0;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const int vehicles = argc > 2 ? std::atoi(argv[2]) : 101;
    const int hz = argc > 3 ? std::atoi(argv[3]) : 10;
    if (seconds <= 0 || vehicles <= 0 || hz <= 0 || hz > 1000) {
        std::fprintf(stderr, "usage: %s [seconds] [vehicles] [reports per second 1..1000]\n",
                     argv[0]);
        return 2;
    }
    StationFixture station;
    // The page lists the whole fleet, up to the most it ever lists.
    const int listed = std::min(vehicles, listLimitRule.maximum);
    if (vehicles > listLimitRule.defaultValue) {
        SetupDatabase setup;
        setup.open(station.folder().file("setup.db").c_str(), 5000);
        setup.setInt(listLimitRule.key, listed);
        setup.close();
    }
    const std::string probeFile = station.folder().file("page-probe.txt");
    ::setenv("CORVANE_PAGE_PROBE", probeFile.c_str(), 1);
    ::setenv("CORVANE_PAGE_PROBE_VEHICLE", vehicleId(0).c_str(), 1);
    if (!station.start()) {
        std::fprintf(stderr, "station did not start:\n%s\n", station.process().log().c_str());
        return 1;
    }
    const pid_t pid = station.process().pid();
    const long rate = static_cast<long>(vehicles) * hz;
    std::printf("station pid %d, port %d: %d vehicles at %d Hz (%ld reports/s) for %d s\n", pid,
                station.port(), vehicles, hz, rate, seconds);

    // The page is ready once its probe writes; vehicle 0 then exists on it.
    std::map<long, double> sentAt;
    long sequence = 0;
    const bool ready = test::waitFor(
        [&] {
            sentAt[sequence] = wallMs();
            station.sender().send(report(0, sequence++));
            return !ProbeNotes::read(probeFile).arrived.empty();
        },
        std::chrono::seconds(120));
    if (!ready) {
        std::fprintf(stderr, "the page never reported:\n%s\n", station.process().log().c_str());
        return 1;
    }
    sentAt.clear();
    station.sender().send(report(0, sequence)); // one more, so no warm-up note is late
    const long beforeFleet = ++sequence;

    std::vector<Sample> samples{{0.0, ProcessFigures::read(pid)}};
    const double firstMinute = std::min(60.0, seconds / 10.0);
    const auto start = SteadyClock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double>(SteadyClock::now() - start).count();
    };
    long long sent = 0;
    const long rounds = static_cast<long>(seconds) * hz;
    for (long round = 0; round < rounds; ++round) {
        const long s = beforeFleet + round;
        for (int v = 0; v < vehicles; ++v) {
            std::this_thread::sleep_until(
                start + std::chrono::microseconds((round * vehicles + v) * 1000000 / rate));
            if (v == 0)
                sentAt[s] = wallMs();
            station.sender().send(report(v, s));
            ++sent;
        }
        if (samples.size() == 1 && elapsed() >= firstMinute)
            samples.push_back(sampleOf(elapsed(), pid));
    }
    const double sendSeconds = elapsed();
    samples.push_back(sampleOf(sendSeconds, pid));
    // The last report of all: its latency is the page's lag at the end.
    const long last = beforeFleet + rounds;
    sentAt[last] = wallMs();
    station.sender().send(report(0, last));
    ++sent;
    ProbeNotes notes;
    test::waitFor(
        [&] {
            notes = ProbeNotes::read(probeFile);
            return notes.arrived.count(last) > 0;
        },
        std::chrono::seconds(180));
    const long dropped = LoopbackSender::drops(station.port()).value_or(-1);
    const long long expectedRows = sent + beforeFleet;
    test::waitFor(
        [&] { return station.appDb().number("SELECT count(*) FROM gps_data;") >= expectedRows; },
        std::chrono::seconds(120));
    const long long rows = station.appDb().number("SELECT count(*) FROM gps_data;");

    std::vector<double> latencies;
    long unseen = 0;
    for (const auto& [s, at] : sentAt) {
        if (s == last)
            continue;
        const auto arrived = notes.arrived.find(s);
        if (arrived == notes.arrived.end())
            ++unseen;
        else
            latencies.push_back(arrived->second - at);
    }
    const auto lastArrived = notes.arrived.find(last);
    const double lagMs =
        lastArrived == notes.arrived.end() ? -1.0 : lastArrived->second - sentAt[last];

    std::printf("sent      %lld reports in %.1f s (%.0f/s); %ld dropped by the kernel at the "
                "station's socket\n",
                sent, sendSeconds, static_cast<double>(sent) / sendSeconds, dropped);
    std::printf("latency   vehicle 0, datagram to page: %zu reports, median %.1f ms, p99 %.1f ms, "
                "max %.1f ms (%ld never reached the page; clock resolution 1 ms)\n",
                latencies.size(), percentile(latencies, 0.5), percentile(latencies, 0.99),
                percentile(latencies, 1.0), unseen);
    std::printf("lag       the last report reached the page %.1f ms after it was sent%s\n", lagMs,
                lagMs < 0 ? " (NEVER)" : "");
    std::printf("page      %lld moveTo calls ran for %lld reports (%.2f a report)\n", notes.moves,
                sent + beforeFleet, static_cast<double>(notes.moves) / (sent + beforeFleet));
    std::printf("rows      %lld gps_data rows, %lld missing\n", rows, expectedRows - rows);
    const Sample& begin = samples.front();
    const Sample& end = samples.back();
    const double span = end.at - begin.at;
    std::printf("cpu       while sending: station %.0f%% of one core (its storage writer %.0f%%), "
                "browser helpers %.0f%%, together %.0f%%\n",
                cpuShare(end.figures.cpuTicks - begin.figures.cpuTicks, span),
                cpuShare(end.writerTicks - begin.writerTicks, span),
                cpuShare(end.figures.descendantsCpuTicks - begin.figures.descendantsCpuTicks, span),
                cpuShare(end.figures.cpuTicks - begin.figures.cpuTicks +
                             end.figures.descendantsCpuTicks - begin.figures.descendantsCpuTicks,
                         span));
    const Sample& settled = samples.size() > 2 ? samples[1] : samples.front();
    const auto growth = [](long from, long to) {
        return from > 0 ? 100.0 * static_cast<double>(to - from) / static_cast<double>(from) : 0.0;
    };
    for (const auto* s : {&begin, &settled, &end})
        std::printf("memory    t=%6.1fs  station RSS %7ld KiB  helpers %ld (RSS %7ld KiB)\n", s->at,
                    s->figures.residentKiB, s->figures.descendants,
                    s->figures.descendantsResidentKiB);
    std::printf("memory    from t=%.0fs to the end: station %+.1f%%, helpers %+.1f%%\n", settled.at,
                growth(settled.figures.residentKiB, end.figures.residentKiB),
                growth(settled.figures.descendantsResidentKiB, end.figures.descendantsResidentKiB));

    station.process().signal(SIGTERM);
    station.process().waitExit(60000);

    // Started again, the station sends its page every stored vehicle at once.
    std::filesystem::remove(probeFile);
    const double startedAt = wallMs();
    double readyMs = -1;
    if (station.start()) {
        test::waitFor(
            [&] {
                notes = ProbeNotes::read(probeFile);
                return notes.held >= listed;
            },
            std::chrono::seconds(180));
        if (notes.held >= listed)
            readyMs = notes.heldAt - startedAt;
    } else {
        std::fprintf(stderr, "station did not start again:\n%s\n", station.process().log().c_str());
    }
    std::printf("ready     page ready with %d stored vehicles %.0f ms after the station "
                "started%s\n",
                listed, readyMs, readyMs < 0 ? " (NEVER)" : "");
    station.process().signal(SIGTERM);
    station.process().waitExit(60000);
    return rows == expectedRows && lagMs >= 0 && readyMs >= 0 ? 0 : 1;
}
