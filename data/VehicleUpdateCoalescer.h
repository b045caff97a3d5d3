#pragma once

#include <cstddef>
#include <deque>
#include <memory>

namespace corvane {

class AbstractDatabaseRecord;

// Drops the vehicle updates of a batch that a later update of the same
// vehicle overwrites anyway. A vehicle update writes every column of its row,
// so only the last one of a run counts; a fleet reporting ten times a second
// otherwise rewrites each vehicle row ten times per batch.
//
// What is kept, so that the stored rows equal those of applying everything:
// - every GPS sample and every event, in order;
// - every vehicle insert;
// - of the updates of one vehicle, the last before each insert of that
//   vehicle and the last of the batch (an update that finds no row inserts
//   the vehicle, and a later insert must then still fail as it would).
// The records kept keep their order.
//
// Ownership: works on the caller's list. Threads: the caller's. Throws:
// std::bad_alloc only.
class VehicleUpdateCoalescer
{
public:
    using Records = std::deque<std::unique_ptr<AbstractDatabaseRecord>>;

    // Removes the superseded updates from `records`; returns how many.
    static std::size_t coalesce(Records& records);
};

} // namespace corvane
