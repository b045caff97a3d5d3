#pragma once

#include "data/TrackPoint.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct sqlite3;

namespace corvane {

// What to load: a From/To range ("YYYY-MM-DD HH:MM:SS", both included), or,
// when durationSeconds is above 0, that many seconds up to the vehicle's
// latest stored sample.
struct TrackRange
{
    std::string from;
    std::string to;
    std::int64_t durationSeconds = 0;
};

// One loaded track: the resolved range and every sample with a position in
// it, oldest first. error is set when the query failed.
struct TrackResult
{
    std::string vehicleId;
    std::string from;
    std::string to;
    std::shared_ptr<const std::vector<TrackPoint>> points;
    QString error;
    double queryMilliseconds = 0;
};

// Loads a vehicle's stored track off the GUI thread, on a connection of its
// own to app.db (the writer's connection stays the writer's; SQLite's file
// locks keep the two apart), and hands the result back on the loader's
// thread through loaded(). A newer load supersedes one in flight: only the
// newest request's result is delivered, and the older query is interrupted
// so that neither a new request nor the station's shutdown waits for it.
//
// Ownership: owns its worker thread, interrupted and joined by the next
// load() and by the destructor. Threads: construct, load and destroy on one (the GUI) thread;
// loaded() is emitted there. Throws: std::system_error when no thread can be
// started, std::bad_alloc.
class TrackLoader : public QObject
{
    Q_OBJECT

public:
    explicit TrackLoader(std::string databasePath, QObject* parent = nullptr);
    ~TrackLoader() override;

    void load(const std::string& vehicleId, const TrackRange& range);

    // Runs one load on the calling thread (the worker's body). publish, when
    // given, gets the connection once it is open and null before it closes.
    static TrackResult run(const std::string& databasePath, const std::string& vehicleId,
                           const TrackRange& range,
                           const std::function<void(sqlite3*)>& publish = {});

signals:
    void loaded(const corvane::TrackResult& result);

private:
    void stopWorker();

    std::string m_databasePath;
    std::thread m_worker;
    std::mutex m_connectionMutex;
    sqlite3* m_connection = nullptr; // the worker's, while open; under the mutex
    unsigned m_generation = 0;       // GUI thread only
};

} // namespace corvane
