#pragma once

#include "proof/TableRows.h"

#include <string>
#include <vector>

namespace corvane {

// Datagrams that anyone on the network could send the station, each with the
// rows the station must then hold in app.db for the vehicle it names, worked
// out by hand from the message rules (fields, number reading, text decoding,
// bounded columns, dispatch by type), not by running the parser.
//
// Every case has its own vehicle identifier, so its rows can be picked out
// whatever else the station stores; `id` is the identifier text as stored
// (lower case; the all-zero one for an identifier that does not parse). Cases
// whose datagrams must store nothing have empty row lists. All times are the
// one the datagrams carry, 2011-05-31 13:45:30, and all senders 127.0.0.1.
//
// Plain values; never throws but std::bad_alloc.
struct HostileCase
{
    std::string label;
    std::string id;
    std::vector<std::string> datagrams;
    std::vector<Row> vehicles;   // vehicleQuery(id)
    std::vector<Row> gpsSamples; // gpsQuery(id)
    std::vector<Row> events;     // eventQuery(id)

    static std::string vehicleQuery(const std::string& id);
    static std::string gpsQuery(const std::string& id);
    static std::string eventQuery(const std::string& id);
};

// The suite, in sending order.
std::vector<HostileCase> hostileCases();

// A well-formed position report of a vehicle: sent after the suite, it shows
// that the station still receives and, once stored, that everything sent
// before it has been written (the writer keeps arrival order).
HostileCase closingReport();

} // namespace corvane
