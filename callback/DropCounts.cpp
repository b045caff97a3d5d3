#include "callback/DropCounts.h"

namespace corvane {

DropCounts::Figures DropCounts::figures() const noexcept
{
    Figures f;
    f.unidentified = m_unidentified.load(std::memory_order_relaxed);
    f.refusedSenders = m_refusedSenders.load(std::memory_order_relaxed);
    f.oversized = m_oversized.load(std::memory_order_relaxed);
    f.overBacklog = m_overBacklog.load(std::memory_order_relaxed);
    f.unstored = m_unstored.load(std::memory_order_relaxed);
    f.unknownVehicle = m_unknownVehicle.load(std::memory_order_relaxed);
    return f;
}

std::string DropCounts::summary(const Figures& figures)
{
    return "Dropped datagrams: " + std::to_string(figures.unidentified) +
           " without a vehicle identifier, " + std::to_string(figures.refusedSenders) +
           " from senders not allowed, " + std::to_string(figures.oversized) +
           " longer than 4094 bytes, " + std::to_string(figures.overBacklog) +
           " while the station was busy, " + std::to_string(figures.unstored) +
           " while the database writer was full, " + std::to_string(figures.unknownVehicle) +
           " from vehicles never seen with a position";
}

} // namespace corvane
