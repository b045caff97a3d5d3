#include "data/RetentionSweeper.h"

#include "data/AlarmDesk.h"
#include "data/Database.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"
#include "data/StationReceipts.h"
#include "data/TrackIndex.h"
#include "data/Transaction.h"

#include <algorithm>
#include <cstdlib>

namespace corvane {

int RetentionSweeper::sweep(int keepDays, int rows, std::chrono::microseconds budget)
{
    if (keepDays <= 0 || rows <= 0) {
        m_inRound = false;
        return 0;
    }
    if (!m_inRound || keepDays != m_keepDays) {
        // The fronts are fixed for the round: rows received while it runs
        // lie above them whatever they say.
        m_keepDays = keepDays;
        for (Front* front : {&m_events, &m_samples}) {
            front->below =
                StationReceipts::firstIdReceivedWithin(m_database, front->table, keepDays);
            front->done = false;
        }
        std::vector<std::string> names;
        m_database.listTables(names);
        m_hasAcks = std::find(names.begin(), names.end(), "alarm_ack") != names.end();
        m_hasTrack = std::find(names.begin(), names.end(), "gps_track") != names.end();
        m_inRound = true;
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
    if (!m_inRound) {
        for (const char* table : {m_events.table, m_samples.table})
            StationReceipts::forgetOlderThan(m_database, table, keepDays);
    }
    transaction.commit();
    return deleted;
}

int RetentionSweeper::sweepPiece(int rows)
{
    int deleted = 0;
    if (!m_events.done) {
        deleted = sweepFront(m_events, rows, &m_deletedEvents);
        m_events.done = deleted < rows;
    }
    if (deleted < rows && !m_samples.done) {
        const int wanted = rows - deleted;
        const int samples = sweepFront(m_samples, wanted, nullptr);
        deleted += samples;
        m_samples.done = samples < wanted;
    }
    if (m_events.done && m_samples.done)
        m_inRound = false; // the round is over; the next call starts another
    return deleted;
}

int RetentionSweeper::sweepFront(Front& front, int rows, std::vector<long long>* deletedIds)
{
    // Events keep the open alarms; they stay behind the front, which passes them.
    const bool events = &front == &m_events;
    // Without the table every alarm is open.
    const std::string keep = !events ? std::string()
                             : m_hasAcks
                                 ? " AND NOT (" + AlarmDesk::openCondition(m_alarmKinds) + ")"
                                 : " AND NOT (" + AlarmDesk::kindCondition(m_alarmKinds) + ")";
    const FormatableSQL select("SELECT id FROM %s WHERE id < %lld%s ORDER BY id LIMIT %d;",
                               front.table, static_cast<long long>(front.below), keep.c_str(),
                               rows);
    RowSet ids(m_database, select.getText());
    std::string list;
    int count = 0;
    while (ids.next()) {
        const char* id = ids.getText(0);
        list += list.empty() ? "" : ",";
        list += id;
        ++count;
        if (deletedIds != nullptr)
            deletedIds->push_back(std::strtoll(id, nullptr, 10));
    }
    ids.close();
    if (count == 0)
        return 0;
    if (!events && m_hasTrack)
        TrackIndex::forget(m_database, list);
    const std::string sql =
        std::string("DELETE FROM ") + front.table + " WHERE id IN (" + list + ");";
    m_database.execute(sql.c_str());
    if (events && m_hasAcks)
        m_database.execute(("DELETE FROM alarm_ack WHERE event_id IN (" + list + ");").c_str());
    return count;
}

} // namespace corvane
