#include "data/RetentionSweeper.h"

#include "data/Database.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"
#include "data/Transaction.h"

#include <cstdlib>
#include <cstring>

namespace corvane {

int RetentionSweeper::sweep(int keepDays, int rows, std::chrono::microseconds budget)
{
    if (keepDays <= 0 || rows <= 0) {
        m_limit.clear();
        return 0;
    }
    if (m_limit.empty() || keepDays != m_keepDays) {
        m_keepDays = keepDays;
        const FormatableSQL sql("SELECT DATETIME('now', '-%d days');", keepDays);
        RowSet limit(m_database, sql.getText());
        if (!limit.next() || limit.getText(0) == nullptr)
            return 0;
        m_limit = limit.getText(0);
        m_eventsDone = false;
        m_samplesDone = false;
    }
    m_deletedEvents.clear();
    Transaction transaction(m_database);
    // Pieces until the budget is spent: the commit costs what a piece does
    // several times over, so one commit carries as many as fit.
    const auto start = std::chrono::steady_clock::now();
    int deleted = 0;
    while (true) {
        const int piece = sweepPiece(rows);
        deleted += piece;
        if (piece < rows || std::chrono::steady_clock::now() - start >= budget)
            break;
    }
    transaction.commit();
    return deleted;
}

int RetentionSweeper::sweepPiece(int rows)
{
    int deleted = 0;
    if (!m_eventsDone) {
        deleted = sweepFront("event_info", "time", rows, &m_deletedEvents);
        m_eventsDone = deleted < rows;
    }
    if (deleted < rows && !m_samplesDone) {
        const int wanted = rows - deleted;
        const int samples = sweepFront("gps_data", "update_time", wanted, nullptr);
        deleted += samples;
        m_samplesDone = samples < wanted;
    }
    if (m_eventsDone && m_samplesDone)
        m_limit.clear(); // the round is over; the next call starts another
    return deleted;
}

int RetentionSweeper::sweepFront(const char* table, const char* timeColumn, int rows,
                                 std::vector<long long>* deletedIds)
{
    // The oldest rows by id lie together on a few pages, so deleting them
    // dirties little; the walk stops at the first row that is young enough.
    const FormatableSQL select("SELECT id, %s FROM %s ORDER BY id LIMIT %d;", timeColumn, table,
                               rows);
    RowSet front(m_database, select.getText());
    std::string ids;
    int count = 0;
    while (front.next()) {
        const char* time = front.getText(1);
        if (time != nullptr && std::strcmp(time, m_limit.c_str()) >= 0)
            break;
        const char* id = front.getText(0);
        ids += ids.empty() ? "" : ",";
        ids += id;
        ++count;
        if (deletedIds != nullptr)
            deletedIds->push_back(std::strtoll(id, nullptr, 10));
    }
    front.close();
    if (count == 0)
        return 0;
    const std::string sql = std::string("DELETE FROM ") + table + " WHERE id IN (" + ids + ");";
    m_database.execute(sql.c_str());
    return count;
}

} // namespace corvane
