#include "data/TrackIndex.h"

#include "data/Database.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"
#include "data/Statement.h"
#include "data/Transaction.h"

#include <algorithm>
#include <numeric>

namespace corvane {

namespace {

// Samples read from gps_data per statement while a step is read.
constexpr int readPiece = 4096;
// Inserted between two looks at the clock.
constexpr std::size_t insertsPerLook = 64;

constexpr const char* oldIndex = "gps_data_vehicle_time_idx";

} // namespace

void TrackIndex::ensureTables(Database& database)
{
    database.execute(
        "CREATE TABLE IF NOT EXISTS gps_track (vehicle_id TEXT NOT NULL, update_time DATETIME NOT "
        "NULL, id INTEGER NOT NULL, PRIMARY KEY (vehicle_id, update_time, id)) WITHOUT ROWID;"
        "CREATE TABLE IF NOT EXISTS gps_track_through (through INTEGER NOT NULL);"
        "INSERT INTO gps_track_through (through) SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM "
        "gps_track_through);");
}

namespace {

// The samples not yet moved: those above the mark.
constexpr const char* tail =
    "FROM gps_data WHERE id > IFNULL((SELECT MAX(through) FROM gps_track_through), 0)";

// The vehicle's samples in [from, to]: the moved ones through gps_track (joined to
// their rows when texts), the tail from gps_data. UNION, not UNION ALL: a sample of a
// step that is under way may be in both.
std::string compoundSql(bool texts, const std::string& vehicleId, const std::string& from,
                        const std::string& to)
{
    const FormatableSQL sql(
        "SELECT gps_track.update_time, gps_track.id%s FROM gps_track%s WHERE "
        "gps_track.vehicle_id='%q' AND gps_track.update_time BETWEEN '%q' AND '%q' UNION SELECT "
        "update_time, id%s %s AND vehicle_id='%q' AND update_time BETWEEN '%q' AND '%q'",
        texts ? ", g.gps_data" : "", texts ? " JOIN gps_data AS g ON g.id = gps_track.id" : "",
        vehicleId.c_str(), from.c_str(), to.c_str(), texts ? ", gps_data" : "", tail,
        vehicleId.c_str(), from.c_str(), to.c_str());
    return sql.getText();
}

} // namespace

std::string TrackIndex::rangeSql(const std::string& vehicleId, const std::string& from,
                                 const std::string& to)
{
    return compoundSql(false, vehicleId, from, to);
}

std::string TrackIndex::rowsSql(const std::string& vehicleId, const std::string& from,
                                const std::string& to)
{
    return compoundSql(true, vehicleId, from, to);
}

std::string TrackIndex::latestSql(const std::string& vehicleId)
{
    const FormatableSQL sql("SELECT MAX(t) FROM (SELECT MAX(update_time) AS t FROM gps_track "
                            "WHERE vehicle_id='%q' UNION ALL SELECT MAX(update_time) %s AND "
                            "vehicle_id='%q')",
                            vehicleId.c_str(), tail, vehicleId.c_str());
    return sql.getText();
}

void TrackIndex::forget(Database& database, const std::string& idList)
{
    const std::string sql = "DELETE FROM gps_track WHERE (vehicle_id, update_time, id) IN (SELECT "
                            "vehicle_id, update_time, id FROM gps_data WHERE id IN (" +
                            idList + "));";
    database.execute(sql.c_str());
}

void TrackIndex::restart() noexcept
{
    m_known = false;
    m_oldIndexGone = false;
    m_inStep = false;
    m_pending.clear();
    m_names.clear();
    m_vehicleOf.clear();
}

std::int64_t TrackIndex::highestId()
{
    RowSet rows(m_database, "SELECT MAX(id) FROM gps_data;");
    return rows.next() ? rows.getInt64(0) : 0;
}

void TrackIndex::readThrough()
{
    RowSet rows(m_database, "SELECT MAX(through) FROM gps_track_through;");
    m_through = rows.next() ? rows.getInt64(0) : 0;
    m_known = true;
    // What was left at the last close waits as it would have: the first
    // seconds belong to the window's start.
    m_lastStep = Clock::now();
}

bool TrackIndex::advance(std::chrono::microseconds budget, bool evenFew)
{
    const auto started = Clock::now();
    if (!m_known)
        readThrough();
    if (!m_inStep) {
        const std::int64_t top = highestId();
        const std::int64_t tail = top - m_through;
        if (tail < stepRows)
            dropOldIndex(); // caught up
        if (tail <= 0) {
            m_lastStep = started;
            return false;
        }
        if (tail < stepRows && !evenFew && started - m_lastStep < stepAge)
            return false;
        m_inStep = true;
        m_stepEnd = m_through + std::min(tail, stepRows);
        m_readTo = m_through;
        m_next = 0;
        m_pending.clear();
        m_names.clear();
        m_vehicleOf.clear();
    }
    if (readStep(started, budget))
        insertStep(started, budget);
    return true;
}

void TrackIndex::catchUp()
{
    while (advance(std::chrono::hours(1), true)) {
    }
}

bool TrackIndex::readStep(Clock::time_point started, std::chrono::microseconds budget)
{
    while (m_readTo < m_stepEnd) {
        const FormatableSQL sql("SELECT id, vehicle_id FROM gps_data WHERE id > %lld AND id <= "
                                "%lld ORDER BY id LIMIT %d;",
                                static_cast<long long>(m_readTo), static_cast<long long>(m_stepEnd),
                                readPiece);
        RowSet rows(m_database, sql.getText());
        int count = 0;
        std::int64_t last = m_readTo;
        while (rows.next()) {
            ++count;
            last = rows.getInt64(0);
            const char* vehicle = rows.getText(1);
            if (vehicle == nullptr)
                continue;
            const auto [place, added] =
                m_vehicleOf.try_emplace(vehicle, static_cast<std::uint32_t>(m_names.size()));
            if (added)
                m_names.emplace_back(vehicle);
            m_pending.push_back({place->second, last});
        }
        m_readTo = count < readPiece ? m_stepEnd : last;
        if (m_readTo == m_stepEnd)
            sortStep();
        else if (Clock::now() - started >= budget)
            return false;
    }
    return true;
}

void TrackIndex::sortStep()
{
    // In gps_track's own order, vehicle by vehicle, each in the order the
    // samples came: each vehicle's page is then written once.
    std::vector<std::uint32_t> byName(m_names.size());
    std::iota(byName.begin(), byName.end(), 0u);
    std::sort(byName.begin(), byName.end(),
              [this](std::uint32_t a, std::uint32_t b) { return m_names[a] < m_names[b]; });
    std::vector<std::uint32_t> rank(m_names.size());
    for (std::uint32_t r = 0; r < byName.size(); ++r)
        rank[byName[r]] = r;
    std::stable_sort(
        m_pending.begin(), m_pending.end(),
        [&rank](const Pending& a, const Pending& b) { return rank[a.vehicle] < rank[b.vehicle]; });
    m_vehicleOf.clear();
}

void TrackIndex::insertStep(Clock::time_point started, std::chrono::microseconds budget)
{
    const std::size_t first = m_next;
    try {
        Transaction transaction(m_database);
        // Copied from gps_data as it is now: a sample deleted since it was
        // read is not moved. OR IGNORE: a step cut short by a kill is done
        // again from its start.
        Statement insert(m_database,
                         "INSERT OR IGNORE INTO gps_track (vehicle_id, update_time, id) SELECT "
                         "vehicle_id, update_time, id FROM gps_data WHERE id = ?1 AND vehicle_id "
                         "IS NOT NULL AND update_time IS NOT NULL;");
        while (m_next < m_pending.size()) {
            insert.bindInt64(1, m_pending[m_next].id);
            insert.execute();
            insert.reset();
            ++m_next;
            if (m_next % insertsPerLook == 0 && Clock::now() - started >= budget)
                break;
        }
        const bool done = m_next == m_pending.size();
        if (done) {
            const FormatableSQL mark("UPDATE gps_track_through SET through = %lld;",
                                     static_cast<long long>(m_stepEnd));
            m_database.execute(mark.getText());
        }
        transaction.commit();
        if (done) {
            m_through = m_stepEnd;
            m_inStep = false;
            m_lastStep = Clock::now();
            m_pending.clear();
            m_pending.shrink_to_fit();
            m_names.clear();
        }
    } catch (...) {
        m_next = first; // rolled back
        throw;
    }
}

void TrackIndex::dropOldIndex()
{
    if (m_oldIndexGone)
        return;
    const FormatableSQL sql("DROP INDEX IF EXISTS %s;", oldIndex);
    m_database.execute(sql.getText());
    m_oldIndexGone = true;
}

} // namespace corvane
