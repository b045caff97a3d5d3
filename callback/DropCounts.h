#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace corvane {

// What the station has thrown away on purpose since it started, so that an
// operator can see it: datagrams that name no vehicle (no identifier, one
// that is not a GUID, or the all-zero one), datagrams from senders outside
// the allowed list, datagrams longer than a message may be (counted before
// anything of them is read), datagrams that arrived while the decider already
// had its full backlog of callbacks waiting, samples and events the database
// writer had no room for (its queue full with records not yet written), and
// alarm events and details of vehicles the station has never had a position
// report from (it knows no such vehicle, so it has nowhere to show them).
//
// Ownership: a plain holder of counters. Threads: every operation may run on
// any thread at any time (relaxed atomics: the counts are for people, they
// order nothing). Throws: summary() only std::bad_alloc.
class DropCounts
{
public:
    struct Figures
    {
        std::uint64_t unidentified = 0;
        std::uint64_t refusedSenders = 0;
        std::uint64_t oversized = 0;
        std::uint64_t overBacklog = 0;
        std::uint64_t unstored = 0;
        std::uint64_t unknownVehicle = 0;
    };

    void countUnidentified() noexcept { bump(m_unidentified); }
    void countRefusedSender() noexcept { bump(m_refusedSenders); }
    void countOversized() noexcept { bump(m_oversized); }
    void countOverBacklog() noexcept { bump(m_overBacklog); }
    void countUnstored() noexcept { bump(m_unstored); }
    void countUnknownVehicle() noexcept { bump(m_unknownVehicle); }

    Figures figures() const noexcept;

    // "Dropped datagrams: 3 without a vehicle identifier, 0 from senders not
    // allowed, 0 longer than 4094 bytes, 0 while the station was busy, 0 while
    // the database writer was full, 0 from vehicles never seen with a position"
    static std::string summary(const Figures& figures);

private:
    static void bump(std::atomic<std::uint64_t>& counter) noexcept
    {
        counter.fetch_add(1, std::memory_order_relaxed);
    }

    std::atomic<std::uint64_t> m_unidentified{0};
    std::atomic<std::uint64_t> m_refusedSenders{0};
    std::atomic<std::uint64_t> m_oversized{0};
    std::atomic<std::uint64_t> m_overBacklog{0};
    std::atomic<std::uint64_t> m_unstored{0};
    std::atomic<std::uint64_t> m_unknownVehicle{0};
};

} // namespace corvane
