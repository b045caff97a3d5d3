#include "data/ZoneTable.h"

#include "data/Database.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"

#include <algorithm>

namespace corvane {

namespace {

std::int64_t countOf(Database& database, const char* sql)
{
    RowSet rows(database, sql);
    return rows.next() ? rows.getInt64(0) : 0;
}

} // namespace

namespace {

constexpr const char* createZone =
    "CREATE TABLE zone (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL, geometry TEXT "
    "NOT NULL, speed_limit REAL, deleted INTEGER NOT NULL DEFAULT 0)";
constexpr const char* createPresence =
    "CREATE TABLE zone_presence (vehicle_id TEXT NOT NULL, zone_id INTEGER NOT NULL, PRIMARY "
    "KEY (vehicle_id, zone_id))";

} // namespace

void ZoneTable::ensureTables(Database& database)
{
    std::vector<std::string> names;
    database.listTables(names);
    const auto present = [&names](const char* name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    if (!present("zone"))
        database.execute(createZone);
    if (!present("zone_presence"))
        database.execute(createPresence);
}

std::vector<ZoneTable::StoredZone> ZoneTable::loadZones(Database& database)
{
    // REAL affinity keeps a text it cannot read as a number a text: told
    // apart here, so that it is not read as 0. A geometry too long to be a
    // zone is not even read into memory, and a name is cut long before any
    // title shows it whole.
    const FormatableSQL sql(
        "SELECT id, substr(name, 1, %d), CASE WHEN length(CAST(geometry AS BLOB)) <= %d THEN "
        "geometry END, speed_limit, typeof(speed_limit) FROM zone WHERE deleted = 0 ORDER BY id "
        "LIMIT %d;",
        maxNameCharacters, static_cast<int>(maxGeometryBytes), static_cast<int>(maxZones));
    RowSet rows(database, sql.getText());
    std::vector<StoredZone> zones;
    while (rows.next()) {
        StoredZone zone;
        zone.id = rows.getInt64(0);
        zone.name = rows.getTextOrEmpty(1);
        zone.geometryTooLong = rows.getText(2) == nullptr;
        zone.geometry = rows.getTextOrEmpty(2);
        const std::string type = rows.getTextOrEmpty(4);
        if (type == "real" || type == "integer")
            zone.speedLimit = rows.getDouble(3);
        else if (type != "null")
            zone.unreadableLimit = rows.getTextOrEmpty(3);
        zones.push_back(std::move(zone));
    }
    return zones;
}

std::vector<ZoneCrossing> ZoneTable::loadPresence(Database& database)
{
    RowSet rows(database, "SELECT vehicle_id, zone_id FROM zone_presence;");
    std::vector<ZoneCrossing> presence;
    while (rows.next()) {
        presence.emplace_back();
        presence.back().load(rows);
    }
    return presence;
}

void ZoneTable::storePresence(Database& database, const ZoneCrossing& crossing)
{
    const std::string vehicle = crossing.event.vehicle_id.toText();
    const FormatableSQL sql(
        crossing.inside
            ? "INSERT OR REPLACE INTO zone_presence (vehicle_id, zone_id) VALUES ('%q', %lld);"
            : "DELETE FROM zone_presence WHERE vehicle_id = '%q' AND zone_id = %lld;",
        vehicle.c_str(), static_cast<long long>(crossing.zone_id));
    database.execute(sql.getText());
}

std::int64_t ZoneTable::saveZone(Database& database, std::int64_t id, const std::string& name,
                                 const std::string& geometry)
{
    if (id > 0) {
        // A changed shape keeps the zone's name and limit; a deleted zone
        // stays deleted.
        const FormatableSQL sql("UPDATE zone SET geometry = '%q' WHERE id = %lld AND deleted = 0;",
                                geometry.c_str(), static_cast<long long>(id));
        database.execute(sql.getText());
        return countOf(database, "SELECT changes();") > 0 ? id : 0;
    }
    const FormatableSQL sql("INSERT INTO zone (name, geometry) VALUES ('%q', '%q');", name.c_str(),
                            geometry.c_str());
    database.execute(sql.getText());
    return countOf(database, "SELECT last_insert_rowid();");
}

bool ZoneTable::deleteZone(Database& database, std::int64_t id)
{
    const FormatableSQL sql("UPDATE zone SET deleted = 1 WHERE id = %lld AND deleted = 0;",
                            static_cast<long long>(id));
    database.execute(sql.getText());
    return countOf(database, "SELECT changes();") > 0;
}

} // namespace corvane
