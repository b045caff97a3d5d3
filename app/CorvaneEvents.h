#pragma once

#include <QEvent>
#include <memory>
#include <utility>

namespace corvane {

// The private events that carry work across threads to a GUI-thread object.
// Posted with QCoreApplication::postEvent; the receiver owns the event, and
// with it any payload, from the moment it is posted, so every path frees the
// payload (the event's destructor does).
// To the main window (CorvaneDlg), from the callback decider's thread: a bare
// QEvent; page calls wait in its PageCallRelay, and one wake-up is posted
// when they start to wait, not one event per call.
inline constexpr QEvent::Type WM_PAGE_CALLS = QEvent::Type(1034);
// To the main window (CorvaneDlg): a ValueEvent (0).
inline constexpr QEvent::Type WM_PAGE_LOADED = QEvent::Type(1044);
// To the reception, from the writer and server threads: a NoticeEvent.
inline constexpr QEvent::Type WM_STORAGE_NOTICE = QEvent::Type(1061);
inline constexpr QEvent::Type WM_RECEPTION_FAILED = QEvent::Type(1062);

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

// An event that carries one number.
class ValueEvent : public QEvent
{
public:
    ValueEvent(QEvent::Type type, int value) : QEvent(type), m_value(value) {}
    int value() const { return m_value; }

private:
    int m_value;
};

} // namespace corvane
