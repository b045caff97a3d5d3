#include "app/TrackLoader.h"

#include "base/Exception.h"
#include "base/Trace.h"
#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/TrackQuery.h"
#include "data/TrackSampler.h"

#include <QMetaObject>
#include <chrono>
#include <sqlite3.h>

namespace corvane {

namespace {

constexpr int busyTimeoutMs = 5000;

} // namespace

TrackLoader::TrackLoader(std::string databasePath, QObject* parent)
    : QObject(parent), m_databasePath(std::move(databasePath))
{}

TrackLoader::~TrackLoader()
{
    stopWorker();
}

void TrackLoader::stopWorker()
{
    if (!m_worker.joinable())
        return;
    // Seen by the worker's connection within a few hundred steps of any
    // query, and before it starts the next one.
    m_stop->store(true);
    m_worker.join();
}

void TrackLoader::cancel()
{
    stopWorker();
    ++m_generation;
}

void TrackLoader::run(const std::string& databasePath, const std::string& vehicleId,
                      const TrackRange& range, const std::atomic<bool>& stop,
                      const std::function<void(TrackResult)>& deliver)
{
    const auto started = std::chrono::steady_clock::now();
    TrackResult result;
    result.vehicleId = vehicleId;
    result.from = range.from;
    result.to = range.to;
    auto points = std::make_shared<std::vector<TrackPoint>>();
    const auto stamp = [&started](TrackResult& r) {
        r.queryMilliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count();
    };
    try {
        Database database;
        database.open(databasePath.c_str(), busyTimeoutMs);
        database.interruptWhen(&stop);
        if (range.durationSeconds > 0) {
            std::string latest;
            std::int64_t end = 0;
            if (TrackQuery::latestTime(database, vehicleId, latest) &&
                parseTrackTime(latest, end)) {
                result.to = latest;
                result.from = formatTrackTime(end - range.durationSeconds);
            }
        }
        if (!result.from.empty()) {
            const TrackSample sample = TrackSampler::load(database, vehicleId, result.from,
                                                          result.to, drawnRows, *points, &stop);
            result.rows = sample.rows;
            result.stride = sample.stride;
            if (sample.stride > 1) {
                // The screen's answer first; every sample follows on this thread.
                TrackResult first = result;
                first.points = std::move(points);
                first.complete = false;
                stamp(first);
                deliver(std::move(first));
                points = std::make_shared<std::vector<TrackPoint>>();
                if (stop.load())
                    CORVANE_THROW(DatabaseException, SQLITE_INTERRUPT, "interrupted");
                points->reserve(sample.rows);
                TrackQuery::load(database, vehicleId, result.from, result.to, *points);
            }
        }
    } catch (const Exception& e) {
        traceException(e);
        result.error = QString::fromLocal8Bit(e.getMessage());
        points = std::make_shared<std::vector<TrackPoint>>();
    } catch (const std::bad_alloc&) {
        // A range too long for memory: said as such, the station goes on.
        result.error = QStringLiteral("Out of memory");
        points = std::make_shared<std::vector<TrackPoint>>();
    }
    result.points = std::move(points);
    stamp(result);
    deliver(std::move(result));
}

void TrackLoader::load(const std::string& vehicleId, const TrackRange& range)
{
    stopWorker();
    const unsigned generation = ++m_generation;
    m_stop = std::make_shared<std::atomic<bool>>(false);
    m_worker =
        std::thread([this, generation, vehicleId, range, path = m_databasePath, stop = m_stop] {
            run(path, vehicleId, range, *stop, [this, generation](TrackResult delivered) {
                auto result = std::make_shared<TrackResult>(std::move(delivered));
                // Posted to this object: dropped with it should it go first.
                QMetaObject::invokeMethod(
                    this,
                    [this, generation, result] {
                        if (generation == m_generation)
                            emit loaded(*result);
                    },
                    Qt::QueuedConnection);
            });
        });
}

} // namespace corvane
