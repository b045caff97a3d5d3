#include "data/Setup.h"

#include "data/SingletonRegistry.h"
#include "data/Transaction.h"

namespace corvane {

namespace {

std::recursive_mutex g_creationMutex;
std::atomic<Setup*> g_instance{nullptr};

} // namespace

Setup& Setup::getInstance()
{
    return SingletonRegistry::obtain(g_instance, g_creationMutex, [] { return new Setup(); });
}

void Setup::initialize(SetupDatabase& database)
{
    std::lock_guard lock(getMutex());
    Transaction transaction(database);
    database.insertInt("Magic", 4915331, false);
    database.insertString("Version", "1.0.0", false);
    database.insertBool("Initialized", true, false);
    database.insertInt(portKey, defaultPort, false);
    database.insertString("setup/Driver", "Driver", false);
    database.insertString("setup/Company", "Company", false);
    database.insertString("setup/Image", "Image", false);
    transaction.commit();
}

} // namespace corvane
