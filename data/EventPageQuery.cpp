#include "data/EventPageQuery.h"

#include "data/EventLog.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"

#include <algorithm>
#include <cstdlib>
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
                          std::size_t limit, const std::function<void(const EventLog&)>& visit)
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
    const FormatableSQL sql("SELECT * FROM event_info%s ORDER BY %s LIMIT %lld OFFSET %lld;",
                            where.getText(), order.getText(), static_cast<long long>(limit),
                            static_cast<long long>(reverse ? fromEnd : offset));
    RowSet rows(m_database, sql.getText());
    std::vector<EventLog> events;
    events.reserve(limit);
    while (rows.next()) {
        events.emplace_back();
        events.back().load(rows);
    }
    rows.close();
    if (reverse)
        std::reverse(events.begin(), events.end());
    for (const EventLog& event : events)
        visit(event);
}

} // namespace corvane
