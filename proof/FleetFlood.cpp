#include "proof/FleetFlood.h"

#include "proof/LoopbackSender.h"
#include "proof/ProcessFigures.h"
#include "proof/StationFixture.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/RawDatagrams.h"
#include "testsupport/VehicleIds.h"

#include <chrono>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;

long long fileBytes(const std::filesystem::path& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<long long>(size);
}

} // namespace

std::string FleetFlood::vehicleId(int vehicle)
{
    return test::sampleVehicleId(vehicle, "f100df10");
}

std::string FleetFlood::details(const std::string& vehicleId, std::size_t bytes)
{
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    const std::string tail =
        ",Company,Flood,Maker,Flood,Model,Flood,Registration,Flood,Driver,Flood,License,Flood";
    const std::string head = test::rawHead("Flood", "101", "DVR", vehicleId) + ",0,";
    std::string pairs;
    int count = 0;
    // Four bytes are room for the count; each pair takes five.
    while (head.size() + 4 + pairs.size() + 5 + tail.size() <= bytes) {
        pairs += ',';
        pairs += digits[count / 36 % 36];
        pairs += digits[count % 36];
        pairs += ",v";
        ++count;
    }
    return head + std::to_string(count + 6) + pairs + tail;
}

std::string FleetFlood::report(const std::string& vehicleId, int sequence)
{
    // Minutes move the vehicle a little, so that no two reports are alike.
    char sentence[96];
    std::snprintf(sentence, sizeof sentence,
                  "$GPRMC,134530,A,37%02d.%04d,N,12158.3416,W,0.13,309.62,310511,,*00",
                  sequence / 10000 % 60, sequence % 10000);
    return test::rawHead("Unit", "100", "DVR", vehicleId) + "," + sentence;
}

FleetFlood::Figures FleetFlood::run(StationFixture& station, const Plan& plan, int drainMs)
{
    Figures figures;
    figures.ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    LoopbackSender& sender = station.sender();
    const pid_t pid = station.process().pid();
    const long dropsBefore = LoopbackSender::drops(station.port()).value_or(0);
    const long long storedBefore = station.appDb().number("SELECT count(*) FROM gps_data;");

    // Every vehicle is known before the flood names it.
    for (int v = 0; v < plan.vehicles; ++v) {
        sender.send(report(vehicleId(v), 0));
        ++figures.reportsSent;
    }
    const std::string flood = details(vehicleId(0), plan.detailsBytes);

    const long long ticksBefore = ProcessFigures::threadCpuTicks(pid, "Callback Server");
    const long long stationBefore = ProcessFigures::read(pid).cpuTicks;
    const Clock::time_point start = Clock::now();
    // One slot per datagram of a second, reports and details interleaved.
    const long long reportsPerSecond =
        static_cast<long long>(plan.vehicles) * plan.reportsPerSecond;
    const long long perSecond = reportsPerSecond + plan.detailsPerSecond;
    const long long total = perSecond * plan.seconds;
    long long reportsDue = 0;
    for (long long slot = 0; slot < total; ++slot) {
        std::this_thread::sleep_until(start +
                                      std::chrono::microseconds(slot * 1000000 / perSecond));
        // Bresenham: the reports spread evenly among the details.
        const long long reportsBy = (slot + 1) * reportsPerSecond / perSecond;
        if (reportsBy > reportsDue) {
            const int vehicle = static_cast<int>(reportsDue % plan.vehicles);
            sender.send(
                report(vehicleId(vehicle), static_cast<int>(reportsDue / plan.vehicles) + 1));
            ++reportsDue;
            ++figures.reportsSent;
        } else {
            sender.send(flood);
            ++figures.detailsSent;
        }
    }
    figures.sendSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    figures.receiveTicks = ProcessFigures::threadCpuTicks(pid, "Callback Server") - ticksBefore;
    figures.stationTicks = ProcessFigures::read(pid).cpuTicks - stationBefore;
    figures.kernelDrops = LoopbackSender::drops(station.port()).value_or(0) - dropsBefore;

    // Stored, or no longer growing for a few seconds.
    long long stored = -1;
    Clock::time_point lastGrowth = Clock::now();
    test::waitFor(
        [&] {
            const long long now =
                station.appDb().number("SELECT count(*) FROM gps_data;") - storedBefore;
            if (now != stored) {
                stored = now;
                lastGrowth = Clock::now();
            }
            return stored >= figures.reportsSent ||
                   Clock::now() - lastGrowth > std::chrono::seconds(12);
        },
        std::chrono::milliseconds(drainMs));
    figures.reportsStored = stored;
    const std::filesystem::path folder = station.folder().path();
    figures.logBytes = fileBytes(folder / "corvane.log") + fileBytes(folder / "corvane.1.log");
    return figures;
}

} // namespace corvane
