#include "app/testsupport/StationTestSupport.h"

#include <QTest>
#include <QWebEnginePage>
#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <sqlite3.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane::test {

namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

QString offscreenPlatform(const std::string& folder, std::initializer_list<Screen> screens)
{
    const std::string path = folder + "/screens.json";
    std::ofstream out(path);
    out << "{\"screens\": [";
    int index = 0;
    for (const Screen& s : screens) {
        out << (index ? "," : "") << "{\"name\": \"screen" << index << "\", \"x\": " << s.x
            << ", \"y\": " << s.y << ", \"width\": " << s.width << ", \"height\": " << s.height
            << ", \"logicalDpi\": 96, \"logicalBpi\": 96, \"dpr\": 1}";
        ++index;
    }
    out << "]}\n";
    return QStringLiteral("offscreen:configfile=") + QString::fromStdString(path);
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

QVariant evaluate(QWebEnginePage& page, const QString& script, int timeoutMs)
{
    // Shared with the callback, which may still arrive after a timeout.
    auto result = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
    page.runJavaScript(script, [result](const QVariant& value) {
        result->first = true;
        result->second = value;
    });
    if (!waitFor([&] { return result->first; }, timeoutMs))
        return {};
    return result->second;
}

int freeUdpPort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("no free UDP port");
    ::close(fd);
    return ntohs(address.sin_port);
}

int freeUdpPortBetween(int low, int high)
{
    const int span = high - low + 1;
    for (int attempt = 0; attempt < span; ++attempt) {
        const int port = low + (static_cast<int>(::getpid()) * 7919 + attempt) % span;
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address = loopback(port);
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (free)
            return port;
    }
    throw std::runtime_error("no free UDP port in range");
}

void sendDatagram(int port, const std::string& text)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in address = loopback(port);
    ::sendto(fd, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&address),
             sizeof address);
    ::close(fd);
}

void writeSetupPort(const std::string& path, int port)
{
    sqlite3* handle = nullptr;
    sqlite3_open(path.c_str(), &handle);
    const std::string sql =
        "CREATE TABLE setup(key text NOT NULL COLLATE NOCASE,value NOT NULL DEFAULT '',"
        "UNIQUE(key));CREATE UNIQUE INDEX setup_idx ON setup(key);"
        "INSERT INTO setup VALUES ('setup/Port', " +
        std::to_string(port) + ");";
    const int rc = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(handle);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot write " + path);
}

std::optional<long> udpReceiveQueue(int port)
{
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line); // header
    while (std::getline(table, line)) {
        unsigned localAddress = 0, localPort = 0, remoteAddress = 0, remotePort = 0, state = 0;
        unsigned long txQueue = 0, rxQueue = 0;
        if (std::sscanf(line.c_str(), " %*d: %8X:%4X %8X:%4X %2X %8lX:%8lX", &localAddress,
                        &localPort, &remoteAddress, &remotePort, &state, &txQueue, &rxQueue) == 7 &&
            static_cast<int>(localPort) == port)
            return static_cast<long>(rxQueue);
    }
    return std::nullopt;
}

AppDatabase::AppDatabase(const std::string& path) : m_path(path) {}

AppDatabase::~AppDatabase()
{
    sqlite3_close(m_handle);
}

bool AppDatabase::ensureOpen()
{
    if (m_handle != nullptr)
        return true;
    if (sqlite3_open_v2(m_path.c_str(), &m_handle, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(m_handle);
        m_handle = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_handle, 2000);
    return true;
}

long long AppDatabase::number(const std::string& sql)
{
    const std::string value = text(sql);
    return value.empty() ? 0 : std::stoll(value);
}

std::string AppDatabase::text(const std::string& sql)
{
    if (!ensureOpen())
        return {};
    sqlite3_stmt* statement = nullptr;
    std::string result;
    if (sqlite3_prepare_v2(m_handle, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        if (const unsigned char* value = sqlite3_column_text(statement, 0))
            result = reinterpret_cast<const char*>(value);
    }
    sqlite3_finalize(statement);
    return result;
}

} // namespace corvane::test
