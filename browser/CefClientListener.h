#pragma once

#include <string>

namespace corvane {

// The main window's side of the browser client, told on the GUI thread. Must
// not throw.
class CefClientListener
{
public:
    virtual ~CefClientListener() = default;

    // The page has finished loading: the first time, and again after every
    // reload that onPageLost announced.
    virtual void onPageLoaded() = 0;

    // The page is gone (its renderer ended, or its document was replaced) and
    // will be loaded again in pauseMs. reason says what happened, in words;
    // endsInARow counts the losses since the page last stayed up a while.
    virtual void onPageLost(const std::string& reason, int endsInARow, int pauseMs)
    {
        static_cast<void>(reason);
        static_cast<void>(endsInARow);
        static_cast<void>(pauseMs);
    }
};

} // namespace corvane
