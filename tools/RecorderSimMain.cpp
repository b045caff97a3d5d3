// corvane-recorder-sim: sends the datagrams of a simulated fleet of recorders to a
// station, for demonstrations, manual tests and load tests.

#include "tools/RecorderSimulation.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <netdb.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace corvane;

namespace {

std::atomic<bool> interrupted{false};

void onInterrupt(int)
{
    interrupted = true;
}

const char usage[] =
    "usage: corvane-recorder-sim [--host HOST] [--port PORT] [--vehicles N] [--period MS]\n"
    "                            [--duration SECONDS] [--count DATAGRAMS] [--events P]\n"
    "                            [--details-every TURNS] [--seed N] [--quiet] [--allow-remote]\n"
    "\n"
    "Sends position reports ($GPRMC), alarm events (codes 0-13) and vehicle details of N\n"
    "simulated vehicles to HOST:PORT (default 127.0.0.1:10111) over UDP. Each vehicle\n"
    "reports every MS milliseconds (default 1000), the fleet's reports spread evenly over\n"
    "the period. Stops after SECONDS (default 60) or DATAGRAMS, whichever comes first\n"
    "(0: no limit), or on Ctrl-C. P is the chance of an alarm per report (default 0.1).\n"
    "Every datagram sent is printed, with the unit separator shown as \\x1f, unless\n"
    "--quiet. Only loopback destinations are accepted unless --allow-remote is given.\n";

struct Settings
{
    std::string host = "127.0.0.1";
    int port = 10111;
    RecorderSimulation::Options fleet;
    double periodMs = 1000.0;
    double durationSeconds = 60.0;
    unsigned long long count = 0;
    bool quiet = false;
    bool allowRemote = false;
};

bool parseNumber(const char* text, double low, double high, double& out)
{
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !(value >= low && value <= high))
        return false;
    out = value;
    return true;
}

bool parseArguments(int argc, char** argv, Settings& s)
{
    static const option options[] = {
        {"host", required_argument, nullptr, 'h'},
        {"port", required_argument, nullptr, 'p'},
        {"vehicles", required_argument, nullptr, 'n'},
        {"period", required_argument, nullptr, 'i'},
        {"duration", required_argument, nullptr, 'd'},
        {"count", required_argument, nullptr, 'c'},
        {"events", required_argument, nullptr, 'e'},
        {"details-every", required_argument, nullptr, 'D'},
        {"seed", required_argument, nullptr, 's'},
        {"quiet", no_argument, nullptr, 'q'},
        {"allow-remote", no_argument, nullptr, 'R'},
        {"help", no_argument, nullptr, '?'},
        {nullptr, 0, nullptr, 0},
    };
    int c;
    double v = 0;
    while ((c = getopt_long(argc, argv, "", options, nullptr)) != -1) {
        bool ok = true;
        switch (c) {
        case 'h':
            s.host = optarg;
            break;
        case 'p':
            ok = parseNumber(optarg, 1, 65535, v) && v == int(v);
            s.port = int(v);
            break;
        case 'n':
            ok = parseNumber(optarg, 1, 1000000, v) && v == double(size_t(v));
            s.fleet.vehicles = size_t(v);
            break;
        case 'i':
            ok = parseNumber(optarg, 0.001, 86400000.0, s.periodMs);
            break;
        case 'd':
            ok = parseNumber(optarg, 0, 1e9, s.durationSeconds);
            break;
        case 'c':
            ok = parseNumber(optarg, 0, 1e18, v) && v == double((unsigned long long)v);
            s.count = (unsigned long long)v;
            break;
        case 'e':
            ok = parseNumber(optarg, 0, 1, s.fleet.eventProbability);
            break;
        case 'D':
            ok = parseNumber(optarg, 0, 1e9, v) && v == double(unsigned(v));
            s.fleet.detailsEvery = unsigned(v);
            break;
        case 's':
            ok = parseNumber(optarg, 0, 4294967295.0, v) && v == double(unsigned(v));
            s.fleet.seed = unsigned(v);
            break;
        case 'q':
            s.quiet = true;
            break;
        case 'R':
            s.allowRemote = true;
            break;
        default:
            return false;
        }
        if (!ok) {
            std::fprintf(stderr, "corvane-recorder-sim: bad value: %s\n", optarg);
            return false;
        }
    }
    return optind == argc;
}

