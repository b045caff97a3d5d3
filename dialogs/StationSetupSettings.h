#pragma once

#include "dialogs/SetupSettings.h"

namespace corvane {

class AbstractSetup;

// The setup dialog's settings in a settings store (the station's Setup).
// writeInt and writeText hold the store's mutex across "BEGIN;", the write and "COMMIT;";
// when any of them fails, the transaction is rolled back and the mutex
// released before the DatabaseException leaves.
//
// Ownership: borrows the store, which must outlive this object.
// Threads: any thread, serialised by the store's mutex. Throws: as
// SetupSettings.
class StationSetupSettings final : public SetupSettings
{
public:
    explicit StationSetupSettings(AbstractSetup& store) noexcept : m_store(store) {}

    int readInt(const char* key, int defaultValue) override;
    void writeInt(const char* key, int value) override;
    std::string readText(const char* key, const std::string& defaultValue) override;
    void writeText(const char* key, const std::string& value) override;

private:
    AbstractSetup& m_store;
};

} // namespace corvane
