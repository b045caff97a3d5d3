#include "data/TrackSampler.h"

#include "data/Database.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"
#include "data/TrackIndex.h"
#include "data/TrackQuery.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <exception>
#include <optional>
#include <sqlite3.h>
#include <string_view>
#include <thread>
#include <utility>

namespace corvane {

namespace {

// Rows fetched by id per statement: keeps each statement's text small.
constexpr std::size_t idsPerStatement = 4096;
// Connections reading rows by id side by side, and the fewest rows worth a
// connection of its own.
constexpr std::size_t readers = 8;
constexpr std::size_t rowsPerReader = 1024;
constexpr int readerBusyTimeoutMs = 5000;

// The point of the current row (columns time, sentence from first); false
// when it has no position or no readable time.
bool readRow(const RowSet& rows, int first, TrackPoint& point)
{
    const char* time = rows.getText(first);
    const char* sentence = rows.getText(first + 1);
    if (time == nullptr || sentence == nullptr || !parseTrackTime(time, point.time))
        return false;
    return TrackQuery::readSentence(
        std::string_view(sentence, static_cast<std::size_t>(rows.getBytes(first + 1))), point);
}

// The place in ids of the first sample with a position among ids[begin],
// ids[begin + step], ... up to ids[end] (excluded), and its point; the walk
// stops there, so it costs only the samples without one before it. A sample
// swept since ids were read is passed over.
std::optional<std::pair<std::size_t, TrackPoint>>
firstPosition(Database& database, const std::vector<std::int64_t>& ids, std::ptrdiff_t begin,
              std::ptrdiff_t end, std::ptrdiff_t step)
{
    TrackPoint point;
    for (std::ptrdiff_t i = begin; i != end; i += step) {
        const FormatableSQL sql("SELECT update_time, gps_data FROM gps_data WHERE id = %lld;",
                                static_cast<long long>(ids[static_cast<std::size_t>(i)]));
        RowSet rows(database, sql.getText());
        if (rows.next() && readRow(rows, 0, point))
            return std::make_pair(static_cast<std::size_t>(i), point);
    }
    return std::nullopt;
}

using Place = std::pair<std::int64_t, std::size_t>; // id, place in the caller's order

// Reads the rows of places [begin, end) (sorted by id) into found.
void readPlaces(Database& database, const Place* begin, const Place* end,
                std::vector<std::optional<TrackPoint>>& found)
{
    std::string sql;
    for (const Place* chunk = begin; chunk < end; chunk += idsPerStatement) {
        const Place* chunkEnd = std::min(end, chunk + idsPerStatement);
        sql = "SELECT id, update_time, gps_data FROM gps_data WHERE id IN (";
        for (const Place* place = chunk; place < chunkEnd; ++place) {
            char number[24];
            const auto written = std::to_chars(number, number + sizeof number, place->first);
            if (place > chunk)
                sql += ',';
            sql.append(number, written.ptr);
        }
        sql += ");";
        RowSet rows(database, sql.c_str());
        TrackPoint point;
        while (rows.next()) {
            const std::int64_t id = rows.getInt64(0);
            const Place* place = std::lower_bound(chunk, chunkEnd, Place{id, 0});
            if (place != chunkEnd && place->first == id && readRow(rows, 1, point))
                found[place->second] = point;
        }
    }
}

// Reads the rows of ids (in the caller's order) and appends the points of
// those with a position in that order. The table gives them back in id
// order; each is put back in its place. The rows lie scattered over the
// file; on a cold cache each costs a read from the disk, and a disk answers
// several reads at once much sooner than one after another, so a file on
// disk is read by several connections side by side, each a slice of the ids.
void readByIds(Database& database, const std::vector<std::int64_t>& ids,
               const std::atomic<bool>* stop, std::vector<TrackPoint>& points)
{
    std::vector<Place> places;
    places.reserve(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i)
        places.emplace_back(ids[i], i);
    std::sort(places.begin(), places.end());
    std::vector<std::optional<TrackPoint>> found(ids.size());

    const char* file = sqlite3_db_filename(database.getHandle(), "main");
    if (file == nullptr || *file == '\0' || places.size() < 2 * rowsPerReader) {
        readPlaces(database, places.data(), places.data() + places.size(), found);
    } else {
        const std::string path = file;
        const std::size_t count = std::min(readers, places.size() / rowsPerReader);
        std::vector<std::exception_ptr> errors(count);
        {
            std::vector<std::jthread> threads; // joined when they go, thrown or not
            for (std::size_t n = 0; n < count; ++n) {
                const Place* begin = places.data() + places.size() * n / count;
                const Place* end = places.data() + places.size() * (n + 1) / count;
                threads.emplace_back([&path, &found, &errors, stop, n, begin, end] {
                    try {
                        Database reader;
                        reader.open(path.c_str(), readerBusyTimeoutMs);
                        reader.interruptWhen(stop);
                        readPlaces(reader, begin, end, found);
                    } catch (...) {
                        errors[n] = std::current_exception();
                    }
                });
            }
        }
        for (const std::exception_ptr& error : errors) {
            if (error)
                std::rethrow_exception(error);
        }
    }
    for (const auto& point : found) {
        if (point)
            points.push_back(*point);
    }
}

} // namespace

std::size_t TrackSampler::strideFor(std::size_t rows, std::size_t maxRows) noexcept
{
    if (rows <= maxRows || maxRows < 2)
        return 1;
    return (rows - 1 + maxRows - 2) / (maxRows - 1);
}

TrackSample TrackSampler::load(Database& database, const std::string& vehicleId,
                               const std::string& from, const std::string& to, std::size_t maxRows,
                               std::vector<TrackPoint>& points, const std::atomic<bool>* stop)
{
    // The range in time order, without a row of the table but the tail's
    // (TrackIndex carries the id).
    std::vector<std::int64_t> ids;
    {
        const std::string sql = TrackIndex::rangeSql(vehicleId, from, to) + " ORDER BY 1, 2;";
        RowSet rows(database, sql.c_str());
        while (rows.next())
            ids.push_back(rows.getInt64(1));
    }
    TrackSample sample;
    sample.rows = ids.size();
    sample.stride = strideFor(ids.size(), maxRows);
    if (sample.stride == 1) {
        TrackQuery::load(database, vehicleId, from, to, points);
        return sample;
    }

    const auto size = static_cast<std::ptrdiff_t>(ids.size());
    const auto first = firstPosition(database, ids, 0, size, 1);
    if (!first)
        return sample; // not one sample of the range has a position
    // Down to the first one at most; none there only if it was swept meanwhile.
    const auto last =
        firstPosition(database, ids, size - 1, static_cast<std::ptrdiff_t>(first->first), -1);
    const std::size_t firstAt = first->first;
    const std::size_t lastAt = last ? last->first : firstAt;
    const std::size_t k = sample.stride;
    std::vector<std::int64_t> between;
    for (std::size_t i = (firstAt / k + 1) * k; i < lastAt; i += k)
        between.push_back(ids[i]);

    points.push_back(first->second);
    readByIds(database, between, stop, points);
    if (last)
        points.push_back(last->second);
    return sample;
}

} // namespace corvane
