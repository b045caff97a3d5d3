#include "callback/AppConstants.h"

#include <atomic>
#include <mutex>

namespace corvane {

namespace {

template <typename Table>
const auto& entryOrFirst(const Table& table, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= table.size()) {
        return table[0];
    }
    return table[static_cast<std::size_t>(index)];
}

} // namespace

AppConstants::AppConstants()
    : m_eventNames{u"Sensor",
                   u"Motion",
                   u"Video Loss",
                   u"Text-In",
                   u"S.M.A.R.T. Bad",
                   u"S.M.A.R.T. Temp",
                   u"Record Bad",
                   u"Storage Bad",
                   u"Storage Full",
                   u"Archive Storage Bad",
                   u"Archive Storage Full",
                   u"G-Sensor",
                   u"Fan Failure",
                   u"Panic"},
      m_stationEventNames{u"Zone enter", u"Zone exit", u"Overspeed"},
      m_dateFormats{"%Y-%m-%d", "%Y.%m.%d", "%Y/%m/%d", "%m-%d-%Y", "%m.%d.%Y",
                    "%m/%d/%Y", "%d-%m-%Y", "%d.%m.%Y", "%d/%m/%Y"},
      m_timeFormats{"%I:%M:%S %p", "%H:%M:%S"},
      // The day-first choices (6 to 8) have no day, so they fall back to the
      // month-first patterns.
      m_monthFormats{"%Y-%m", "%Y.%m", "%Y/%m", "%m-%Y", "%m.%Y",
                     "%m/%Y", "%m-%Y", "%m.%Y", "%m/%Y"}
{}

const AppConstants& AppConstants::instance()
{
    static std::atomic<const AppConstants*> s_instance{nullptr};
    static std::mutex s_creation;
    const AppConstants* existing = s_instance.load(std::memory_order_acquire);
    if (existing != nullptr) {
        return *existing;
    }
    std::lock_guard<std::mutex> lock(s_creation);
    existing = s_instance.load(std::memory_order_relaxed);
    if (existing == nullptr) {
        // Deliberately never deleted: readers may run during exit.
        existing = new AppConstants();
        s_instance.store(existing, std::memory_order_release);
    }
    return *existing;
}

const std::u16string& AppConstants::getEventName(int code) const
{
    const int station = code - firstStationEventCode;
    if (station >= 0 && station < stationEventCodeCount) {
        return m_stationEventNames[static_cast<std::size_t>(station)];
    }
    if (code < 0 || code >= eventCodeCount) {
        return m_noName;
    }
    return m_eventNames[static_cast<std::size_t>(code)];
}

const std::string& AppConstants::dateFormat(int index) const
{
    return entryOrFirst(m_dateFormats, index);
}

const std::string& AppConstants::timeFormat(int index) const
{
    return entryOrFirst(m_timeFormats, index);
}

const std::string& AppConstants::monthFormat(int index) const
{
    return entryOrFirst(m_monthFormats, index);
}

} // namespace corvane
