#include "app/StationDatabases.h"
#include "data/SettingRule.h"
#include "data/SetupDatabase.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(StationDatabases, AnUnusableSettingTakesItsDefaultAndIsToldOnce)
{
    struct Case
    {
        const char* label;
        const char* stored; // SQL literal for "setup/Port"
        int port;
        bool told;
    };
    const Case cases[] = {
        {"no number", "'abc'", 10111, true},       {"out of range", "70000", 10111, true},
        {"empty text", "''", 10111, true},         {"usable", "2000", 2000, false},
        {"usable as text", "'2000'", 2000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempFolder folder;
        {
            SetupDatabase setup;
            setup.open(folder.file("setup.db").c_str(), 5000);
            setup.execute(
                (std::string("INSERT INTO setup VALUES ('setup/Port', ") + c.stored + ");")
                    .c_str());
            setup.execute("INSERT INTO setup VALUES ('data/KeepDays', 'forever');");
            setup.close();
        }
        StationDatabases databases;
        databases.open(QString::fromStdString(folder.path().string()));
        EXPECT_EQ(databases.readSetting(portRule), c.port);
        databases.applyStorageSettings();
        QStringList notices = databases.takeNotices();
        // The keep days are never usable here: told beside the port.
        ASSERT_EQ(notices.size(), c.told ? 2 : 1) << notices.join('\n').toStdString();
        EXPECT_TRUE(notices.back().contains("\"data/KeepDays\" holds \"forever\""));
        if (c.told) {
            EXPECT_TRUE(notices.front().startsWith("The setting \"setup/Port\" holds "));
            EXPECT_TRUE(notices.front().contains("10111 is used instead"));
        }
        // Once: reading again, as a page load does, tells nothing more.
        EXPECT_EQ(databases.readSetting(portRule), c.port);
        databases.applyStorageSettings();
        EXPECT_TRUE(databases.takeNotices().isEmpty());
        databases.close();
    }
}

} // namespace
} // namespace corvane
