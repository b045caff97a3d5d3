#include "app/testsupport/StationTestSupport.h"

#include "proof/LoopbackSender.h"
#include "proof/TableRows.h"

#include <QTest>
#include <QWebEnginePage>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sqlite3.h>
#include <stdexcept>
#include <unistd.h>

namespace corvane::test {

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

int freeUdpPortBetween(int low, int high)
{
    const int span = high - low + 1;
    for (int attempt = 0; attempt < span; ++attempt) {
        const int port = low + (static_cast<int>(::getpid()) * 7919 + attempt) % span;
        if (LoopbackSender::portIsFree(port))
            return port;
    }
    throw std::runtime_error("no free UDP port in range");
}

void sendDatagram(int port, const std::string& text)
{
    LoopbackSender(port).send(text);
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

std::string firstText(TableRows& rows, const std::string& sql)
{
    const std::vector<Row> result = rows.query(sql);
    return result.empty() || result.front().empty() ? std::string() : result.front().front();
}

} // namespace corvane::test
