#pragma once

#include "base/ISingleton.h"
#include "data/AbstractSetup.h"

namespace corvane {

// The station's settings (setup.db). A new file holds, from its first
// moment, "Magic" 4915331, "Version" "1.0.0", "Initialized" 1, "setup/Port"
// 10111, "setup/Driver" "Driver", "setup/Company" "Company" and
// "setup/Image" "Image". Readers: "setup/Port" (default 10111) and
// "setup/TimeoutDuration" (minutes, default 10).
//
// Lifetime: single instance (getInstance), destroyed at exit by the
// singleton registry; the main window opens it at start-up and closes it at
// shutdown (close()). Tests may open it again on
// another file.
// Threads and throws: as AbstractSetup.
class Setup final : public AbstractSetup, public ISingleton
{
public:
    static constexpr const char* portKey = "setup/Port";
    static constexpr const char* timeoutDurationKey = "setup/TimeoutDuration";
    static constexpr int defaultPort = 10111;
    static constexpr int defaultTimeoutDuration = 10;

    static Setup& getInstance();

protected:
    // All seven values in one transaction; a failure half-way rolls it back,
    // releases the mutex and raises.
    void initialize(SetupDatabase& database) override;
    void onOpened(SetupDatabase& database) override {}

private:
    Setup() = default;
};

} // namespace corvane
