#pragma once

#include "proof/LoopbackSender.h"
#include "proof/TableRows.h"
#include "testsupport/StationProcess.h"
#include "testsupport/TempFolder.h"
#include "testsupport/UdpPorts.h"

#include <chrono>
#include <memory>
#include <string>

namespace corvane {

// One station program in a fresh start-up folder of its own whose setup.db
// names a free callback port, with a sender to that port and a reader of its
// app.db: the common ground of the tests that prove the whole program.
//
// Ownership: owns the folder, the process, the sender and the reader; the
// process is killed (SIGKILL) on destruction when still running.
// Threads: one thread. Throws: std::runtime_error when the folder, the
// settings file or the process cannot be made.
class StationFixture
{
public:
    // The station executable: CORVANE_STATION_BINARY in the environment, else
    // the one built beside this program (../app/corvane).
    static std::string binary();

    // With port 0 no setup.db is written and the station uses its default.
    explicit StationFixture(int port = test::freeUdpPort());

    // Starts the station and waits until its callback port is open; false
    // when that did not happen within the deadline.
    bool start(std::optional<uid_t> user = std::nullopt);

    // Sends one datagram and waits until the station has taken it from its
    // socket (or it was refused as too long for the protocol).
    bool deliver(const std::string& datagram);

    int port() const noexcept { return m_port; }
    const TempFolder& folder() const noexcept { return m_folder; }
    StationProcess& process() noexcept { return *m_process; }
    TableRows& appDb() noexcept { return *m_appDb; }
    LoopbackSender& sender() noexcept { return *m_sender; }

    // Generous: the writer commits every half second, but the machine is shared.
    static constexpr int deadlineMs = 60000;
    static constexpr std::chrono::milliseconds deadline{deadlineMs};
    static constexpr int defaultPort = 10111;

private:
    TempFolder m_folder;
    int m_port;
    std::unique_ptr<StationProcess> m_process;
    std::unique_ptr<LoopbackSender> m_sender;
    std::unique_ptr<TableRows> m_appDb;
};

} // namespace corvane
