#include "data/AlarmDesk.h"
#include "data/Database.h"
#include "data/EventLog.h"
#include "data/EventPageQuery.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"
#include "data/Transaction.h"
#include "testsupport/TempFolder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace corvane {
namespace {

// A real file of a few hundred pages of events: four vehicles, times spread
// over ten days, some unreadable (NULL), rows stored out of time order; every
// third event acknowledged, some with texts a query could trip on.
class EventPageQueryTest : public ::testing::Test
{
protected:
    static constexpr int rows = 25'037;

    void SetUp() override
    {
        db.open(folder.file("app.db").c_str(), 5000);
        db.execute("CREATE TABLE event_info (id INTEGER PRIMARY KEY AUTOINCREMENT,address "
                   "TEXT,name TEXT,time DATETIME,event_type INTEGER,device_title TEXT, "
                   "vehicle_id TEXT);"
                   "CREATE INDEX event_info_time_idx ON event_info(time);"
                   "CREATE INDEX event_info_vehicle_time_idx ON event_info(vehicle_id, time);");
        AlarmDesk::ensureTable(db);
        Transaction transaction(db);
        for (int i = 0; i < rows; ++i) {
            const int day = 1 + (i * 7919) % 10;
            const FormatableSQL sql(
                "INSERT INTO event_info (address, name, time, event_type, device_title, "
                "vehicle_id) VALUES ('10.0.0.%d', 'car %d', %s, %d, 'DVR', 'v%d');",
                i % 250, i,
                i % 97 == 0 ? "NULL"
                            : ("'2011-05-0" + std::to_string(day % 10) + " 12:00:00'").c_str(),
                i % 14, i % 4);
            db.execute(sql.getText());
            if (i % 3 == 0) {
                db.execute(
                    FormatableSQL("INSERT INTO alarm_ack VALUES (%d, '2011-06-01 10:00:%02d', "
                                  "'op%d', 'it''s %d, \"ok\"');",
                                  i + 1, i % 60, i % 7, i)
                        .getText());
            }
        }
        transaction.commit();
    }

    // What the page should carry for the event of this id.
    static std::string ackOf(int id)
    {
        const int i = id - 1;
        if (i % 3 != 0)
            return "open";
        char text[80];
        std::snprintf(text, sizeof text, "2011-06-01 10:00:%02d|op%d|it's %d, \"ok\"", i % 60,
                      i % 7, i);
        return text;
    }

    // The expected page: every matching row in order (stored order, or time
    // order for a search), sliced.
    std::vector<int> plainPage(const char* condition, std::size_t offset, std::size_t limit)
    {
        const std::string where = condition ? std::string(" WHERE ") + condition : "";
        const std::string sql = "SELECT id FROM event_info" + where +
                                (condition ? " ORDER BY time, id;" : " ORDER BY id;");
        RowSet all(db, sql.c_str());
        std::vector<int> ids;
        while (all.next())
            ids.push_back(all.getInt(0));
        std::vector<int> page;
        for (std::size_t i = offset; i < ids.size() && i < offset + limit; ++i)
            page.push_back(ids[i]);
        return page;
    }

    TempFolder folder;
    Database db;
};

TEST_F(EventPageQueryTest, PagesEqualTheSameSliceOfAPlainQuery)
{
    const std::string openInMay =
        "time between '2011-05-02 00:00:00' AND '2011-05-09 23:59:59' AND " +
        AlarmDesk::openCondition({1, 13});
    const char* const conditions[] = {
        nullptr,
        "time between '1970-01-01 00:00:00' AND '2100-12-31 24:59:59' ",
        "time between '2011-05-03 00:00:00' AND '2011-05-05 23:59:59' ",
        "vehicle_id = 'v2' AND time between '2011-05-02 00:00:00' AND '2011-05-09 23:59:59' ",
        "vehicle_id = 'nobody' AND time between '1970-01-01 00:00:00' AND '2100-12-31 24:59:59' ",
        // The open alarms of two kinds, as the event log asks for them.
        openInMay.c_str(),
    };
    EventPageQuery query(db);
    for (const char* condition : conditions) {
        SCOPED_TRACE(condition ? condition : "(none)");
        const std::size_t total = query.count(condition);
        EXPECT_EQ(total, plainPage(condition, 0, rows + 1).size());
        // First, second, the middle on both sides, the last (partial), one
        // past the end.
        const std::size_t offsets[] = {0,
                                       100,
                                       total / 2 - total / 2 % 100,
                                       total / 2 + 100 - total / 2 % 100,
                                       total - total % 100,
                                       total,
                                       total + 100};
        for (std::size_t offset : offsets) {
            SCOPED_TRACE(offset);
            std::vector<int> got;
            std::vector<std::string> names;
            std::vector<std::string> acks;
            query.page(condition, total, offset, 100,
                       [&](const EventLog& event, const std::optional<AlarmAck>& ack) {
                           got.push_back(event.id);
                           names.push_back(event.name);
                           acks.push_back(ack ? ack->acknowledged + "|" + ack->operator_name + "|" +
                                                    ack->note
                                              : "open");
                       });
            EXPECT_EQ(got, plainPage(condition, offset, 100));
            for (std::size_t i = 0; i < got.size(); ++i) {
                EXPECT_EQ(names[i], "car " + std::to_string(got[i] - 1));
                EXPECT_EQ(acks[i], ackOf(got[i]));
            }
        }
    }
}

} // namespace
} // namespace corvane
