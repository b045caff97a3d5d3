#include "proof/StationFixture.h"

#include "data/SetupDatabase.h"
#include "testsupport/DeadlineWait.h"

#include <cstdlib>
#include <filesystem>

namespace corvane {

std::string StationFixture::binary()
{
    if (const char* configured = std::getenv("CORVANE_STATION_BINARY"))
        return configured;
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "app" / "corvane").string();
}

StationFixture::StationFixture(int port) : m_port(port == 0 ? defaultPort : port)
{
    if (port != 0) {
        SetupDatabase setup;
        setup.open(m_folder.file("setup.db").c_str(), 5000);
        setup.setInt("setup/Port", port);
        setup.close();
    }
    m_process = std::make_unique<StationProcess>(binary(), m_folder.path().string());
    m_sender = std::make_unique<LoopbackSender>(m_port);
    m_appDb = std::make_unique<TableRows>(m_folder.file("app.db"));
}

bool StationFixture::start(std::optional<uid_t> user)
{
    m_process->start(user);
    return test::waitFor(
               [&] {
                   return LoopbackSender::receiveQueue(m_port).has_value() || !m_process->running();
               },
               deadline) &&
           m_process->running();
}

bool StationFixture::deliver(const std::string& datagram)
{
    if (!m_sender->send(datagram))
        return datagram.size() > 65507;
    return test::waitFor([&] { return LoopbackSender::receiveQueue(m_port).value_or(0) == 0; },
                         deadline);
}

} // namespace corvane
