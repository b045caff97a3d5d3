// Figures of the whole station, run in this process headless in a fresh
// start-up folder, fed over 127.0.0.1 as recorders feed it:
//
//   1. latency from a datagram sent to its moveTo running in the page,
//      median and 99th percentile, at rest and under the fleet load;
//   2. a fleet of 101 vehicles reporting at 10 Hz for a while (60 s by
//      default): rows stored against reports sent, how far the page lags,
//      and resident memory after 10 s and at the end.
//
// The station shares this process with the sender and with the polling of
// the page, so its figures include that load; proof_station_page_bench runs
// the station in its own process and is the one to quote for latency, lag,
// memory and processor.
//
// usage: app_station_bench [fleet seconds]
// Needs QT_QPA_PLATFORM unset or offscreen; as root also
// QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu".

#include "app/CorvaneApp.h"
#include "app/CorvaneDlg.h"
#include "app/SingletonStationRecords.h"
#include "app/StartupFolder.h"
#include "app/testsupport/StationTestSupport.h"
#include "proof/LoopbackSender.h"
#include "proof/ProcessFigures.h"
#include "proof/TableRows.h"
#include "testsupport/RecorderSamples.h"
#include "testsupport/TempFolder.h"
#include "testsupport/UdpPorts.h"

#include <QApplication>
#include <QWebEngineView>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace corvane;
using namespace corvane::test;
using Clock = std::chrono::system_clock;

namespace {

double nowMs()
{
    return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

std::string vehicleId(int n)
{
    return sampleVehicleId(n, "be11c4a0");
}

// A report whose latitude carries its sequence number, so that the page's
// record of moveTo calls can be matched to the send times.
std::string report(int vehicle, long sequence)
{
    GprmcFix fix = sampleFix(10.0 + (sequence % 100000) * 0.0001, vehicle * 0.01);
    fix.speedKnots = 20;
    fix.courseDegrees = 45;
    return positionReport(sampleHeader(vehicleId(vehicle), "Bench " + std::to_string(vehicle)),
                          fix);
}

long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(p * (values.size() - 1) + 0.5))];
}

class Bench
{
public:
    Bench(const TempFolder& folder, CorvaneDlg& window, int port)
        : m_folder(folder), m_window(window), m_port(port)
    {}

    QWebEnginePage& page() { return *m_window.browserView()->page(); }

    // Wraps the page's moveTo so that it writes down when each call ran.
    void hookMoveTo()
    {
        evaluate(page(), "window.benchMoves = []; var benchMoveTo = moveTo;"
                         "moveTo = function (lat, lng, s, h, m, sec, dir, id) {"
                         "  benchMoves.push([id, lat, performance.timeOrigin + performance.now()]);"
                         "  return benchMoveTo.apply(this, arguments); };"
                         // Positions gathered into a frame reach the page as track points.
                         "var benchAddTrackPoints = addTrackPoints;"
                         "addTrackPoints = function (id, c) { var t = performance.timeOrigin +"
                         "  performance.now(); for (var i = 0; i + 1 < c.length; i += 2)"
                         "  benchMoves.push([id, c[i], t]);"
                         "  return benchAddTrackPoints.apply(this, arguments); }; 0");
    }

    // Takes the page's record of moveTo calls: the probe vehicle's (vehicle
    // 1) give their latency, every call is counted.
    void drain()
    {
        // Polling the page without pause loaded the very thread and page it
        // measures; five times a second is enough.
        if (nowMs() - m_lastDrain < drainGapMs)
            return;
        m_lastDrain = nowMs();
        collectSent();
        const QString probeId = QString::fromStdString(vehicleId(probeVehicle));
        const QVariantList moves =
            evaluate(page(), "var m = benchMoves; benchMoves = []; m").toList();
        for (const QVariant& move : moves) {
            const QVariantList m = move.toList();
            const double ranAt = m[2].toDouble();
            ++m_moves;
            m_lastMove = std::max(m_lastMove, ranAt);
            if (m[0].toString() != probeId)
                continue;
            const long sequence = std::lround((m[1].toDouble() - 10.0) / 0.0001);
            const auto sent = m_probeSent.find(sequence);
            if (sent != m_probeSent.end()) {
                m_latencies.push_back(ranAt - sent->second);
                m_probeSent.erase(sent);
            }
        }
    }

    // Sends `count` reports of the probe vehicle, one every `gapMs`, while
    // the event loop runs; returns each report's latency in ms.
    std::vector<double> probeLatency(int count, int gapMs)
    {
        m_latencies.clear();
        std::atomic<bool> done{false};
        std::thread sender([&] {
            for (int i = 0; i < count; ++i) {
                send(probeVehicle, m_sequence++);
                std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
            }
            done = true;
        });
        waitFor(
            [&] {
                drain();
                return done.load();
            },
            600000);
        sender.join();
        waitFor(
            [&] {
                drain();
                return static_cast<int>(m_latencies.size()) >= count;
            },
            30000);
        return m_latencies;
    }

