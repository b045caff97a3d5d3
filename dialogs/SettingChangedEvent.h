#pragma once

#include <QEvent>

namespace corvane {

// Posted to the main window when the setup dialog has saved a setting.
inline constexpr QEvent::Type WM_PORT_CHANGED = QEvent::Type(1036);
inline constexpr QEvent::Type WM_TIMEOUT_CHANGED = QEvent::Type(1037);
inline constexpr QEvent::Type WM_KEEP_DAYS_CHANGED = QEvent::Type(1060);

// A saved setting's new value: the port, the time-out in minutes, or the
// days of data kept.
//
// Ownership: posted with QCoreApplication::postEvent, which takes the event;
// the value lives inside it. Threads: built on the poster's thread, read on
// the receiver's. Throws: never.
class SettingChangedEvent final : public QEvent
{
public:
    SettingChangedEvent(QEvent::Type type, int value) noexcept : QEvent(type), m_value(value) {}

    int value() const noexcept { return m_value; }

private:
    int m_value;
};

} // namespace corvane
