#pragma once

#include <cstddef>
#include <string>

namespace corvane {

// Page state of the event list: how many pages the loaded events fill, which
// page is current (1-based) and which of the four paging buttons may be
// pressed. The dialog mirrors it into its widgets after every step.
//
// After reset() only "next" and "last" can be enabled, and only when there is
// more than one page; moving never leaves the range 1 to pageCount(), so a
// button that is disabled here does nothing when pressed anyway.
//
// Ownership: a plain value. Threads: one at a time. Throws: never.
class EventPager
{
public:
    enum Button
    {
        First,
        Previous,
        Next,
        Last,
        ButtonCount
    };

    // Starts again at page 1 for this many loaded events.
    void reset(std::size_t events) noexcept;

    // The four buttons; each returns false and changes nothing when the
    // button is disabled.
    bool first() noexcept;
    bool previous() noexcept;
    bool next() noexcept;
    bool last() noexcept;
    bool press(Button button) noexcept;

    bool isEnabled(Button button) const noexcept { return m_enabled[button]; }
    int pageCount() const noexcept { return m_pageCount; }
    int currentPage() const noexcept { return m_current; }
    // Index of the first event on the current page.
    std::size_t firstEventIndex() const noexcept;
    std::string counterText() const;

private:
    void setBackward(bool enabled) noexcept;
    void setForward(bool enabled) noexcept;

    int m_pageCount = 0;
    int m_current = 1;
    bool m_enabled[ButtonCount] = {};
};

} // namespace corvane
