#include "tools/RecorderSimulation.h"

#include "tools/GprmcSentence.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace corvane {

namespace {

// City centres on all four sides of the equator and the prime meridian, so the
// hemisphere letters of the position reports all occur.
const GeoPoint cities[] = {
    {37.5665, 126.9780},  // north, east
    {37.3382, -121.8863}, // north, west
    {51.5074, -0.1278},   // north, west, near the meridian
    {-33.8688, 151.2093}, // south, east
    {-23.5505, -46.6333}, // south, west
    {52.5200, 13.4050},   // north, east
};

const char* const vehicleNames[] = {
    "Bus 7, Line 12",
    "O'Brien's Van",
    "Depot\\Truck 3",
    "Müller Straßenbahn",
    "東京 配送 5",
    "<b>Tank</b> & \"Co\"",
    "Ambulance <script>alert('x')</script>",
    "Taxi ÅÄÖ ✓",
    "Fire Engine 1",
    "", // sent as one space: the station names it "Vehicle"
};

const char* const deviceTitles[] = {
    "Front cam, left", "Driver's cab", "DVR\\ch2", "Kamera Rückseite", "<i>Rear</i> view",
};

const char* const companies[] = {"Acme, Inc.", "O'Neil & Sons", "Fahrdienst Groß", "<Fleet> Ltd"};
const char* const makers[] = {"Volvo", "Hyundai", "Mercedes-Benz", "Tata"};
const char* const models[] = {"X<sub>2</sub>", "Sprinter 316", "Aero City, 2019", "C:\\M\\7"};
const char* const drivers[] = {"José Ñúñez", "Ann O'Hara", "李 伟", "Jean-Luc \\ Picard", ""};

template <size_t N>
const char* pick(const char* const (&table)[N], size_t index)
{
    return table[index % N];
}

} // namespace

RecorderSimulation::RecorderSimulation(const Options& options)
    : m_options(options), m_random(options.seed)
{
    if (options.vehicles == 0)
        throw std::invalid_argument("a fleet needs at least one vehicle");
    m_fleet.reserve(options.vehicles);
    std::uniform_int_distribution<uint32_t> flags(0, 0xffff);
    for (size_t i = 0; i < options.vehicles; ++i) {
        const GeoPoint& city = cities[i % std::size(cities)];
        SimulatedVehicle vehicle(SimulatedVehicle::cityRoute(city, m_random),
                                 static_cast<unsigned>(m_random()));
        RecorderHeader header;
        if (i < std::size(vehicleNames)) {
            header.name = vehicleNames[i];
        } else {
            header.name = pick(vehicleNames, i);
            if (!header.name.empty())
                header.name += " #" + std::to_string(i);
        }
        header.deviceTitle = pick(deviceTitles, i);
        header.id = makeId();
        header.flags = flags(m_random);

        char registration[32];
        std::snprintf(registration, sizeof registration, "RG-%04zu \\ %c", i, 'A' + int(i % 26));
        std::map<std::string, std::string> details{
            {"Company", pick(companies, i)},
            {"Maker", pick(makers, i / 2)},
            {"Model", pick(models, i / 3)},
            {"Registration", registration},
            {"Driver", pick(drivers, i)},
            {"License", i % 3 == 2 ? "" : "L-" + std::to_string(100000 + i)},
        };
        m_fleet.push_back({std::move(vehicle), std::move(header), std::move(details), 0});
    }
}

std::string RecorderSimulation::makeId()
{
    // A random (version 4) UUID in its lower-case 36-character text form.
    std::uniform_int_distribution<unsigned> byte(0, 255);
    unsigned char b[16];
    for (auto& x : b)
        x = static_cast<unsigned char>(byte(m_random));
    b[6] = static_cast<unsigned char>((b[6] & 0x0f) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3f) | 0x80);
    char text[40];
    std::snprintf(text, sizeof text,
                  "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return text;
}

void RecorderSimulation::stampClock(RecorderHeader& header,
                                    std::chrono::system_clock::time_point now) const
{
    // Recorders keep local time on their own clock; the GPS sentence is in UTC.
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    header.year = local.tm_year + 1900;
    header.month = local.tm_mon + 1;
    header.day = local.tm_mday;
    header.hour = local.tm_hour;
    header.minute = local.tm_min;
    header.second = local.tm_sec;
}

std::vector<SimulatedDatagram> RecorderSimulation::turn(size_t index, double secondsSinceLastTurn,
                                                        std::chrono::system_clock::time_point now)
{
    Member& member = m_fleet.at(index);
    member.vehicle.advance(secondsSinceLastTurn);
    stampClock(member.header, now);

    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm utc{};
    gmtime_r(&t, &utc);
    auto sinceSecond = now - std::chrono::system_clock::from_time_t(t);
    GprmcFix fix;
    fix.year = utc.tm_year + 1900;
    fix.month = utc.tm_mon + 1;
    fix.day = utc.tm_mday;
    fix.hour = utc.tm_hour;
    fix.minute = utc.tm_min;
    fix.second = utc.tm_sec + std::chrono::duration<double>(sinceSecond).count();
    GeoPoint where = member.vehicle.position();
    fix.latitude = where.latitude;
    fix.longitude = where.longitude;
    fix.speedKnots = member.vehicle.speedKnots();
    // A vehicle at a standstill has no course over ground.
    fix.courseDegrees = fix.speedKnots < 0.5 ? -1.0 : member.vehicle.courseDegrees();

    std::vector<SimulatedDatagram> out;
    member.header.channel = 0;
    out.push_back({index, RecorderMessageBuilder::gpsReportType,
                   RecorderMessageBuilder::gpsReport(member.header, GprmcSentence::format(fix))});

    bool first = member.turns == 0;
    if (!first) {
        std::bernoulli_distribution raise(m_options.eventProbability);
        if (raise(m_random)) {
            std::uniform_int_distribution<int32_t> code(0, 13);
            std::uniform_int_distribution<int32_t> channel(0, 3);
            int32_t c = code(m_random);
            member.header.channel = channel(m_random);
            out.push_back({index, c, RecorderMessageBuilder::event(member.header, c)});
        }
    }
    if (first || (m_options.detailsEvery > 0 && member.turns % m_options.detailsEvery == 0)) {
        out.push_back({index, RecorderMessageBuilder::detailsType,
                       RecorderMessageBuilder::details(member.header, member.details)});
    }
    ++member.turns;
    return out;
}

} // namespace corvane
