#pragma once

namespace corvane {

// The main window's side of the browser client: told once, on the GUI thread,
// when the page has finished its first load. Must not throw.
class CefClientListener
{
public:
    virtual ~CefClientListener() = default;

    virtual void onPageLoaded() = 0;
};

} // namespace corvane
