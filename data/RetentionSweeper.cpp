#include "data/RetentionSweeper.h"

#include "data/Database.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"
#include "data/Transaction.h"

#include <cstdlib>

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
        m_vehicle.clear();
        m_eventsDone = false;
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
        deleted = sweepEvents(rows);
        m_eventsDone = deleted < rows;
    }
    while (deleted < rows) {
        deleted += sweepSamples(rows - deleted);
        if (deleted < rows && !nextVehicle()) {
            m_limit.clear(); // the round is over; the next call starts another
            break;
        }
    }
    return deleted;
}

int RetentionSweeper::sweepEvents(int rows)
{
    // The ids first, so that the owner learns which events went.
    const FormatableSQL select("SELECT id FROM event_info WHERE time < '%q' LIMIT %d;",
                               m_limit.c_str(), rows);
    RowSet found(m_database, select.getText());
    std::string ids;
    while (found.next()) {
        const char* id = found.getText(0);
        ids += ids.empty() ? "" : ",";
        ids += id;
        m_deletedEvents.push_back(std::strtoll(id, nullptr, 10));
    }
    found.close();
    if (ids.empty())
        return 0;
    const std::string sql = "DELETE FROM event_info WHERE id IN (" + ids + ");";
    m_database.execute(sql.c_str());
    return m_database.getChanges();
}

int RetentionSweeper::sweepSamples(int rows)
{
    const FormatableSQL sql("DELETE FROM gps_data WHERE id IN (SELECT id FROM gps_data WHERE "
                            "vehicle_id = '%q' AND update_time < '%q' LIMIT %d);",
                            m_vehicle.c_str(), m_limit.c_str(), rows);
    m_database.execute(sql.getText());
    return m_database.getChanges();
}

bool RetentionSweeper::nextVehicle()
{
    const FormatableSQL sql(
        "SELECT vehicle_id FROM gps_data WHERE vehicle_id > '%q' ORDER BY vehicle_id LIMIT 1;",
        m_vehicle.c_str());
    RowSet next(m_database, sql.getText());
    if (!next.next() || next.getText(0) == nullptr)
        return false;
    m_vehicle = next.getText(0);
    return true;
}

} // namespace corvane
