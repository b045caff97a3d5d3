#pragma once

#include "dialogs/SettingChangedEvent.h"

#include <QEvent>
#include <memory>
#include <utility>

namespace corvane {

// The private events through which work reaches the main window (CorvaneDlg)
// on its own thread. Posted with QCoreApplication::postEvent; the window owns
// the event, and with it any payload, from the moment it is posted, so every
// path frees the payload (the event's destructor does).
// A bare QEvent: callbacks wait in the window's CallbackHandoff, and one
// wake-up is posted when they start to wait, not one event per callback.
inline constexpr QEvent::Type WM_CALLBACK_RECEIVED = QEvent::Type(1034);
inline constexpr QEvent::Type WM_SHOW_STORED_TRACK = QEvent::Type(1035); // VehicleIdEvent
// WM_PORT_CHANGED (1036) and WM_TIMEOUT_CHANGED (1037) come from the setup
// dialog as SettingChangedEvent (dialogs/SettingChangedEvent.h).
inline constexpr QEvent::Type WM_EDIT_VEHICLE = QEvent::Type(1039);   // VehicleIdEvent
inline constexpr QEvent::Type WM_REMOVE_VEHICLE = QEvent::Type(1040); // VehicleIdEvent
inline constexpr QEvent::Type WM_CHOOSE_IMAGE = QEvent::Type(1041);   // VehicleIdEvent
inline constexpr QEvent::Type WM_SHOW_LOG = QEvent::Type(1042);       // ValueEvent (0)
inline constexpr QEvent::Type WM_SHOW_SETUP = QEvent::Type(1043);     // ValueEvent (0)
inline constexpr QEvent::Type WM_PAGE_LOADED = QEvent::Type(1044);    // ValueEvent (0)
// WM_KEEP_DAYS_CHANGED (1060) comes from the setup dialog as well.
inline constexpr QEvent::Type WM_STORAGE_NOTICE = QEvent::Type(1061);   // NoticeEvent
inline constexpr QEvent::Type WM_RECEPTION_FAILED = QEvent::Type(1062); // NoticeEvent

// An event that owns one heap payload.
template <typename Payload>
class OwningEvent : public QEvent
{
public:
    OwningEvent(QEvent::Type type, std::unique_ptr<Payload> payload)
        : QEvent(type), m_payload(std::move(payload))
    {}

    // Hands the payload over; the event is left empty.
    std::unique_ptr<Payload> take() { return std::move(m_payload); }
    const Payload* payload() const { return m_payload.get(); }

private:
    std::unique_ptr<Payload> m_payload;
};

// An event that carries one number (a port, a time-out in minutes, or 0).
class ValueEvent : public QEvent
{
public:
    ValueEvent(QEvent::Type type, int value) : QEvent(type), m_value(value) {}
    int value() const { return m_value; }

private:
    int m_value;
};

} // namespace corvane
