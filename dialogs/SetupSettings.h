#pragma once

#include <string>

namespace corvane {

// The settings the setup dialog reads and writes. The station's
// implementation is StationSetupSettings (setup.db through Setup); tests
// provide their own.
//
// Threads: the main window's thread; an implementation serialises with the
// other users of its store itself.
// Throws: DatabaseException from both operations. A failed writeInt leaves
// the store as it was before the call: no lock held, no transaction open.
class SetupSettings
{
public:
    virtual ~SetupSettings() = default;

    // The stored value, or defaultValue (which is then stored) when the key
    // is missing.
    virtual int readInt(const char* key, int defaultValue) = 0;

    // Stores value under key in a transaction of its own.
    virtual void writeInt(const char* key, int value) = 0;

    // The same for texts.
    virtual std::string readText(const char* key, const std::string& defaultValue) = 0;
    virtual void writeText(const char* key, const std::string& value) = 0;
};

} // namespace corvane
