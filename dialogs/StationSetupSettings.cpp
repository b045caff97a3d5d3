#include "dialogs/StationSetupSettings.h"

#include "data/AbstractSetup.h"
#include "data/Transaction.h"

#include <mutex>

namespace corvane {

int StationSetupSettings::readInt(const char* key, int defaultValue)
{
    return m_store.getInt(key, defaultValue);
}

void StationSetupSettings::writeInt(const char* key, int value)
{
    std::lock_guard lock(m_store.getMutex());
    Transaction transaction(m_store.getDatabase());
    m_store.getDatabase().setInt(key, value);
    transaction.commit();
}

std::string StationSetupSettings::readText(const char* key, const std::string& defaultValue)
{
    std::lock_guard lock(m_store.getMutex());
    return m_store.getDatabase().getString(key, defaultValue.c_str());
}

void StationSetupSettings::writeText(const char* key, const std::string& value)
{
    std::lock_guard lock(m_store.getMutex());
    Transaction transaction(m_store.getDatabase());
    m_store.getDatabase().setString(key, value.c_str());
    transaction.commit();
}

} // namespace corvane
