#include "app/TrackLoader.h"

#include "base/Exception.h"
#include "base/Trace.h"
#include "data/Database.h"
#include "data/TrackQuery.h"

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
    {
        // The worker clears the handle under this mutex before it closes it.
        std::lock_guard lock(m_connectionMutex);
        if (m_connection != nullptr)
            sqlite3_interrupt(m_connection);
    }
    m_worker.join();
}

TrackResult TrackLoader::run(const std::string& databasePath, const std::string& vehicleId,
                             const TrackRange& range, const std::function<void(sqlite3*)>& publish)
{
    const auto started = std::chrono::steady_clock::now();
    TrackResult result;
    result.vehicleId = vehicleId;
    result.from = range.from;
    result.to = range.to;
    auto points = std::make_shared<std::vector<TrackPoint>>();
    try {
        Database database;
        database.open(databasePath.c_str(), busyTimeoutMs);
        struct Published
        {
            const std::function<void(sqlite3*)>& publish;
            ~Published()
            {
                if (publish)
                    publish(nullptr);
            }
        } published{publish};
        if (publish)
            publish(database.getHandle());
        if (range.durationSeconds > 0) {
            std::string latest;
            std::int64_t end = 0;
            if (TrackQuery::latestTime(database, vehicleId, latest) &&
                parseTrackTime(latest, end)) {
                result.to = latest;
                result.from = formatTrackTime(end - range.durationSeconds);
            }
        }
        if (!result.from.empty())
            TrackQuery::load(database, vehicleId, result.from, result.to, *points);
    } catch (const Exception& e) {
        traceException(e);
        result.error = QString::fromLocal8Bit(e.getMessage());
        points->clear();
    } catch (const std::bad_alloc&) {
        // A range too long for memory: said as such, the station goes on.
        result.error = QStringLiteral("Out of memory");
        points = std::make_shared<std::vector<TrackPoint>>();
    }
    result.points = std::move(points);
    result.queryMilliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count();
    return result;
}

void TrackLoader::load(const std::string& vehicleId, const TrackRange& range)
{
    stopWorker();
    const unsigned generation = ++m_generation;
    m_worker = std::thread([this, generation, vehicleId, range, path = m_databasePath] {
        auto result =
            std::make_shared<TrackResult>(run(path, vehicleId, range, [this](sqlite3* db) {
                std::lock_guard lock(m_connectionMutex);
                m_connection = db;
            }));
        // Posted to this object: dropped with it should it go first.
        QMetaObject::invokeMethod(
            this,
            [this, generation, result] {
                if (generation == m_generation)
                    emit loaded(*result);
            },
            Qt::QueuedConnection);
    });
}

} // namespace corvane
