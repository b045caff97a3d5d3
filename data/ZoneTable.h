#pragma once

#include "data/ZoneCrossing.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

class Database;

// The zones of app.db and where the vehicles are in them.
//
//   zone: the operator's zones, exactly
//     "CREATE TABLE zone (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT
//     NULL, geometry TEXT NOT NULL, speed_limit REAL, deleted INTEGER NOT NULL
//     DEFAULT 0)"; `geometry` is GeoJSON text (ZoneShapeReader),
//     `speed_limit` km/h or NULL; a zone whose `deleted` is not 0 is gone.
//   zone_presence (vehicle_id, zone_id): the station's own, one row for each
//     vehicle inside a zone, written with the crossing's event (ZoneCrossing)
//     so that a restarted station knows who is inside already.
//
// Ownership: borrows the Database for each call. Threads: the caller holds
// the database mutex. Throws: DatabaseException from a failing statement.
class ZoneTable
{
public:
    struct StoredZone
    {
        std::int64_t id = 0;
        std::string name;
        std::string geometry;
        // The stored limit when it is a number; nothing for NULL.
        std::optional<double> speedLimit;
        // A limit stored as something else than a number (a text): its text.
        std::optional<std::string> unreadableLimit;
        // The stored geometry is longer than maxGeometryBytes (`geometry` is
        // then empty).
        bool geometryTooLong = false;
    };

    // What a start reads at most: so many zones (the first by id), each
    // geometry up to this many bytes, each name cut to so many characters.
    static constexpr std::size_t maxZones = 10000;
    static constexpr std::size_t maxGeometryBytes = 4 * 1024 * 1024;
    static constexpr int maxNameCharacters = 200;

    // Creates the tables that are missing (a table or view of the name
    // counts as present).
    static void ensureTables(Database& database);

    // The zones that are not deleted, by id, within the bounds above.
    static std::vector<StoredZone> loadZones(Database& database);
    // Every stored presence: vehicle (event.vehicle_id) and zone, inside.
    static std::vector<ZoneCrossing> loadPresence(Database& database);

    // The operator's zone from the map: a new one (id 0) with its name and
    // geometry, or a new geometry for a zone that is not deleted. Returns
    // the zone's id, or 0 when there was no such zone. The caller has
    // checked the geometry (ZoneShapeReader).
    static std::int64_t saveZone(Database& database, std::int64_t id, const std::string& name,
                                 const std::string& geometry);
    // Marks a zone deleted (its row stays, as the table keeps them); false
    // when there was no such zone not deleted yet.
    static bool deleteZone(Database& database, std::int64_t id);

    // Applies a crossing's presence: a row for inside, none for outside.
    static void storePresence(Database& database, const ZoneCrossing& crossing);
};

} // namespace corvane