    // 101 vehicles at 10 Hz; vehicle 1's reports give the latency under load.
    void fleet(int seconds)
    {
        constexpr int vehicles = 101;
        constexpr int hz = 10;
        std::atomic<long> sent{0};
        std::atomic<bool> done{false};
        std::atomic<double> lastSentAt{0};
        long rssAt10s = 0;
        drain();
        m_latencies.clear();
        m_moves = 0;
        m_lastMove = 0;
        const long firstSequence = m_sequence;
        const double start = nowMs();
        std::thread sender([&] {
            const auto begin = std::chrono::steady_clock::now();
            const long total = static_cast<long>(seconds) * hz * vehicles;
            for (long i = 0; i < total; ++i) {
                // Reports spread evenly: 1,010 per second.
                std::this_thread::sleep_until(
                    begin + std::chrono::microseconds(i * 1000000 / (hz * vehicles)));
                send(probeVehicle + static_cast<int>(i % vehicles), firstSequence + i / vehicles);
                sent = i + 1;
            }
            // Noted here: the window's thread may notice the end much later.
            lastSentAt = nowMs();
            done = true;
        });
        waitFor(
            [&] {
                drain();
                if (rssAt10s == 0 && nowMs() - start >= 10000)
                    rssAt10s = residentKiB(::getpid());
                return done.load();
            },
            (seconds + 60) * 1000);
        sender.join();
        const double sendEnd = lastSentAt.load();
        waitFor(
            [&] {
                drain();
                return m_moves >= sent.load();
            },
            60000);
        const double pageLagMs = m_lastMove - sendEnd;

        TableRows db(m_folder.file("app.db"));
        const std::string fleetRows = "SELECT count(*) FROM gps_data WHERE update_time IS NOT NULL";
        const long expectedRows = sent.load();
        const long before = m_rowsBefore;
        waitFor([&] { return db.number(fleetRows) - before >= expectedRows; }, 60000);
        const long rows = db.number(fleetRows) - before;
        const long rssEnd = residentKiB(::getpid());

        std::printf("fleet: %d vehicles at %d Hz for %d s: %ld reports sent, %ld gps_data rows "
                    "(%ld missing)\n",
                    vehicles, hz, seconds, sent.load(), rows, sent.load() - rows);
        std::printf("fleet: the page took %ld positions (moveTo or track point); the last %.1f ms "
                    "after the last "
                    "report was sent\n",
                    m_moves, pageLagMs);
        std::printf("fleet: station resident memory %ld KiB after 10 s, %ld KiB at the end "
                    "(%+.1f%%); browser helper processes %ld KiB\n",
                    rssAt10s, rssEnd, rssAt10s ? 100.0 * (rssEnd - rssAt10s) / rssAt10s : 0.0,
                    // Every descendant: the page renders in a grandchild.
                    ProcessFigures::read(::getpid()).descendantsResidentKiB);
        print("latency under load (vehicle 1 of the fleet)", m_latencies);
        if (m_rehooks > 0)
            std::printf("note: the page's record of moveTo calls was lost %ld times (page "
                        "reloaded); the page figures above are incomplete\n",
                        m_rehooks);
    }

    // Rows stored before the fleet starts (the probe reports at rest).
    void countRowsBefore()
    {
        TableRows db(m_folder.file("app.db"));
        const long expected = m_sequence;
        waitFor([&] { return db.number("SELECT count(*) FROM gps_data") >= expected; }, 60000);
        m_rowsBefore = db.number("SELECT count(*) FROM gps_data");
    }

    static void print(const char* what, const std::vector<double>& latencies)
    {
        std::printf(
            "%s: %zu reports, datagram to moveTo median %.2f ms, p99 %.2f ms, max %.2f ms\n", what,
            latencies.size(), percentile(latencies, 0.5), percentile(latencies, 0.99),
            percentile(latencies, 1.0));
    }

private:
    static constexpr int probeVehicle = 1;
    static constexpr double drainGapMs = 200;

    // Sends one report and notes when, for the probe vehicle (any thread).
    void send(int vehicle, long sequence)
    {
        if (vehicle == probeVehicle) {
            std::lock_guard lock(m_sentMutex);
            m_sentNow.emplace_back(sequence % 100000, nowMs());
        }
        sendDatagram(m_port, report(vehicle, sequence));
    }

    void collectSent()
    {
        std::lock_guard lock(m_sentMutex);
        for (const auto& [sequence, at] : m_sentNow)
            m_probeSent[sequence] = at;
        m_sentNow.clear();
    }

    const TempFolder& m_folder;
    CorvaneDlg& m_window;
    int m_port;
    std::atomic<long> m_sequence{0};
    std::mutex m_sentMutex;
    std::vector<std::pair<long, double>> m_sentNow; // filled by the sender thread
    std::map<long, double> m_probeSent;             // sequence -> send time (ms)
    std::vector<double> m_latencies;
    long m_moves = 0;
    double m_lastMove = 0;
    long m_rowsBefore = 0;
    long m_rehooks = 0;
    double m_lastDrain = 0;
};

} // namespace

int main(int argc, char** argv)
{
    const int fleetSeconds = argc > 1 ? std::max(11, std::atoi(argv[1])) : 60;
    TempFolder folder;
    if (::chdir(folder.path().c_str()) != 0)
        return 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM",
                offscreenPlatform(folder.path().string(), {{0, 0, 1280, 800}}).toUtf8());
    CorvaneApp::prepareProcess();
    QApplication app(argc, argv);
    StartupFolder::record();
    const int port = test::freeUdpPort();
    writeSetupPort(folder.file("setup.db"), port);

    SingletonStationRecords records;
    CorvaneDlg window(records);
    if (!window.initialize())
        return 1;
    window.show();
    Bench bench(folder, window, port);
    if (!waitFor(
            [&] {
                return evaluate(bench.page(), "typeof moveTo === 'function' && !!global.listBox &&"
                                              " document.readyState === 'complete'")
                    .toBool();
            },
            60000)) {
        std::fprintf(stderr, "the page did not load\n");
        return 1;
    }
    bench.hookMoveTo();
    bench.probeLatency(20, 20); // the probe vehicle exists from here on
    Bench::print("latency at rest", bench.probeLatency(300, 20));
    bench.countRowsBefore();
    bench.fleet(fleetSeconds);
    window.shutdown();
    return 0;
}
