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

} // namespace corvane
