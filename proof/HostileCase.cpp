#include "proof/HostileCase.h"

#include "testsupport/RawDatagrams.h"
#include "testsupport/VehicleIds.h"

#include <cstdio>

namespace corvane {

namespace {

// What every datagram below carries in fields 7 and 8, and how it is stored.
const std::string timeText = "2011-05-31 13:45:30";
const std::string sender = "127.0.0.1";

// A complete sentence and the position it gives, written with "%f".
const std::string sentence = "$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,";
const std::string latitude = "37.387458";
const std::string longitude = "-121.972360";

// U+FFFD, which stands for each ill-formed part of a decoded name or title.
const std::string replacement = "\xEF\xBF\xBD";

std::string repeat(const std::string& text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

std::string vehicleId(int number)
{
    return test::sampleVehicleId(number, "0badc0de");
}

std::string report(const std::string& name, const std::string& id,
                   const std::string& gps = sentence)
{
    return test::rawHead(name, "100", "DVR", id) + "," + gps + "*10";
}

std::string event(const std::string& name, const std::string& type, const std::string& title,
                  const std::string& id)
{
    return test::rawHead(name, type, title, id);
}

std::string details(const std::string& name, const std::string& id, const std::string& count,
                    const std::string& pairs)
{
    return test::rawHead(name, "101", "DVR", id) + ",x," + count + "," + pairs;
}

struct Details
{
    std::string company{}, maker{}, model{}, registration{}, driver{}, license{};
};

Row vehicleRow(const std::string& id, const std::string& name, const std::string& lat = latitude,
               const std::string& lon = longitude, const Details& d = {})
{
    return {id,      name,           "",       timeText,  lat, lon, "0", d.company, d.maker,
            d.model, d.registration, d.driver, d.license, "",  "",  ""};
}

Row gpsRow(const std::string& gps, const std::string& id)
{
    return {gps, timeText, id};
}

Row eventRow(const std::string& name, const std::string& type, const std::string& title,
             const std::string& id)
{
    return {sender, name, timeText, type, title, id};
}

// A position report of exactly `length` bytes whose sentence is padded with
// one long extra field; its name (300 bytes) is longer than a name may be.
std::string reportOfLength(const std::string& id, std::size_t length, std::string* gps)
{
    const std::string name(300, 'N');
    const std::string bare = report(name, id, sentence + ",");
    *gps = sentence + "," + std::string(length - bare.size(), 'Z');
    return report(name, id, *gps);
}

} // namespace

std::string HostileCase::vehicleQuery(const std::string& id)
{
    return "SELECT * FROM vehicle_info WHERE id = '" + id + "';";
}

std::string HostileCase::gpsQuery(const std::string& id)
{
    return "SELECT gps_data, update_time, vehicle_id FROM gps_data WHERE vehicle_id = '" + id +
           "' ORDER BY id;";
}

std::string HostileCase::eventQuery(const std::string& id)
{
    return "SELECT address, name, time, event_type, device_title, vehicle_id FROM event_info "
           "WHERE vehicle_id = '" +
           id + "' ORDER BY id;";
}

std::vector<HostileCase> hostileCases()
{
    std::vector<HostileCase> cases;
    int number = 0;
    // Each vehicle has a name of its own: the page renames a vehicle whose
    // shown name another one already has, and the station stores that name.
    std::string bus;
    const auto add = [&](const std::string& label) -> HostileCase& {
        cases.push_back({label, vehicleId(++number), {}, {}, {}, {}});
        bus = "Bus " + std::to_string(number);
        return cases.back();
    };

    {
        HostileCase& c = add("markup in names and titles");
        const std::string name = "<script>alert(1)</script><b>Bus</b>";
        const std::string eventName = "<img src=x onerror=alert(2)>";
        c.datagrams = {report(name, c.id), event(eventName, "1", "<i>cam</i>", c.id)};
        c.vehicles = {vehicleRow(c.id, name)};
        c.gpsSamples = {gpsRow(sentence, c.id)};
        c.events = {eventRow(eventName, "1", "<i>cam</i>", c.id)};
    }
    {
        HostileCase& c = add("quotes and statement text");
        const std::string eventName = "O'Neil \"Bus\" ''";
        c.datagrams = {report("x'); DROP TABLE gps_data;--", c.id),
                       event(eventName, "2", "it's", c.id),
                       details("Bus 'two'", c.id, "1", "Company,Joe's \"Fleet\"")};
        c.vehicles = {
            vehicleRow(c.id, "Bus 'two'", latitude, longitude, {.company = "Joe's \"Fleet\""})};
        c.gpsSamples = {gpsRow(sentence, c.id)};
        c.events = {eventRow(eventName, "2", "it's", c.id)};
    }
    {
        HostileCase& c = add("backslashes");
        const std::string eventName = R"(\'\"\\)";
        c.datagrams = {report(R"(C:\fleet\bus\)", c.id), event(eventName, "3", R"(\)", c.id),
                       details(R"(B\)", c.id, "1", R"(Driver,\\x\')")};
        c.vehicles = {vehicleRow(c.id, R"(B\)", latitude, longitude, {.driver = R"(\\x\')"})};
        c.gpsSamples = {gpsRow(sentence, c.id)};
        c.events = {eventRow(eventName, "3", R"(\)", c.id)};
    }
    {
        HostileCase& c = add("percent signs");
        c.datagrams = {report("50%off %s%n%d%%", c.id), event("%q%Q%w%z%", "3", "%", c.id),
                       details("100%", c.id, "1", "Model,%s%n%x")};
        c.vehicles = {vehicleRow(c.id, "100%", latitude, longitude, {.model = "%s%n%x"})};
        c.gpsSamples = {gpsRow(sentence, c.id)};
        c.events = {eventRow("%q%Q%w%z%", "3", "%", c.id)};
    }
    {
        HostileCase& c = add("line breaks and tabs");
        const std::string name = "two\nlines\r\n";
        c.datagrams = {report(name, c.id), event("tab\there", "4", "a\rb", c.id),
                       details(name, c.id, "1", "Driver,x\ny")};
        c.vehicles = {vehicleRow(c.id, name, latitude, longitude, {.driver = "x\ny"})};
        c.gpsSamples = {gpsRow(sentence, c.id)};
        c.events = {eventRow("tab\there", "4", "a\rb", c.id)};
    }
    {
        // A NUL byte ends the text: what follows it is never read, so the
        // report below is an event of type 0 for a random vehicle.
        HostileCase& c = add("NUL byte inside a report");
        c.datagrams = {std::string("Bus\0", 4) + report("Bus", c.id).substr(3)};
    }
    {
        // One U+FFFD per maximal ill-formed part: a byte that never starts a
        // character, an overlong form (two parts), an encoded surrogate (three),
        // a sequence cut by the end of the field. Detail values are not decoded.
        HostileCase& c = add("invalid UTF-8");
        const std::string name = "A\xFF"
                                 "B\xC0\xAF"
                                 "C\xED\xA0\x80"
                                 "D\xE2\x82";
        const std::string decoded = "A" + replacement + "B" + repeat(replacement, 2) + "C" +
                                    repeat(replacement, 3) + "D" + replacement;
        c.datagrams = {report(name, c.id), event("\x80", "5", "\xFE\xFE", c.id),
                       details(name, c.id, "1", "Company,\xFF")};
        c.vehicles = {vehicleRow(c.id, decoded, latitude, longitude, {.company = "\xFF"})};
        c.gpsSamples = {gpsRow(sentence, c.id)};
        c.events = {eventRow(replacement, "5", repeat(replacement, 2), c.id)};
    }
    {
        // 0x1F carries a comma inside names, titles and detail values.
        HostileCase& c = add("unit separator");
        c.datagrams = {report("A\x1F"
                              "B",
                              c.id),
                       event("N\x1F"
                             "M",
                             "6",
                             "T\x1F"
                             "U",
                             c.id),
                       details("A\x1F"
                               "B",
                               c.id, "2",
                               "Registration,R\x1F"
                               "1,Other\x1F,v")};
        c.vehicles = {vehicleRow(c.id, "A,B", latitude, longitude, {.registration = "R,1"})};
        c.gpsSamples = {gpsRow(sentence, c.id)};
        c.events = {eventRow("N,M", "6", "T,U", c.id)};
    }
    {
        HostileCase& c = add("pair count far beyond the pairs sent");
        c.datagrams = {report(bus, c.id),
                       details(bus, c.id, "2147483647", "Company,Acme,Driver,Joe")};
        c.vehicles = {
            vehicleRow(c.id, bus, latitude, longitude, {.company = "Acme", .driver = "Joe"})};
        c.gpsSamples = {gpsRow(sentence, c.id)};
    }
    {
        // Numbers beyond 32 bits wrap: 2^32 + 1 pairs is one pair.
        HostileCase& c = add("pair count beyond 32 bits");
        c.datagrams = {report(bus, c.id), details(bus, c.id, "4294967297", "Maker,M1,Model,M2")};
        c.vehicles = {vehicleRow(c.id, bus, latitude, longitude, {.maker = "M1"})};
        c.gpsSamples = {gpsRow(sentence, c.id)};
    }
    {
        HostileCase& c = add("negative pair count");
        c.datagrams = {report(bus, c.id),
                       details(bus + " renamed", c.id, "-2147483648", "Company,X")};
        c.vehicles = {vehicleRow(c.id, bus + " renamed")};
        c.gpsSamples = {gpsRow(sentence, c.id)};
    }
    {
        // As many pairs as fit in the largest message; a repeated key keeps
        // its last value among the pairs the station reads (the first 64:
        // the rest of a message costs nothing).
        HostileCase& c = add("hundreds of pairs");
        std::string pairs;
        std::string last;
        for (int i = 0;; ++i) {
            const std::string pair = "Driver,d" + std::to_string(i);
            if (details(bus, c.id, "100000", pairs + pair).size() > 4094)
                break;
            pairs += pair + ",";
            if (i < 64)
                last = "d" + std::to_string(i);
        }
        pairs.pop_back();
        c.datagrams = {report(bus, c.id), details(bus, c.id, "100000", pairs)};
        c.vehicles = {vehicleRow(c.id, bus, latitude, longitude, {.driver = last})};
        c.gpsSamples = {gpsRow(sentence, c.id)};
    }
    {
        // Datagrams without an identifier name no vehicle: nothing.
        HostileCase& c = add("datagrams of 0 and 1 bytes");
        c.datagrams = {"", "A", ","};
    }
    {
        HostileCase& c = add("4094 bytes, the largest message");
        std::string gps;
        c.datagrams = {reportOfLength(c.id, 4094, &gps)};
        c.vehicles = {vehicleRow(c.id, std::string(255, 'N'))};
        c.gpsSamples = {gpsRow(gps.substr(0, 82), c.id)};
    }
    for (std::size_t length : {4095, 4096, 4097, 65507}) {
        HostileCase& c = add(std::to_string(length) + " bytes, too long");
        std::string gps;
        c.datagrams = {reportOfLength(c.id, length, &gps)};
    }
    {
        // Below 100 an event, whatever the code; 100 and 101 only as they
        // are; anything else nothing. Numbers read as atoi does, wrapping
        // beyond 32 bits.
        HostileCase& c = add("type codes");
        c.datagrams = {report(bus, c.id)};
        for (const char* type :
             {"-1", "14", "99", "102", "2147483647", "-2147483648", "4294967295", "1e3", " 7", "x"})
            c.datagrams.push_back(event(bus, type, "DVR", c.id));
        c.vehicles = {vehicleRow(c.id, bus)};
        c.gpsSamples = {gpsRow(sentence, c.id)};
        for (const char* type : {"-1", "14", "99", "-2147483648", "-1", "1", "7", "0"})
            c.events.push_back(eventRow(bus, type, "DVR", c.id));
    }
    {
        // Too few fields, words or numbers where the coordinates belong: a
        // sample, but no position (not 0, 0), and the vehicle keeps none.
        // 1e300 reads as a number, but not as ddmm.mmmm; 9959.9999 has
        // minutes past 60 and would be 99.99 degrees.
        const struct
        {
            const char* label;
            const char* sentence;
        } noPosition[] = {
            {"sentence with too few fields", "$GPRMC,134530"},
            {"sentence without digits", "$GPRMC,abc,A,north,N,east,E,fast,west"},
            {"sentence with numbers that are no finite values",
             "$GPRMC,134530,A,nan,N,inf,E,1e999,-inf"},
            {"sentence with a made-up latitude",
             "$GPRMC,134530,A,1e300,N,12158.3416,W,0,0,310511,,"},
            {"sentence with a latitude beyond the pole",
             "$GPRMC,134530,A,9959.9999,N,12158.3416,W,0,0,310511,,"},
        };
        for (const auto& n : noPosition) {
            HostileCase& c = add(n.label);
            c.datagrams = {report(bus, c.id, n.sentence)};
            c.vehicles = {vehicleRow(c.id, bus, "", "")};
            c.gpsSamples = {gpsRow(n.sentence, c.id)};
        }
    }
    {
        // Nothing after the identifier: the vehicle is known from now on, but
        // it has no position and no sample.
        HostileCase& c = add("report without a sentence");
        c.datagrams = {test::rawHead(bus, "100", "DVR", c.id)};
        c.vehicles = {vehicleRow(c.id, bus, "", "")};
    }
    {
        // Leading asterisks are skipped: the checksum becomes the sentence.
        HostileCase& c = add("report of an asterisk and a checksum");
        c.datagrams = {test::rawHead(bus, "100", "DVR", c.id) + ",*7F"};
        c.vehicles = {vehicleRow(c.id, bus, "", "")};
        c.gpsSamples = {gpsRow("7F", c.id)};
    }
    {
        // The blank name stands for none; titles have no such rule; bounded
        // event columns are cut, never inside a character.
        HostileCase& c = add("blank and overlong names");
        const std::string euro = "\xE2\x82\xAC";
        c.datagrams = {report(" ", c.id), event(" ", "8", " ", c.id),
                       event(std::string(40, 'E'), "9", std::string(40, 'T'), c.id),
                       event(repeat(euro, 12), "10", repeat(euro, 12), c.id)};
        c.vehicles = {vehicleRow(c.id, "Vehicle")};
        c.gpsSamples = {gpsRow(sentence, c.id)};
        c.events = {eventRow("Vehicle", "8", " ", c.id),
                    eventRow(std::string(32, 'E'), "9", std::string(32, 'T'), c.id),
                    eventRow(repeat(euro, 10), "10", repeat(euro, 10), c.id)};
    }
    {
        HostileCase& c = add("identifier in capitals");
        c.datagrams = {report(bus, "0BADC0DE-0000-4000-8000-0000000000AB")};
        c.id = "0badc0de-0000-4000-8000-0000000000ab";
        c.vehicles = {vehicleRow(c.id, bus)};
        c.gpsSamples = {gpsRow(sentence, c.id)};
    }
    {
        // An identifier that does not parse names no vehicle: nothing is
        // stored, not even under the all-zero identifier.
        HostileCase& c = add("statement text as identifier");
        c.datagrams = {report(bus, "'); DELETE FROM vehicle_info;--")};
        c.id = "00000000-0000-0000-0000-000000000000";
    }
    {
        // Nor does one without an identifier, with an empty one or with the
        // all-zero one, whatever its type.
        HostileCase& c = add("no usable identifier");
        c.id = "00000000-0000-0000-0000-000000000000";
        c.datagrams = {
            "x,100",
            "Bus,100,0,x,DVR,0,131794207,863518,a,0,b",
            report(bus, "not-a-guid"),
            report(bus, c.id),
            "Bus,13,0,x,DVR,0,131794207,863518,a,0,b",
            details(bus, "", "1", "Driver,Ann"),
        };
    }
    return cases;
}

HostileCase closingReport()
{
    HostileCase c{"closing report", vehicleId(999999), {}, {}, {}, {}};
    c.datagrams = {report("Closing", c.id)};
    c.vehicles = {vehicleRow(c.id, "Closing")};
    c.gpsSamples = {gpsRow(sentence, c.id)};
    return c;
}

} // namespace corvane
