#pragma once

#include "data/TrackPoint.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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

// One loaded track: the resolved range and the samples with a position in
// it, oldest first. A long range comes twice: first sampled for the screen
// (complete false, every stride-th sample of the rows in range, see
// TrackSampler), then with every sample (complete true). A range of at most
// drawnRows samples comes once, complete. error is set when the query failed
// (also when it was interrupted by a newer request or the shutdown).
struct TrackResult
{
    std::string vehicleId;
    std::string from;
    std::string to;
    std::shared_ptr<const std::vector<TrackPoint>> points;
    QString error;
    double queryMilliseconds = 0; // from the request to this result
    bool complete = true;
    std::size_t rows = 0; // samples stored in the range, with or without a position
    std::size_t stride = 1;
};

// Loads a vehicle's stored track off the GUI thread, on a connection of its
// own to app.db (the writer's connection stays the writer's; in the
// write-ahead log neither waits for the other), and hands the results back on the loader's
// thread through loaded(): the sampled answer for the screen at once, then
// every sample, read on the same thread. A newer load supersedes one in
// flight, in either step: only the newest request's results are delivered,
// and the older queries are interrupted so that neither a new request nor
// the station's shutdown waits for them.
//
// Ownership: owns its worker thread, stopped and joined by the next
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
    // Stops the load in flight, if any; nothing more of it is delivered.
    void cancel();

    // The most rows a first answer reads from the table.
    static constexpr std::size_t drawnRows = 20000;

    // Runs one load on the calling thread (the worker's body), handing each
    // result to deliver. Once stop is set, the query running stops with an
    // error and no further one starts.
    static void run(const std::string& databasePath, const std::string& vehicleId,
                    const TrackRange& range, const std::atomic<bool>& stop,
                    const std::function<void(TrackResult)>& deliver);

signals:
    void loaded(const corvane::TrackResult& result);

private:
    void stopWorker();

    std::string m_databasePath;
    std::thread m_worker;
    std::shared_ptr<std::atomic<bool>> m_stop; // the worker's; GUI thread sets it
    unsigned m_generation = 0;                 // GUI thread only
};

} // namespace corvane
