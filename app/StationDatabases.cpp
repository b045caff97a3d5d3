#include "app/StationDatabases.h"

#include "base/Exception.h"
#include "base/Trace.h"
#include "data/AbstractDatabaseRecord.h" // DBManager.h needs it complete
#include "data/DBManager.h"
#include "data/Setup.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

namespace corvane {

namespace {

constexpr int busyTimeoutMs = 5000;

std::string fileIn(const QString& folder, const char* name)
{
    return (folder.endsWith(u'/') ? folder : folder + u'/').toStdString() + name;
}

} // namespace

void StationDatabases::open(const QString& folder)
{
    try {
        DBManager::getInstance().open(fileIn(folder, "app.db"), busyTimeoutMs);
    } catch (const Exception& e) {
        traceException(e);
    }
    try {
        Setup::getInstance().open(fileIn(folder, "setup.db"));
    } catch (const Exception& e) {
        traceException(e);
    }
    m_open = true;
}

void StationDatabases::close()
{
    if (!m_open)
        return;
    m_open = false;
    DBManager::getInstance().close();
    Setup& setup = Setup::getInstance();
    std::lock_guard lock(setup.getMutex());
    setup.getDatabase().close();
}

void StationDatabases::applyStorageSettings()
{
    constexpr int defaultMinFreeMB = 200;
    DBManager& writer = DBManager::getInstance();
    writer.setKeepDays(std::max(readInt("data/KeepDays", 0), 0));
    const int minFreeMB = std::max(readInt("data/MinFreeMB", defaultMinFreeMB), 0);
    writer.setMinFreeBytes(static_cast<std::uint64_t>(minFreeMB) * 1024 * 1024);
}

int StationDatabases::readInt(const char* key, int defaultValue)
{
    try {
        return Setup::getInstance().getInt(key, defaultValue);
    } catch (const Exception& e) {
        traceException(e);
        return defaultValue;
    }
}

std::string StationDatabases::readText(const char* key, const char* defaultValue)
{
    Setup& setup = Setup::getInstance();
    try {
        std::lock_guard lock(setup.getMutex());
        return setup.getDatabase().getString(key, defaultValue);
    } catch (const Exception& e) {
        traceException(e);
        return defaultValue;
    }
}

} // namespace corvane
