#include "data/EventPageQuery.h"

#include "data/EventLog.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace corvane {

namespace {

bool hasCondition(const char* condition)
{
    return condition != nullptr && condition[0] != '\0';
}

// The condition as " WHERE ..." or nothing.
FormatableSQL whereClause(const char* condition)
{
    if (hasCondition(condition))
        return FormatableSQL(" WHERE %s", condition);
    return FormatableSQL("%s", "");
}

} // namespace

std::size_t EventPageQuery::count(const char* condition)
{
    const FormatableSQL where = whereClause(condition);
    const FormatableSQL sql("SELECT count(*) FROM event_info%s;", where.getText());
    RowSet rows(m_database, sql.getText());
    if (!rows.next() || rows.getText(0) == nullptr)
        return 0;
    return static_cast<std::size_t>(std::strtoull(rows.getText(0), nullptr, 10));
}

void EventPageQuery::page(const char* condition, std::size_t total, std::size_t offset,
                          std::size_t limit, const EventVisitor& visit)
{
    if (offset >= total || limit == 0)
        return;
    limit = std::min(limit, total - offset);
    // From the far end the same rows lie after total - offset - limit others.
    const std::size_t fromEnd = total - offset - limit;
    const bool reverse = fromEnd < offset;
    const FormatableSQL where = whereClause(condition);
    const char* direction = reverse ? "DESC" : "ASC";
    // A search (always by time) goes in time order, which the time indexes
    // give without sorting the matches; the same order as stored for events
    // that arrive in time order. Without a condition: the stored order.
    const FormatableSQL order = hasCondition(condition)
                                    ? FormatableSQL("time %s, id %s", direction, direction)
                                    : FormatableSQL("id %s", direction);
    // The event's columns in EventLog's order, then the acknowledgement's
    // (alarm_ack.event_id is NULL for an event without one).
    const FormatableSQL sql(
        "SELECT event_info.id, event_info.address, event_info.name, event_info.time, "
        "event_info.event_type, event_info.device_title, event_info.vehicle_id, "
        "alarm_ack.event_id, alarm_ack.acknowledged, alarm_ack.operator, alarm_ack.note "
        "FROM event_info LEFT JOIN alarm_ack ON alarm_ack.event_id = event_info.id%s "
        "ORDER BY %s LIMIT %lld OFFSET %lld;",
        where.getText(), order.getText(), static_cast<long long>(limit),
        static_cast<long long>(reverse ? fromEnd : offset));
    RowSet rows(m_database, sql.getText());
    std::vector<std::pair<EventLog, std::optional<AlarmAck>>> events;
    events.reserve(limit);
    while (rows.next()) {
        auto& [event, ack] = events.emplace_back();
        event.load(rows);
        if (rows.getText(7) != nullptr)
            ack.emplace().loadColumns(rows, 7);
    }
    rows.close();
    if (reverse)
        std::reverse(events.begin(), events.end());
    for (const auto& [event, ack] : events)
        visit(event, ack);
}

} // namespace corvane