// Non-printable bytes as \xNN so that one datagram is one line of output.
std::string printable(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02x", c);
            out += esc;
        } else {
            out += char(c);
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    Settings s;
    if (!parseArguments(argc, argv, s)) {
        std::fputs(usage, stderr);
        return 2;
    }

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(s.host.c_str(), std::to_string(s.port).c_str(), &hints, &found);
    if (rc != 0) {
        std::fprintf(stderr, "corvane-recorder-sim: %s: %s\n", s.host.c_str(), gai_strerror(rc));
        return 1;
    }
    sockaddr_in destination{};
    std::memcpy(&destination, found->ai_addr, sizeof destination);
    freeaddrinfo(found);
    char dotted[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, &destination.sin_addr, dotted, sizeof dotted);
    if ((ntohl(destination.sin_addr.s_addr) >> 24) != 127 && !s.allowRemote) {
        std::fprintf(stderr,
                     "corvane-recorder-sim: %s (%s) is not a loopback address; "
                     "pass --allow-remote to send there\n",
                     s.host.c_str(), dotted);
        return 1;
    }

    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) {
        std::perror("corvane-recorder-sim: socket");
        return 1;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    RecorderSimulation fleet(s.fleet);
    const size_t n = fleet.vehicleCount();
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration<double, std::milli>(s.periodMs);
    const auto start = Clock::now();
    const auto deadline = s.durationSeconds > 0
                              ? start + std::chrono::duration_cast<Clock::duration>(
                                            std::chrono::duration<double>(s.durationSeconds))
                              : Clock::time_point::max();

    unsigned long long sent = 0, failed = 0, gps = 0, events = 0, details = 0;
    unsigned long long lastFailureErrno = 0;
    bool done = false;
    for (unsigned long long round = 0; !done; ++round) {
        for (size_t v = 0; v < n && !done; ++v) {
            // Vehicle v reports at start + (round + v / n) periods.
            auto due = start + std::chrono::duration_cast<Clock::duration>(
                                   period * (double(round) + double(v) / double(n)));
            if (due >= deadline || interrupted) {
                done = true;
                break;
            }
            std::this_thread::sleep_until(due);
            double driven = round == 0 ? 0.0 : s.periodMs / 1000.0;
            for (const auto& d : fleet.turn(v, driven, std::chrono::system_clock::now())) {
                if (s.count > 0 && sent + failed >= s.count) {
                    done = true;
                    break;
                }
                ssize_t r =
                    sendto(fd, d.text.data(), d.text.size(), 0,
                           reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
                if (r < 0) {
                    ++failed;
                    lastFailureErrno = errno;
                    continue;
                }
                ++sent;
                if (d.type == RecorderMessageBuilder::gpsReportType)
                    ++gps;
                else if (d.type == RecorderMessageBuilder::detailsType)
                    ++details;
                else
                    ++events;
                if (!s.quiet) {
                    double t = std::chrono::duration<double>(Clock::now() - start).count();
                    std::printf("%.3f %s:%d vehicle %zu type %d (%zu bytes) %s\n", t, dotted,
                                s.port, d.vehicle, d.type, d.text.size(),
                                printable(d.text).c_str());
                }
            }
        }
    }
    close(fd);

    double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("sent %llu datagrams to %s:%d in %.3f s (%.0f/s): %llu positions, %llu events, "
                "%llu details; %llu send failures",
                sent, dotted, s.port, elapsed, elapsed > 0 ? sent / elapsed : 0.0, gps, events,
                details, failed);
    if (failed > 0)
        std::printf(" (last: %s)", std::strerror(int(lastFailureErrno)));
    std::printf("\n");
    return failed > 0 ? 1 : 0;
}
