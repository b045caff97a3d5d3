#pragma once

#include <cstdint>
#include <string>

namespace corvane {

class MapPage;
class ZoneAlarms;

// The operator's zone edits from the map page: a zone drawn and named, a
// zone's new shape, a zone deleted. Each is checked (a name of 1 to 200
// characters; a geometry ZoneShapeReader takes), written to app.db's zone
// table at once (a new row; a new geometry; deleted = 1), watched from the
// next report on (ZoneAlarms::replace: vehicles keep their presence in the
// zones still there), and the page is sent every zone again. What is refused
// or cannot be written is traced and told on the page (zoneRefused), and
// nothing is stored.
//
// Ownership: borrows the watcher and the page, which must outlive it.
// Threads: the GUI thread. Throws: std::bad_alloc only.
class ZoneEditor
{
public:
    ZoneEditor(ZoneAlarms& zones, MapPage& page) : m_zones(zones), m_page(page) {}

    // idText empty: a new zone named name; otherwise the zone of that id
    // (decimal) gets geometry and keeps its name.
    void save(const std::string& idText, const std::string& name, const std::string& geometry);
    void remove(const std::string& idText);

private:
    void refuse(const std::string& reason);
    // The stored zones watched and drawn again.
    void reload();

    ZoneAlarms& m_zones;
    MapPage& m_page;
};

} // namespace corvane
