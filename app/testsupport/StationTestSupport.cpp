#include "app/testsupport/StationTestSupport.h"

#include "app/CorvaneApp.h"
#include "app/StartupFolder.h"
#include "proof/LoopbackSender.h"
#include "proof/TableRows.h"
#include "testsupport/TempFolder.h"

#include <QApplication>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
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

int runInStation(int argc, char** argv, std::initializer_list<Screen> screens,
                 const std::function<bool(const TempFolder&)>& prepare)
{
    TempFolder folder;
    if (::chdir(folder.path().c_str()) != 0 || (prepare && !prepare(folder)))
        return 2;
    qputenv("QT_QPA_PLATFORM", offscreenPlatform(folder.path().string(), screens).toUtf8());
    CorvaneApp::prepareProcess();
    QApplication app(argc, argv);
    StartupFolder::record();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
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
