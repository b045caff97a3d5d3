#include "app/SingletonStationRecords.h"
#include "app/ZoneAlarms.h"
#include "app/ZoneEditor.h"
#include "browser/scriptcalls/MapPage.h"
#include "browser/scriptcalls/PageCallSink.h"
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/RowSet.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

struct Recorder : PageCallSink
{
    void call(PageCall call) override { calls.push_back(call.text()); }
    std::vector<std::string> calls;
};

const std::string square =
    R"({"type":"Polygon","coordinates":[[[11.5,48.1],[11.6,48.1],[11.6,48.2],[11.5,48.1]]]})";
const std::string circle =
    R"({"type":"Feature","properties":{"radius":250},"geometry":{"type":"Point","coordinates":[11.55,48.15]}})";

// The editor on a real app.db, as the station opens it.
class ZoneEditorTest : public ::testing::Test
{
protected:
    ZoneEditorTest() { DBManager::getInstance().open(folder.file("app.db"), 5000); }
    ~ZoneEditorTest() override { DBManager::getInstance().close(); }

    std::vector<std::string> stored()
    {
        Database db;
        db.open(folder.file("app.db").c_str(), 5000);
        RowSet rows(db, "SELECT id || '|' || name || '|' || geometry || '|' || deleted FROM zone "
                        "ORDER BY id;");
        std::vector<std::string> out;
        while (rows.next())
            out.push_back(rows.getText(0));
        return out;
    }
    std::string lastCall() { return page.calls.empty() ? "" : page.calls.back(); }

    TempFolder folder;
    SingletonStationRecords records;
    Recorder page;
    MapPage map{page};
    ZoneAlarms zones{records, map};
    ZoneEditor editor{zones, map};
};

TEST_F(ZoneEditorTest, ADrawnZoneIsStoredExactlyWatchedAndDrawnAgain)
{
    editor.save("", "  Depot <1> ", square);
    editor.save("", "Yard", circle);
    EXPECT_EQ(stored(), (std::vector<std::string>{"1|Depot <1>|" + square + "|0",
                                                  "2|Yard|" + circle + "|0"}));
    EXPECT_EQ(zones.zoneCount(), 2u);
    EXPECT_EQ(lastCall().rfind("setZones([{", 0), 0u) << lastCall();
    EXPECT_NE(lastCall().find(R"("id":2,"name":"Yard")"), std::string::npos);

    // A new shape keeps the name; a removed zone stays in the table, marked.
    editor.save("2", "ignored", square);
    editor.remove("1");
    EXPECT_EQ(stored(), (std::vector<std::string>{"1|Depot <1>|" + square + "|1",
                                                  "2|Yard|" + square + "|0"}));
    EXPECT_EQ(zones.zoneCount(), 1u);
    EXPECT_EQ(lastCall().find(R"("id":1)"), std::string::npos) << lastCall();
}

TEST_F(ZoneEditorTest, WhatCannotBeAZoneIsRefusedAndToldAndNothingIsStored)
{
    editor.save("", "Depot", square);
    const std::vector<std::string> before = stored();
    struct Case
    {
        const char* what;
        std::string id, name, geometry;
    };
    const Case cases[] = {
        {"no name", "", "   ", square},
        {"a name too long", "", std::string(201, 'n'), square},
        {"no shape", "", "Broken", R"({"type":"Polygon"})"},
        {"not JSON", "", "Broken", "'); alert(1); ('"},
        {"an unknown zone", "99", "", square},
        {"an id that is no number", "1 OR 1=1", "", square},
        {"a negative id", "-1", "", square},
        {"a new shape that is none", "1", "", "[]"},
    };
    for (const Case& c : cases) {
        page.calls.clear();
        editor.save(c.id, c.name, c.geometry);
        EXPECT_EQ(lastCall().rfind("zoneRefused('", 0), 0u) << c.what << ": " << lastCall();
        EXPECT_EQ(stored(), before) << c.what;
    }
    for (const char* id : {"99", "x", ""}) {
        page.calls.clear();
        editor.remove(id);
        EXPECT_EQ(lastCall().rfind("zoneRefused('no such zone');", 0), 0u) << id;
    }
    editor.remove("1");
    page.calls.clear();
    editor.remove("1"); // already deleted
    EXPECT_EQ(lastCall(), "zoneRefused('no such zone');");
}

} // namespace
} // namespace corvane
