#pragma once

#include <QString>
#include <QStringList>
#include <set>
#include <string>

namespace corvane {

struct SettingRule;
class ZoneAlarms;

// The main window's hold on the two database files: app.db (DBManager: the
// vehicles, events and GPS samples, written by its own thread) and setup.db
// (Setup: the settings).
//
// A file that cannot be opened or read never ends the station: the failure
// is traced and the work goes on without it, reads giving their defaults.
//
// Ownership: the databases are process-wide single instances; this object
// only opens and closes them. Threads: main window's thread. Throws: never
// (but std::bad_alloc).
class StationDatabases
{
public:
    // Opens "app.db" and "setup.db" in folder.
    void open(const QString& folder);

    // Stops the database writer after it has written what is queued, closes
    // app.db, then closes setup.db. Only the first call does anything.
    void close();

    // A setting, or the default when the key is missing (it is then stored)
    // or setup.db cannot be read.
    int readInt(const char* key, int defaultValue);
    std::string readText(const char* key, const char* defaultValue);
    // A number setting held to its rule: a stored value that is no number
    // in the rule's range gives the rule's default, and is told once per
    // run: traced, and kept as a notice for the operator.
    int readSetting(const SettingRule& rule);
    // The notices of unusable settings since the last call.
    QStringList takeNotices();

    // Hands "data/KeepDays" (default 0: keep everything) and "data/MinFreeMB"
    // (default 200) to the database writer.
    void applyStorageSettings();

    // Gives the zones the zones and presence stored in app.db and the
    // general limit "rules/SpeedLimitKmh"; a file that cannot be read gives
    // no zones (traced).
    void loadZones(ZoneAlarms& zones);

    bool isOpen() const { return m_open; }

private:
    bool m_open = false;
    std::set<std::string> m_told; // keys whose unusable value was told
    QStringList m_notices;
};

} // namespace corvane
