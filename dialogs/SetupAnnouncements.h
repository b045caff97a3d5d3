#pragma once

#include "dialogs/SetupDlg.h"

#include <string>
#include <utility>
#include <vector>

namespace corvane::test {

// The opener's side of a setup dialog in the tests: records what the dialog
// announces, as (which setting, saved value), in the order it was emitted.
// Ownership: owns the records; the connections end with the dialog.
// Threads: the GUI thread. Throws: never but std::bad_alloc.
class SetupAnnouncements
{
public:
    using Announcement = std::pair<std::string, int>;

    void watch(SetupDlg& dialog)
    {
        QObject::connect(&dialog, &SetupDlg::portChanged, [this](int v) { add("port", v); });
        QObject::connect(&dialog, &SetupDlg::timeoutChanged, [this](int v) { add("timeout", v); });
        QObject::connect(&dialog, &SetupDlg::keepDaysChanged,
                         [this](int v) { add("keepDays", v); });
        QObject::connect(&dialog, &SetupDlg::speedLimitChanged,
                         [this](int v) { add("speedLimit", v); });
        QObject::connect(&dialog, &SetupDlg::listLimitChanged,
                         [this](int v) { add("listLimit", v); });
        QObject::connect(&dialog, &SetupDlg::alarmKindsChanged,
                         [this](std::uint32_t mask) { add("alarmKinds", static_cast<int>(mask)); });
        QObject::connect(&dialog, &SetupDlg::zoneAlarmKindsChanged, [this](std::uint32_t mask) {
            add("zoneAlarmKinds", static_cast<int>(mask));
        });
        QObject::connect(&dialog, &SetupDlg::tileFilesChanged, [this](const QStringList& paths) {
            add("tileFiles", static_cast<int>(paths.size()));
            tileFiles.push_back(paths);
        });
        QObject::connect(&dialog, &SetupDlg::tileCacheChanged,
                         [this](int megabytes) { add("tileCache", megabytes); });
        QObject::connect(&dialog, &SetupDlg::cacheClearRequested, [this] { add("cacheClear", 0); });
    }

    // The lists announced with tileFilesChanged (recorded as ("tileFiles", count)).
    std::vector<QStringList> tileFiles;

    std::vector<Announcement> take() { return std::exchange(m_received, {}); }

private:
    void add(const char* setting, int value) { m_received.emplace_back(setting, value); }

    std::vector<Announcement> m_received;
};

} // namespace corvane::test
