#include "data/AlarmDesk.h"

#include "data/AlarmAck.h"
#include "data/Database.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"

#include <algorithm>

namespace corvane {

const char* const AlarmDesk::createTable =
    "CREATE TABLE alarm_ack (event_id INTEGER PRIMARY KEY REFERENCES event_info(id), "
    "acknowledged DATETIME NOT NULL, operator TEXT NOT NULL, note TEXT NOT NULL DEFAULT '')";

void AlarmDesk::ensureTable(Database& database)
{
    std::vector<std::string> names;
    database.listTables(names);
    if (std::find(names.begin(), names.end(), "alarm_ack") == names.end())
        database.execute(createTable);
}

std::string AlarmDesk::kindCondition(const std::vector<std::int32_t>& kinds)
{
    if (kinds.empty())
        return "0";
    std::string condition = "event_type IN (";
    for (std::size_t i = 0; i < kinds.size(); ++i)
        condition += (i == 0 ? "" : ",") + std::to_string(kinds[i]);
    return condition + ")";
}

std::string AlarmDesk::openCondition(const std::vector<std::int32_t>& kinds)
{
    if (kinds.empty())
        return "0";
    // A lookup of the key per row: the acknowledgements may be many.
    return kindCondition(kinds) +
           " AND NOT EXISTS (SELECT 1 FROM alarm_ack WHERE alarm_ack.event_id = event_info.id)";
}

std::vector<OpenAlarm> AlarmDesk::loadOpen(Database& database,
                                           const std::vector<std::int32_t>& kinds,
                                           std::size_t limit, std::size_t& notHeld)
{
    notHeld = 0;
    std::vector<OpenAlarm> alarms;
    if (kinds.empty())
        return alarms;
    const std::string condition = openCondition(kinds);
    const FormatableSQL select("SELECT id, vehicle_id, event_type, device_title, time FROM "
                               "event_info WHERE %s ORDER BY id DESC LIMIT %lld;",
                               condition.c_str(), static_cast<long long>(limit));
    RowSet rows(database, select.getText());
    while (rows.next()) {
        OpenAlarm alarm;
        alarm.id = rows.getInt64(0);
        alarm.vehicle_id = UniqueID(rows.getText(1));
        alarm.event_type = rows.getInt(2);
        alarm.device_title = rows.getTextOrEmpty(3);
        alarm.time = rows.getTextOrEmpty(4);
        alarms.push_back(std::move(alarm));
    }
    rows.close();
    std::reverse(alarms.begin(), alarms.end());
    if (alarms.size() == limit) {
        const std::string count = "SELECT count(*) FROM event_info WHERE " + condition + ";";
        RowSet total(database, count.c_str());
        if (total.next())
            notHeld = static_cast<std::size_t>(std::max<long long>(
                0, total.getInt64(0) - static_cast<long long>(alarms.size())));
    }
    return alarms;
}

std::vector<std::int64_t> AlarmDesk::acknowledge(Database& database, const AlarmAck& ack,
                                                 const std::vector<std::int32_t>& kinds)
{
    std::vector<std::int64_t> ids;
    if (kinds.empty())
        return ids;
    {
        const std::string open = openCondition(kinds);
        const auto eventId = static_cast<long long>(ack.event_id);
        const FormatableSQL select =
            ack.wholeVehicle
                ? FormatableSQL("SELECT id FROM event_info WHERE vehicle_id = '%q' AND id <= %lld "
                                "AND %s ORDER BY id;",
                                ack.vehicle_id.toText().c_str(), eventId, open.c_str())
                : FormatableSQL("SELECT id FROM event_info WHERE id = %lld AND %s;", eventId,
                                open.c_str());
        RowSet rows(database, select.getText());
        while (rows.next())
            ids.push_back(rows.getInt64(0));
    }
    for (std::int64_t id : ids) {
        const FormatableSQL insert("INSERT OR IGNORE INTO alarm_ack (event_id, acknowledged, "
                                   "operator, note) VALUES (%lld, '%q', '%q', '%q');",
                                   static_cast<long long>(id), ack.acknowledged.c_str(),
                                   ack.operator_name.c_str(), ack.note.c_str());
        database.execute(insert.getText());
    }
    return ids;
}

} // namespace corvane
