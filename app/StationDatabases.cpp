#include "app/StationDatabases.h"

#include "app/ZoneAlarms.h"
#include "base/Exception.h"
#include "base/Trace.h"
#include "data/AbstractDatabaseRecord.h" // DBManager.h needs it complete
#include "data/DBManager.h"
#include "data/SettingRule.h"
#include "data/Setup.h"

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
    DBManager& writer = DBManager::getInstance();
    writer.setKeepDays(readSetting(keepDaysRule));
    const int minFreeMB = readSetting(minFreeRule);
    writer.setMinFreeBytes(static_cast<std::uint64_t>(minFreeMB) * 1024 * 1024);
}

void StationDatabases::loadZones(ZoneAlarms& zones)
{
    const int generalLimit = readSetting(speedLimitRule);
    DBManager& database = DBManager::getInstance();
    try {
        zones.load(database.loadZones(), database.loadZonePresence(), generalLimit);
    } catch (const Exception& e) {
        traceException(e);
        zones.load({}, {}, generalLimit);
    }
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

int StationDatabases::readSetting(const SettingRule& rule)
{
    AbstractSetup::Checked setting{rule.defaultValue, std::nullopt};
    try {
        setting = Setup::getInstance().getChecked(rule);
    } catch (const Exception& e) {
        traceException(e);
        return rule.defaultValue;
    }
    const std::optional<std::string>& unusable = setting.unusable;
    if (unusable && m_told.insert(rule.key).second) {
        traceMessage("setup.db holds \"%s\" for \"%s\", which is not a number from %d to %d: "
                     "%d is used instead",
                     unusable->c_str(), rule.key, rule.minimum, rule.maximum, rule.defaultValue);
        m_notices << QStringLiteral("The setting \"%1\" holds \"%2\", which is not a number "
                                    "from %3 to %4.\n%5 is used instead until it is mended "
                                    "in the setup.")
                         .arg(QString::fromLatin1(rule.key), QString::fromStdString(*unusable))
                         .arg(rule.minimum)
                         .arg(rule.maximum)
                         .arg(rule.defaultValue);
    }
    return setting.value;
}

QStringList StationDatabases::takeNotices()
{
    QStringList notices;
    notices.swap(m_notices);
    return notices;
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
